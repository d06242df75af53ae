#include "codecs/encoder.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "codecs/file_layer.h"
#include "codecs/palette.h"
#include "codecs/save_file.h"

namespace {

constexpr uint32_t BMP_HEADERS_SIZE = 14 + 40;

inline void put16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

inline void put32(uint8_t* p, uint32_t v) {
    put16(p, v);
    put16(p + 2, v >> 16);
}

// Bytes of one row in the file: the depth's pixels rounded up to 4 bytes.
uint64_t bmp_row_size(int32_t width, int32_t depth) {
    uint64_t w = static_cast<uint64_t>(width);
    uint64_t bytes = 0;
    switch (depth) {
        case 1: bytes = (w + 7) / 8; break;
        case 4: bytes = (w + 1) / 2; break;
        case 8: bytes = w; break;
        case 24: bytes = 3 * w; break;
        case 32: bytes = 4 * w; break;
    }
    bytes = (bytes + 3) & ~uint64_t{3};
    if (depth <= 8 && bytes == 0) bytes = 4;
    return bytes;
}

// One file row from a memory row.  A 32-bit source loses its alpha to the
// white composite at depth 24 and keeps it as stored at depth 32, the same
// bytes the unconverted path writes; a 24-bit source gets a zero fourth byte.
void convert_row(uint8_t* out, const uint8_t* in, int32_t width, int32_t source_depth, int32_t depth) {
    int32_t step = depth / 8;
    for (int32_t x = 0; x < width; ++x, out += step) {
        if (source_depth == 32) {
            const uint8_t* s = in + 4 * static_cast<size_t>(x);
            if (depth == 32) {
                std::memcpy(out, s, 4);
            } else {
                out[0] = over_white(s[0], s[3]);
                out[1] = over_white(s[1], s[3]);
                out[2] = over_white(s[2], s[3]);
            }
        } else {
            const uint8_t* s = in + 3 * static_cast<size_t>(x);
            out[0] = s[0];
            out[1] = s[1];
            out[2] = s[2];
            if (depth == 32) out[3] = 0;
        }
    }
}

int32_t write_converted_rows(int64_t file, const uint8_t* pixels, int32_t width, int32_t height, int32_t pitch,
                             int32_t layout, int32_t source_depth, int32_t depth, uint64_t row_size) {
    auto* row = static_cast<uint8_t*>(std::calloc(1, row_size));
    if (!row) return 0;
    int32_t ok = 1;
    // The file holds the bottom row of the picture first.
    bool bottom_up = (layout & ROWS_BOTTOM_UP) != 0;
    for (int32_t i = 0; i < height && ok; ++i) {
        int64_t memory_row = bottom_up ? i : static_cast<int64_t>(height) - 1 - i;
        const uint8_t* in = pixels + static_cast<ptrdiff_t>(memory_row * pitch);
        convert_row(row, in, width, source_depth, depth);
        ok = write_file(file, row, row_size);
    }
    std::free(row);
    return ok;
}

// The reducer's palette (blue, green, red, reserved 0), then its packed rows,
// the bottom row of the picture first.
int32_t write_palette_rows(int64_t file, PaletteReducer* reducer, int32_t layout, uint64_t entries,
                           uint64_t row_size) {
    uint8_t palette[256 * 4] = {};
    for (uint64_t i = 0; i < entries; ++i) std::memcpy(palette + 4 * i, reducer->palette[i], 3);
    if (!write_file(file, palette, 4 * entries)) return 0;
    bool bottom_up = (layout & ROWS_BOTTOM_UP) != 0;
    for (int32_t i = 0; i < reducer->height; ++i) {
        const uint8_t* row = reducer_row(reducer, bottom_up ? i : reducer->height - 1 - i);
        if (!row || !write_file(file, row, row_size)) return 0;
    }
    return 1;
}

}  // namespace

int32_t write_bmp(const char* file, const uint8_t* pixels, int32_t width, int32_t height, int32_t pitch,
                  int32_t layout, int32_t flags, int32_t depth, int32_t source_depth) {
    if (!file || !*file || !pixels) return 0;
    if (depth != 1 && depth != 4 && depth != 8 && depth != 24 && depth != 32) return 0;
    if (source_depth != 24 && source_depth != 32) return 0;
    if (width <= 0 || height <= 0) return 0;

    uint64_t row_size = bmp_row_size(width, depth);
    uint64_t entries = depth <= 8 ? uint64_t{1} << depth : 0;
    uint64_t offset = BMP_HEADERS_SIZE + 4 * entries;
    uint64_t image_size = row_size * static_cast<uint64_t>(height);  // below 2^31 × 2^34: no wrap
    // Both sizes go into 32-bit header fields; a picture too big for them is refused.
    if (offset + image_size > UINT32_MAX) return 0;

    // Palette output (depths 1, 4 and 8): reduced before any file is made, so
    // a picture the reducer refuses leaves the disk as it was.
    PaletteReducer* reducer = nullptr;
    if (depth <= 8) {
        reducer = reduce_palette(pixels, width, height, source_depth, pitch, depth, flags);
        if (!reducer) return 0;
    }

    uint8_t headers[BMP_HEADERS_SIZE] = {};
    uint8_t* fh = headers;
    fh[0] = 'B';
    fh[1] = 'M';
    put32(fh + 2, static_cast<uint32_t>(offset + image_size));
    put32(fh + 10, static_cast<uint32_t>(offset));
    uint8_t* ih = headers + 14;
    put32(ih + 0, 40);
    put32(ih + 4, static_cast<uint32_t>(width));
    put32(ih + 8, static_cast<uint32_t>(height));
    put16(ih + 12, 1);
    put16(ih + 14, static_cast<uint32_t>(depth));
    put32(ih + 20, static_cast<uint32_t>(image_size));

    TempName temp;
    int64_t out = create_temp_file(file, &temp);
    if (!out) {
        free_reducer(reducer);
        return 0;
    }
    int32_t ok = write_file(out, headers, 14) && write_file(out, headers + 14, 40);
    if (ok && reducer) {
        ok = write_palette_rows(out, reducer, layout, entries, row_size);
    } else if (ok) {
        bool as_stored = source_depth == depth && (layout & ROWS_BOTTOM_UP) && pitch >= 0 &&
                         static_cast<uint64_t>(pitch) == row_size;
        if (as_stored)
            ok = write_file(out, pixels, image_size);
        else
            ok = write_converted_rows(out, pixels, width, height, pitch, layout, source_depth, depth, row_size);
    }
    free_reducer(reducer);
    if (!ok) {
        discard_temp_file(out, &temp);
        return 0;
    }
    return commit_temp_file(out, &temp, file);
}
