// Palette reduction: the reducer's set-up, its rows of packed indices
// (threshold, nearest colour or dithered) and its release.

#include "codecs/palette.h"

#include <cstring>

#include "codecs/palette_neuquant.h"
#include "core/memory.h"

namespace {

constexpr int64_t PIXELS_PER_SAMPLING_STEP = 262144;
constexpr int32_t MAX_SAMPLING_FACTOR = 10;
// The network counts the picture's bytes in 32 bits.
constexpr uint64_t MAX_PIXEL_BYTES = 0xFFFFFFFFu;

uint8_t clamp_byte(int v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); }

uint8_t* memory_row(const PaletteReducer* r, int32_t row) {
    return r->pixels + static_cast<size_t>(row) * static_cast<size_t>(r->width) * 4;
}

// Our own 4-byte copy of the pixels, rows in the caller's memory order.
uint8_t* copy_pixels(const uint8_t* source, int32_t width, int32_t height, int32_t source_bits, int32_t pitch,
                     size_t length) {
    uint8_t* copy = static_cast<uint8_t*>(alloc_memory(length));
    if (!copy) return nullptr;
    const size_t row_bytes = static_cast<size_t>(width) * 4;
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* from = source + static_cast<ptrdiff_t>(y) * pitch;
        uint8_t* to = copy + static_cast<size_t>(y) * row_bytes;
        if (source_bits == 32) {
            std::memcpy(to, from, row_bytes);
            continue;
        }
        for (int32_t x = 0; x < width; ++x, from += 3, to += 4) {
            to[0] = from[0];
            to[1] = from[1];
            to[2] = from[2];
            to[3] = 255;
        }
    }
    return copy;
}

void threshold_row(const PaletteReducer* r, const uint8_t* line, uint8_t* out) {
    for (int32_t x = 0; x < r->width; ++x, line += 4)
        out[x] = 0.2126 * line[2] + 0.7152 * line[1] + 0.0722 * line[0] > 160 ? 1 : 0;
}

void nearest_row(const PaletteReducer* r, const uint8_t* line, uint8_t* out) {
    for (int32_t x = 0; x < r->width; ++x, line += 4)
        out[x] = static_cast<uint8_t>(neuquant_search(r->network, line[3], line[2], line[1], line[0]));
}

// Error diffusion on our own copy: each pixel's error is carried to the next
// pixel and spread into the next memory row, and what is left at the end of
// the row starts the next call.
void dithered_row(PaletteReducer* r, int32_t row, uint8_t* out) {
    uint8_t* line = memory_row(r, row);
    uint8_t* target = row + 1 < r->height ? memory_row(r, row + 1) : line;
    int e[4];
    for (int c = 0; c < 4; ++c) e[c] = r->carried_error[c];

    for (int32_t x = 0; x < r->width; ++x) {
        uint8_t* p = line + 4 * static_cast<size_t>(x);
        uint8_t adjusted[4];
        for (int c = 0; c < 4; ++c) adjusted[c] = clamp_byte(p[c] - e[c]);
        int32_t index = neuquant_search(r->network, adjusted[3], adjusted[2], adjusted[1], adjusted[0]);
        out[x] = static_cast<uint8_t>(index);

        const uint8_t* entry = r->palette[index];
        // Colour errors count less where both the pixel and its entry are
        // nearly transparent.
        int opaque = p[3] > entry[3] ? p[3] : entry[3];
        int u = 255 - (255 - opaque) * (255 - opaque) / 255;
        int fresh[4];
        for (int c = 0; c < 3; ++c) fresh[c] = (entry[c] - p[c]) * u / 255;
        fresh[3] = entry[3] - p[3];
        int limit = 0;
        for (int c = 0; c < 4; ++c) limit += fresh[c] * fresh[c];
        limit *= 2;

        for (int c = 0; c < 4; ++c) e[c] += fresh[c];
        for (;;) {
            int sum = 0;
            bool small = true;
            for (int c = 0; c < 4; ++c) {
                int sq = e[c] * e[c];
                if (sq > 100) small = false;
                sum += sq;
            }
            if (small && sum <= 200 && sum <= limit) break;
            for (int c = 0; c < 4; ++c) e[c] /= 2;
        }

        uint8_t* below = target + 4 * static_cast<size_t>(x);
        for (int c = 0; c < 4; ++c) {
            if (x > 0) below[c - 4] = clamp_byte(below[c - 4] - e[c] * 3 / 16);
            below[c] = clamp_byte(below[c] - e[c] * 5 / 16);
            if (x + 1 < r->width) below[c + 4] = clamp_byte(below[c + 4] - e[c] / 16);
        }
    }
    for (int c = 0; c < 4; ++c) r->carried_error[c] = e[c] * 7 / 16;
}

