#include "codecs/png_reader.h"

#include <png.h>

#include <csetjmp>
#include <cstdlib>
#include <cstring>

#include "codecs/jpeg_reader.h"  // MAX_DECODE_SIDE

namespace {

struct MemorySource {
    const uint8_t* data;
    size_t size;
    size_t at;
};

// libpng asks for exactly the bytes it needs; asking past the end is an
// error (a cut file), never a read beyond the buffer.
void read_memory(png_structp png, png_bytep out, size_t length) {
    auto* source = static_cast<MemorySource*>(png_get_io_ptr(png));
    if (length > source->size - source->at) png_error(png, "past the end");
    std::memcpy(out, source->data + source->at, length);
    source->at += length;
}

void jump_out(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void ignore_warning(png_structp, png_const_charp) {}

// Everything a decode changes while libpng may jump out of it, off the stack.
struct PngJob {
    png_structp png;
    png_infop info;
    MemorySource source;
    uint8_t* row;        // one decoded row (non-interlaced pictures)
    uint8_t* picture;    // the whole decoded picture (interlaced ones)
    uint8_t* bgr;        // one composited row
};

void end_job(PngJob* job) {
    png_destroy_read_struct(&job->png, &job->info, nullptr);
    std::free(job->row);
    std::free(job->picture);
    std::free(job->bgr);
    std::free(job);
}

// One decoded row (blue, green, red and, with 4 channels, alpha) as 24-bit
// pixels over black, placed upright.
void emit_row(PngJob* job, const Placement& placement, int32_t y, const uint8_t* row, int32_t width, int channels) {
    if (channels == 3) {
        place_row(placement, y, row, width);
        return;
    }
    uint8_t* out = job->bgr;
    for (int32_t x = 0; x < width; ++x, row += 4, out += 3) {
        const uint32_t a = row[3];
        if (a == 255) {
            out[0] = row[0], out[1] = row[1], out[2] = row[2];
        } else {
            out[0] = over_black(row[0], a);
            out[1] = over_black(row[1], a);
            out[2] = over_black(row[2], a);
        }
    }
    place_row(placement, y, job->bgr, width);
}

}  // namespace

bool looks_like_png(const uint8_t* data, size_t size) {
    return data && size >= 8 && std::memcmp(data, "\x89PNG\r\n\x1a\n", 8) == 0;
}

// libpng reports errors by long-jumping back here, so this function holds
// no object with a destructor; its changing state is in the job block.
int32_t decode_png(const uint8_t* data, size_t size, int32_t orientation, MakeTarget make, void* context) {
    if (!looks_like_png(data, size) || !make) return 0;
    auto* job = static_cast<PngJob*>(std::calloc(1, sizeof(PngJob)));
    if (!job) return 0;
    job->source = MemorySource{data, size, 0};
    job->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, jump_out, ignore_warning);
    if (!job->png) {
        std::free(job);
        return 0;
    }
    job->info = png_create_info_struct(job->png);
    if (!job->info || setjmp(png_jmpbuf(job->png))) {
        end_job(job);
        return 0;
    }
    png_structp png = job->png;
    png_infop info = job->info;
    png_set_read_fn(png, &job->source, read_memory);
    // The header is refused above these sides before any row is allocated.
    png_set_user_limits(png, MAX_DECODE_SIDE, MAX_DECODE_SIDE);
    png_read_info(png, info);

    const int32_t width = static_cast<int32_t>(png_get_image_width(png, info));
    const int32_t height = static_cast<int32_t>(png_get_image_height(png, info));
    const int colour_type = png_get_color_type(png, info);
    if (width < 1 || height < 1 || width > MAX_DECODE_SIDE || height > MAX_DECODE_SIDE) png_longjmp(png, 1);
    // Data far too short for the rows claimed (deflate shrinks at most
    // about a thousand times): refused before the picture is made.
    if ((uint64_t{png_get_rowbytes(png, info)} + 1) * static_cast<uint64_t>(height) > uint64_t{size} * PNG_MOST_DEFLATED) {
        end_job(job);
        return PNG_REFUSED;
    }

    png_set_expand(png);  // palette to RGB, grey below 8 bits to 8, tRNS to alpha
    png_set_strip_16(png);
    if (!(colour_type & PNG_COLOR_MASK_COLOR)) png_set_gray_to_rgb(png);
    png_set_bgr(png);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const int channels = png_get_channels(png, info);
    if ((channels != 3 && channels != 4) || png_get_bit_depth(png, info) != 8) png_longjmp(png, 1);
    const size_t row_bytes = static_cast<size_t>(width) * channels;
    if (png_get_rowbytes(png, info) != row_bytes) png_longjmp(png, 1);

    const bool swap = orientation_swaps_sides(orientation);
    DecodeTarget target{};
    if (!make(context, swap ? height : width, swap ? width : height, &target) || !target.top) png_longjmp(png, 1);
    const Placement placement = make_placement(target, orientation, width, height);
    job->bgr = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(width) * 3));
    if (!job->bgr) png_longjmp(png, 1);

    if (passes == 1) {
        job->row = static_cast<uint8_t*>(std::malloc(row_bytes));
        if (!job->row) png_longjmp(png, 1);
        for (int32_t y = 0; y < height; ++y) {
            png_read_row(png, job->row, nullptr);
            emit_row(job, placement, y, job->row, width, channels);
        }
    } else {
        // The passes build each row up bit by bit, so the whole picture is
        // kept until the last one (width and height are at most 32767, so
        // the product fits 64 bits).
        job->picture = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(height), row_bytes));
        if (!job->picture) png_longjmp(png, 1);
        for (int pass = 0; pass < passes; ++pass)
            for (int32_t y = 0; y < height; ++y) png_read_row(png, job->picture + row_bytes * y, nullptr);
        for (int32_t y = 0; y < height; ++y) emit_row(job, placement, y, job->picture + row_bytes * y, width, channels);
    }
    // The platform refuses a file that ends before its IEND chunk.
    png_read_end(png, nullptr);
    end_job(job);
    return 1;
}
