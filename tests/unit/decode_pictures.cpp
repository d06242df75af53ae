#include "unit/decode_pictures.h"

#include <png.h>

#include <cstdio>
#include <cstring>
#include <vector>
// clang-format off
#include <jpeglib.h>  // needs <cstdio> first
// clang-format on

namespace decode_pictures {

uint32_t pixel(int32_t x, int32_t y) {
    uint32_t h = static_cast<uint32_t>(x) * 73856093u ^ static_cast<uint32_t>(y) * 19349663u;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    uint32_t noise = h >> 27;
    uint32_t r = (x * 5 + y * 2) & 0xFF, g = ((x / 7 + y / 5) & 1 ? 200 : 40) + (noise & 15);
    uint32_t b = (y * 9 + noise) & 0xFF, a = (x * 3 + y * 11 + (h >> 24)) & 0xFF;
    return a << 24 | r << 16 | g << 8 | b;
}

uint32_t corners(int32_t x, int32_t y, int32_t width, int32_t height) {
    bool right = x >= width / 2, bottom = y >= height / 2;
    static const uint32_t colours[4] = {0xFFE01010, 0xFF10C020, 0xFF2020E0, 0xFFF0F0F0};
    return colours[(bottom ? 2 : 0) + (right ? 1 : 0)];
}

std::string exif_block(int32_t orientation, bool big_endian) {
    auto put16 = [&](std::string& s, uint32_t v) {
        if (big_endian) s += char(v >> 8), s += char(v);
        else s += char(v), s += char(v >> 8);
    };
    auto put32 = [&](std::string& s, uint32_t v) {
        if (big_endian) put16(s, v >> 16), put16(s, v & 0xFFFF);
        else put16(s, v & 0xFFFF), put16(s, v >> 16);
    };
    std::string tiff = big_endian ? "MM" : "II";
    put16(tiff, 42);
    put32(tiff, 8);
    put16(tiff, 2);  // two entries: a resolution unit, then the orientation
    put16(tiff, 0x0128), put16(tiff, 3), put32(tiff, 1), put16(tiff, 2), put16(tiff, 0);
    put16(tiff, 0x0112), put16(tiff, 3), put32(tiff, 1), put16(tiff, static_cast<uint32_t>(orientation)),
            put16(tiff, 0);
    put32(tiff, 0);
    return std::string("Exif\0\0", 6) + tiff;
}

namespace {

// The corner picture is upright after the orientation: stored pixel (x, y)
// shows upright pixel (u, v) as the EXIF definitions place it.
int32_t current_orientation = 1;

uint32_t colour(int32_t x, int32_t y, int32_t width, int32_t height, bool corner_picture) {
    if (!corner_picture) return pixel(x, y);
    const int32_t w = width - 1, h = height - 1;
    int32_t u = x, v = y;
    switch (current_orientation) {
    case 2: u = w - x; break;
    case 3: u = w - x, v = h - y; break;
    case 4: v = h - y; break;
    case 5: u = y, v = x; break;
    case 6: u = h - y, v = x; break;
    case 7: u = h - y, v = w - x; break;
    case 8: u = y, v = w - x; break;
    }
    const bool swap = current_orientation >= 5 && current_orientation <= 8;
    return corners(u, v, swap ? height : width, swap ? width : height);
}

}  // namespace

std::string jpeg(int32_t width, int32_t height, const JpegKind& kind, int32_t orientation, bool corner_picture) {
    current_orientation = orientation;
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &out, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = kind.components;
    info.in_color_space = kind.components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, kind.quality, TRUE);
    if (kind.components == 3) {
        info.comp_info[0].h_samp_factor = kind.h_sampling;
        info.comp_info[0].v_samp_factor = kind.v_sampling;
        for (int c = 1; c < 3; ++c) info.comp_info[c].h_samp_factor = info.comp_info[c].v_samp_factor = 1;
    }
    if (kind.progressive) jpeg_simple_progression(&info);
    info.restart_in_rows = kind.restart_rows;
    info.arith_code = kind.arithmetic ? TRUE : FALSE;
    jpeg_start_compress(&info, TRUE);
    if (orientation) {
        std::string exif = exif_block(orientation, orientation % 2 == 0);
        jpeg_write_marker(&info, JPEG_APP0 + 1, reinterpret_cast<const JOCTET*>(exif.data()),
                          static_cast<unsigned>(exif.size()));
    }
    std::vector<uint8_t> row(static_cast<size_t>(width) * 3);
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            uint32_t c = colour(x, y, width, height, corner_picture);
            if (kind.components == 1) row[x] = static_cast<uint8_t>((c >> 16) / 2 + (c >> 8 & 0xFF) / 2);
            else row[3 * x] = uint8_t(c >> 16), row[3 * x + 1] = uint8_t(c >> 8), row[3 * x + 2] = uint8_t(c);
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::string bytes(reinterpret_cast<const char*>(out), size);
    std::free(out);
    return bytes;
}

