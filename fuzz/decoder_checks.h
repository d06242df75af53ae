// What the decoder fuzz targets check (fuzz_jpeg_reader, fuzz_png_reader):
// on any bytes (the first byte picks the orientation) the decoder decodes
// or declines, never crashes, leaks or prints.  A decoded picture has the
// size the library itself reads from the header, upright; the turned
// picture holds the plain one's pixels where the orientation puts them; and
// the pixels are those the library itself reports: a complete JPEG exactly
// as libjpeg decodes it by default, an 8-bit PNG without colour-space chunks exactly as libpng's
// own reader gives it, composited over black.
#pragma once

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>
// clang-format off
#include <jpeglib.h>  // needs <cstdio> first
// clang-format on

#include "codecs/jpeg_reader.h"
#include "codecs/png_reader.h"
#include "decoded_buffer.h"
#include "fuzz_input.h"

namespace {


struct HeaderSize {
    int32_t width = 0, height = 0;
};

HeaderSize png_header(const uint8_t* data, size_t size) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    HeaderSize h;
    if (png_image_begin_read_from_memory(&image, data, size)) {
        h.width = static_cast<int32_t>(image.width), h.height = static_cast<int32_t>(image.height);
        png_image_free(&image);
    }
    return h;
}

struct JpegErrors {
    jpeg_error_mgr standard;
    jmp_buf jump;
};
void jpeg_failed(j_common_ptr info) { std::longjmp(reinterpret_cast<JpegErrors*>(info->err)->jump, 1); }
void jpeg_quiet(j_common_ptr, int) {}

// libjpeg's own decoding to blue, green, red, top row first; false when it
// fails.
struct ReferenceRead {
    jpeg_decompress_struct info;
    JpegErrors errors;
    std::vector<uint8_t>* out;
    int components;
};

bool jpeg_reference(const uint8_t* data, size_t size, ReferenceRead* job) {
    job->info.err = jpeg_std_error(&job->errors.standard);
    job->errors.standard.error_exit = jpeg_failed;
    job->errors.standard.emit_message = jpeg_quiet;
    if (setjmp(job->errors.jump)) {
        jpeg_destroy_decompress(&job->info);
        return false;
    }
    jpeg_create_decompress(&job->info);
    jpeg_mem_src(&job->info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&job->info, TRUE);
    job->info.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&job->info);
    job->components = job->info.output_components;
    const size_t row_size = static_cast<size_t>(job->info.output_width) * job->components;
    job->out->assign(row_size * job->info.output_height, 0);
    while (job->info.output_scanline < job->info.output_height) {
        JSAMPROW row = job->out->data() + static_cast<size_t>(job->info.output_scanline) * row_size;
        jpeg_read_scanlines(&job->info, &row, 1);
    }
    jpeg_finish_decompress(&job->info);
    jpeg_destroy_decompress(&job->info);
    return true;
}

int32_t run(bool png, const uint8_t* data, size_t size, int32_t orientation, Decoded* d) {
    return png ? decode_png(data, size, orientation, make_buffer, d)
               : decode_jpeg(data, size, orientation, make_buffer, d);
}

// An 8-bit PNG with no chunk that would make libpng's own reader convert
// colours (gAMA, cHRM, sRGB, iCCP): its reading is then the plain one.
bool plain_png(const uint8_t* data, size_t size) {
    if (size < 33 || data[24] > 8) return false;
    for (size_t at = 8; at + 8 <= size;) {
        const uint32_t length = uint32_t(data[at]) << 24 | uint32_t(data[at + 1]) << 16 | uint32_t(data[at + 2]) << 8 |
                                data[at + 3];
        const char* type = reinterpret_cast<const char*>(data + at + 4);
        if (!std::memcmp(type, "IDAT", 4)) return true;
        if (!std::memcmp(type, "gAMA", 4) || !std::memcmp(type, "cHRM", 4) || !std::memcmp(type, "sRGB", 4) ||
            !std::memcmp(type, "iCCP", 4))
            return false;
        if (length > size - at - 8) return false;
        at += size_t{length} + 12;
    }
    return false;
}

}  // namespace

// The whole check; `png` picks the decoder.
inline int check_decoder(bool png, const uint8_t* input, size_t input_size) {
    if (input_size < 1) return 0;
    const int32_t orientation = input[0] % 9;  // 0 counts as 1
    const uint8_t* data = input + 1;
    const size_t size = input_size - 1;

    Decoded turned;
    const int32_t result = run(png, data, size, orientation, &turned);
    if (result <= 0) return 0;
    Decoded plain;
    FUZZ_CHECK(run(png, data, size, 1, &plain) == result);  // the same bytes decode again, as far

    // The size the library reads from the header, upright.
    int32_t width = 0, height = 0;
    if (png) {
        HeaderSize h = png_header(data, size);
        width = h.width, height = h.height;
    } else {
        FUZZ_CHECK(jpeg_size(data, size, &width, &height));
    }
    FUZZ_CHECK(plain.width == width && plain.height == height);
    const bool swap = orientation_swaps_sides(orientation);
    FUZZ_CHECK(turned.width == (swap ? height : width) && turned.height == (swap ? width : height));

    // Every pixel moved where the orientation puts it (the targets are
    // bottom-up, so row y of the picture is memory row height - 1 - y).
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            const int32_t w = width - 1, h = height - 1;
            const int32_t u[9] = {x, x, w - x, w - x, x, y, h - y, h - y, y};
            const int32_t v[9] = {y, y, y, h - y, h - y, x, x, w - x, w - x};
            const uint8_t* a = &plain.pixels[(static_cast<size_t>(h - y) * width + x) * 3];
            const uint8_t* b =
                    &turned.pixels[(static_cast<size_t>(turned.height - 1 - v[orientation]) * turned.width + u[orientation]) * 3];
            FUZZ_CHECK(std::memcmp(a, b, 3) == 0);
        }

    if (!png && result == JPEG_COMPLETE) {
        auto* job = static_cast<ReferenceRead*>(std::calloc(1, sizeof(ReferenceRead)));
        std::vector<uint8_t> reference;
        job->out = &reference;
        if (jpeg_reference(data, size, job)) {
            for (int32_t y = 0; y < height; ++y)
                FUZZ_CHECK(std::memcmp(&plain.pixels[static_cast<size_t>(height - 1 - y) * width * 3],
                                       &reference[static_cast<size_t>(y) * width * 3], static_cast<size_t>(width) * 3) == 0);
        }
        std::free(job);
    } else if (plain_png(data, size)) {
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        if (png_image_begin_read_from_memory(&image, data, size)) {
            image.format = PNG_FORMAT_BGRA;
            std::vector<uint8_t> bgra(PNG_IMAGE_SIZE(image));
            if (png_image_finish_read(&image, nullptr, bgra.data(), 0, nullptr)) {
                for (int32_t y = 0; y < height; ++y)
                    for (int32_t x = 0; x < width; ++x) {
                        const uint8_t* p = &plain.pixels[(static_cast<size_t>(height - 1 - y) * width + x) * 3];
                        const uint8_t* r = &bgra[(static_cast<size_t>(y) * width + x) * 4];
                        for (int c = 0; c < 3; ++c) FUZZ_CHECK(p[c] == over_black(r[c], r[3]));
                    }
            }
            png_image_free(&image);
        }
    }
    return 0;
}