// Packs the row's indices in place, first pixel in the highest bits; the
// rest of the buffer is cleared so that row padding is zero.
void pack_row(uint8_t* buffer, int32_t width, int32_t depth) {
    const size_t size = static_cast<size_t>(width) + 8;
    std::memset(buffer + width, 0, 8);
    int per_byte = depth == 4 ? 2 : depth == 2 ? 4 : depth == 1 ? 8 : 1;
    if (per_byte == 1) return;
    size_t packed = (static_cast<size_t>(width) + per_byte - 1) / per_byte;
    for (size_t j = 0; j < packed; ++j) {
        const uint8_t* from = buffer + j * per_byte;
        unsigned byte = 0;
        for (int k = 0; k < per_byte; ++k) byte = (byte << depth) | from[k];
        buffer[j] = static_cast<uint8_t>(byte);
    }
    std::memset(buffer + packed, 0, size - packed);
}

}  // namespace

int32_t sampling_factor(int64_t width, int64_t height) {
    if (width <= 0 || height <= 0) return 1;
    int64_t s = 1 + width * height / PIXELS_PER_SAMPLING_STEP;
    return s > MAX_SAMPLING_FACTOR ? MAX_SAMPLING_FACTOR : static_cast<int32_t>(s);
}

PaletteReducer* reduce_palette(const void* pixels, int32_t width, int32_t height, int32_t source_bits,
                               int32_t pitch, int32_t depth, int32_t flags) {
    if (!pixels || width <= 0 || height <= 0 || depth < 1 || depth > 8) return nullptr;
    if (source_bits != 24 && source_bits != 32) return nullptr;
    // Overlapping rows would make no picture.
    const int64_t row_bytes = static_cast<int64_t>(width) * (source_bits / 8);
    if ((pitch < 0 ? -static_cast<int64_t>(pitch) : pitch) < row_bytes) return nullptr;
    size_t count = 0, length = 0;
    if (!multiply_size(static_cast<size_t>(width), static_cast<size_t>(height), &count) ||
        !multiply_size(count, 4, &length) || length > MAX_PIXEL_BYTES)
        return nullptr;

    PaletteReducer* r = static_cast<PaletteReducer*>(runtime_alloc(sizeof(PaletteReducer)));
    if (!r) return nullptr;

    // Dithering writes into the pixels and a 24-bit source needs widening;
    // a 32-bit source whose rows are not packed is copied too, so that the
    // network can step through one contiguous block.
    const uint8_t* source = static_cast<const uint8_t*>(pixels);
    if (source_bits == 24 || (flags & DITHER) || pitch != row_bytes) {
        r->pixels = copy_pixels(source, width, height, source_bits, pitch, length);
        r->owns_pixels = 1;
    } else {
        r->pixels = const_cast<uint8_t*>(source);  // only read
    }
    r->row_buffer = static_cast<uint8_t*>(alloc_memory(static_cast<size_t>(width) + 8));
    if (!r->pixels || !r->row_buffer) {
        free_reducer(r);
        return nullptr;
    }
    r->width = width;
    r->height = height;
    r->source_bits = source_bits;
    r->depth = depth;
    r->flags = flags;
    r->gamma = PALETTE_GAMMA;

    if (depth == 1) {
        // Black and white; the alpha byte stays 0.
        std::memset(r->palette[1], 255, 3);
        return r;
    }

    r->network = static_cast<NeuQuantNet*>(runtime_alloc(sizeof(NeuQuantNet)));
    if (!r->network) {
        free_reducer(r);
        return nullptr;
    }
    neuquant_setup(r->network, r->pixels, length, 1u << depth);
    neuquant_train(r->network, sampling_factor(width, height));
    neuquant_build_search(r->network);
    neuquant_palette(r->network, r->palette);
    return r;
}

uint8_t* reducer_row(PaletteReducer* reducer, int32_t row) {
    if (!reducer || row < 0 || row >= reducer->height) return nullptr;
    uint8_t* out = reducer->row_buffer;
    if (reducer->depth == 1)
        threshold_row(reducer, memory_row(reducer, row), out);
    else if (reducer->flags & DITHER)
        dithered_row(reducer, row, out);
    else
        nearest_row(reducer, memory_row(reducer, row), out);
    pack_row(out, reducer->width, reducer->depth);
    return out;
}

void free_reducer(PaletteReducer* reducer) {
    if (!reducer) return;
    if (reducer->owns_pixels) free_memory(reducer->pixels);
    free_memory(reducer->row_buffer);
    runtime_free(reducer->network);
    runtime_free(reducer);
}
