#include "codecs/png_writer.h"

#include <png.h>

#include <csetjmp>
#include <cstddef>
#include <cstdio>

#include "codecs/encoder.h"
#include "codecs/palette.h"
#include "codecs/save_file.h"

namespace {

EncoderRecord png_record;
bool png_registered = false;

}  // namespace

void register_png_encoder() {
    if (png_registered) return;
    png_registered = true;
    png_record.tag = FORMAT_PNG;
    png_record.write_rgb24 = write_png_rgb;
    png_record.write_rgba32 = write_png_rgba;
    register_encoder(&png_record);
}

int32_t write_png_rgb(const char* file, const uint8_t* pixels, int32_t width, int32_t height, int32_t pitch,
                      int32_t layout, int32_t flags, int32_t depth) {
    return write_png(file, pixels, width, height, pitch, layout, flags, depth, PNG_COLOR_TYPE_RGB);
}

int32_t write_png_rgba(const char* file, const uint8_t* pixels, int32_t width, int32_t height, int32_t pitch,
                       int32_t layout, int32_t flags, int32_t depth) {
    return write_png(file, pixels, width, height, pitch, layout, flags, depth, PNG_COLOR_TYPE_RGB_ALPHA);
}

// libpng reports errors by long-jumping back here, so this function holds no
// object with a destructor, and what it changes after setjmp and reads on the
// failure path is volatile.
int32_t write_png(const char* file, const uint8_t* pixels, int32_t width, int32_t height, int32_t pitch,
                  int32_t layout, int32_t flags, int32_t depth, int32_t colour_type) {
    if (!file || !*file || !pixels) return 0;
    if (colour_type != PNG_COLOR_TYPE_RGB && colour_type != PNG_COLOR_TYPE_RGB_ALPHA) return 0;
    // libpng refuses these sizes too, but the row addresses below must never
    // be formed from them.
    if (width <= 0 || height <= 0) return 0;

    const bool palette_image = depth >= 1 && depth <= 8;

    TempName temp;
    FILE* stream = create_temp_stream(file, &temp);
    if (!stream) return 0;

    // The version we are built against; libpng checks it against its own.
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) {
        discard_temp_stream(stream, &temp);
        return 0;
    }
    png_info* volatile info = nullptr;
    PaletteReducer* volatile reducer = nullptr;
    if (setjmp(png_jmpbuf(png))) {
        png_infop last_info = info;
        png_destroy_write_struct(&png, &last_info);
        free_reducer(reducer);
        discard_temp_stream(stream, &temp);
        return 0;
    }

    png_init_io(png, stream);
    info = png_create_info_struct(png);
    if (!info) png_longjmp(png, 1);  // the failure path, with no message of the library's
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_set_compression_level(png, 9);
    bool bottom_up = (layout & ROWS_BOTTOM_UP) != 0;
    if (palette_image) {
        reducer = reduce_palette(pixels, width, height, colour_type == PNG_COLOR_TYPE_RGB ? 24 : 32, pitch, depth,
                                 flags);
        if (!reducer) png_longjmp(png, 1);  // the failure path, with no message of ours
        // libpng refuses bit depths 3, 5, 6 and 7 here.
        png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), depth,
                     PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
        png_color palette[256];
        const int entries = 1 << depth;
        for (int i = 0; i < entries; ++i) {
            palette[i].red = reducer->palette[i][2];
            palette[i].green = reducer->palette[i][1];
            palette[i].blue = reducer->palette[i][0];
        }
        png_set_PLTE(png, info, palette, entries);
        png_write_info(png, info);
        // Packed rows from the reducer, top row of the picture first.
        for (int32_t y = 0; y < height; ++y) png_write_row(png, reducer_row(reducer, bottom_up ? height - 1 - y : y));
        PaletteReducer* done = reducer;
        reducer = nullptr;
        free_reducer(done);
    } else {
        png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, colour_type,
                     PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
        // Memory holds blue, green, red (alpha); the file wants red first.
        png_set_bgr(png);
        png_write_info(png, info);

        // Rows go to libpng straight from the pixel memory, top row first.
        const uint8_t* row = bottom_up ? pixels + static_cast<ptrdiff_t>((static_cast<int64_t>(height) - 1) * pitch) : pixels;
        ptrdiff_t step = bottom_up ? -static_cast<ptrdiff_t>(pitch) : static_cast<ptrdiff_t>(pitch);
        for (int32_t y = 0; y < height; ++y, row += step) png_write_row(png, row);
    }

    png_write_end(png, info);
    png_infop done_info = info;
    png_destroy_write_struct(&png, &done_info);
    return commit_temp_stream(stream, &temp, file);
}