namespace {

void append(png_structp png, png_bytep data, size_t length) {
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), length);
}
void flush_nothing(png_structp) {}

}  // namespace

std::string png(int32_t width, int32_t height, const PngKind& kind, int32_t orientation, bool corner_picture,
                bool alpha_table) {
    current_orientation = orientation;
    std::string bytes;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &bytes, append, flush_nothing);
    png_set_compression_level(png, 1);
    const int depth = kind.bit_depth;
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), depth, kind.colour_type,
                 kind.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    // A palette of all the colours the bit depth allows: a grey ramp for the
    // first half, colours after, with falling alpha in tRNS.
    const int entries = 1 << (depth < 8 ? depth : 8);
    if (kind.colour_type == 3) {
        png_color palette[256];
        png_byte alphas[256];
        for (int i = 0; i < entries; ++i) {
            int v = i * 255 / (entries - 1);
            palette[i] = i < entries / 2 ? png_color{png_byte(v), png_byte(v), png_byte(v)}
                                         : png_color{png_byte(v), png_byte(255 - v), png_byte(v * 7)};
            alphas[i] = png_byte(255 - i * 255 / (entries - 1) / 2 - (i & 1) * 60);
        }
        png_set_PLTE(png, info, palette, entries);
        if (kind.transparency) png_set_tRNS(png, info, alphas, entries, nullptr);
    } else if (kind.transparency) {
        // The colour of pixel (0, 0) (reduced to the depth) is transparent.
        png_color_16 key{};
        uint32_t c = colour(0, 0, width, height, corner_picture);
        int max = (1 << depth) - 1;
        key.gray = png_uint_16(((c >> 8) & 0xFF) * max / 255);
        key.red = png_uint_16(((c >> 16) & 0xFF) * max / 255);
        key.green = png_uint_16(((c >> 8) & 0xFF) * max / 255);
        key.blue = png_uint_16((c & 0xFF) * max / 255);
        png_set_tRNS(png, info, nullptr, 0, &key);
    }
    if (kind.gamma > 0) png_set_gAMA(png, info, kind.gamma);
    if (kind.srgb) png_set_sRGB(png, info, PNG_sRGB_INTENT_PERCEPTUAL);
    if (orientation) {
        std::string exif = exif_block(orientation, orientation % 2 == 1).substr(6);
        png_set_eXIf_1(png, info, static_cast<png_uint_32>(exif.size()), reinterpret_cast<png_bytep>(exif.data()));
    }
    png_write_info(png, info);
    if (depth == 16) png_set_swap(png);  // rows below are written little-endian

    const int channels = kind.colour_type == 2 ? 3 : kind.colour_type == 4 ? 2 : kind.colour_type == 6 ? 4 : 1;
    const int bytes_per_sample = depth == 16 ? 2 : 1;
    std::vector<uint8_t> row(static_cast<size_t>(width) * channels * bytes_per_sample + 8);
    const int passes = png_set_interlace_handling(png);
    for (int pass = 0; pass < passes; ++pass)
        for (int32_t y = 0; y < height; ++y) {
            std::fill(row.begin(), row.end(), 0);
            for (int32_t x = 0; x < width; ++x) {
                uint32_t c = alpha_table ? uint32_t(y & 0xFF) << 24 | (x & 0xFF) * 0x010101u
                                         : colour(x, y, width, height, corner_picture);
                // Samples as 16-bit values, the low byte made from the position
                // so that reducing 16 bits to 8 shows.
                uint32_t low = (x * 31 + y * 17) & 0xFF;
                uint32_t samples[4];
                uint32_t grey = (c >> 8) & 0xFF;
                switch (kind.colour_type) {
                case 0: samples[0] = grey; break;
                case 2: samples[0] = c >> 16 & 0xFF, samples[1] = c >> 8 & 0xFF, samples[2] = c & 0xFF; break;
                case 3: samples[0] = (c >> 16 & 0xFF) * entries / 256; break;
                case 4: samples[0] = grey, samples[1] = c >> 24; break;
                default:
                    samples[0] = c >> 16 & 0xFF, samples[1] = c >> 8 & 0xFF, samples[2] = c & 0xFF, samples[3] = c >> 24;
                }
                for (int s = 0; s < channels; ++s) {
                    if (depth == 16) {
                        uint32_t v = samples[s] << 8 | low;
                        row[(x * channels + s) * 2] = uint8_t(v), row[(x * channels + s) * 2 + 1] = uint8_t(v >> 8);
                    } else if (depth == 8) {
                        row[x * channels + s] = uint8_t(samples[s]);
                    } else {
                        uint32_t v = kind.colour_type == 3 ? samples[s] : samples[s] >> (8 - depth);
                        int per_byte = 8 / depth, shift = 8 - depth * (x % per_byte + 1);
                        row[x / per_byte] |= uint8_t(v << shift);
                    }
                }
            }
            png_write_row(png, row.data());
        }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return bytes;
}

}  // namespace decode_pictures
