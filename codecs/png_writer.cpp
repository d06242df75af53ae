#include "codecs/png_writer.h"

#include <png.h>

#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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

namespace {

// A growing block of memory that libpng writes into.
struct MemorySink {
    uint8_t* data;
    size_t size;
    size_t capacity;
};

void write_to_memory(png_structp png, png_bytep bytes, size_t length) {
    auto* sink = static_cast<MemorySink*>(png_get_io_ptr(png));
    if (length > SIZE_MAX - sink->size) png_error(png, "out of memory");
    if (sink->size + length > sink->capacity) {
        size_t capacity = sink->capacity ? sink->capacity : 65536;
        while (capacity < sink->size + length) {
            if (capacity > SIZE_MAX / 2) png_error(png, "out of memory");
            capacity *= 2;
        }
        auto* grown = static_cast<uint8_t*>(std::realloc(sink->data, capacity));
        if (!grown) png_error(png, "out of memory");
        sink->data = grown;
        sink->capacity = capacity;
    }
    std::memcpy(sink->data + sink->size, bytes, length);
    sink->size += length;
}

void flush_memory(png_structp) {}

// The PNG stream of the pixels, written to the stream when there is one,
// else into the memory sink; 1 when libpng finished it.
//
// libpng reports errors by long-jumping back here, so this function holds no
// object with a destructor, and what it changes after setjmp and reads on the
// failure path is volatile.
int32_t encode_png(FILE* stream, MemorySink* memory, const uint8_t* pixels, int32_t width, int32_t height,
                   int32_t pitch, int32_t layout, int32_t flags, int32_t depth, int32_t colour_type) {
    const bool palette_image = depth >= 1 && depth <= 8;

    // The version we are built against; libpng checks it against its own.
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return 0;
    png_info* volatile info = nullptr;
    PaletteReducer* volatile reducer = nullptr;
    if (setjmp(png_jmpbuf(png))) {
        png_infop last_info = info;
        png_destroy_write_struct(&png, &last_info);
        free_reducer(reducer);
        return 0;
    }

    if (stream)
        png_init_io(png, stream);
    else
        png_set_write_fn(png, memory, write_to_memory, flush_memory);
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
    return 1;
}

bool acceptable(const uint8_t* pixels, int32_t width, int32_t height, int32_t colour_type) {
    if (!pixels) return false;
    if (colour_type != PNG_COLOR_TYPE_RGB && colour_type != PNG_COLOR_TYPE_RGB_ALPHA) return false;
    // libpng refuses these sizes too, but the row addresses must never be
    // formed from them.
    return width > 0 && height > 0;
}

}  // namespace

int32_t write_png(const char* file, const uint8_t* pixels, int32_t width, int32_t height, int32_t pitch,
                  int32_t layout, int32_t flags, int32_t depth, int32_t colour_type) {
    if (!file || !*file || !acceptable(pixels, width, height, colour_type)) return 0;
    TempName temp;
    FILE* stream = create_temp_stream(file, &temp);
    if (!stream) return 0;
    if (!encode_png(stream, nullptr, pixels, width, height, pitch, layout, flags, depth, colour_type)) {
        discard_temp_stream(stream, &temp);
        return 0;
    }
    return commit_temp_stream(stream, &temp, file);
}

uint8_t* write_png_to_memory(size_t* size, const uint8_t* pixels, int32_t width, int32_t height, int32_t pitch,
                             int32_t layout, int32_t flags, int32_t depth, int32_t colour_type) {
    if (!size) return nullptr;
    *size = 0;
    if (!acceptable(pixels, width, height, colour_type)) return nullptr;
    MemorySink sink{nullptr, 0, 0};
    if (!encode_png(nullptr, &sink, pixels, width, height, pitch, layout, flags, depth, colour_type)) {
        std::free(sink.data);
        return nullptr;
    }
    *size = sink.size;
    return sink.data;
}
