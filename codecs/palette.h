// Palette reduction for output depths of 8 bits or fewer.
//
// reduce_palette computes a palette of 2^depth colours for a picture and
// reducer_row then hands out, one memory row at a time, the packed palette
// indices of that row.  Depth 1 is a fixed black-and-white threshold; every
// other depth trains a small self-organising network of 2^depth neurons on a
// sample of the pixels (alpha included, colours in gamma space) and, on
// request, spreads each pixel's error onto its neighbours (DITHER).
//
// Everything here works on plain memory: pixels (blue, green, red[, alpha])
// at a row pitch, in any memory row order.
#pragma once

#include <cstddef>
#include <cstdint>

// Bit of a save's flags that asks for error-diffusion dithering.
constexpr int32_t DITHER = 0x100;

constexpr int NEUQUANT_MAX_NEURONS = 256;
constexpr int NEUQUANT_RADIUS_POWERS = 32;

struct NeuQuantNet {
    const uint8_t* pixels;   // the reducer's pixels, 4 bytes each
    uint64_t length;         // their length in bytes (width * height * 4)
    uint32_t size;           // number of neurons, 2^depth
    double neurons[NEUQUANT_MAX_NEURONS][4];  // alpha, red, green, blue (colours in gamma space)
    double bias[NEUQUANT_MAX_NEURONS];
    double frequency[NEUQUANT_MAX_NEURONS];
    double radius_power[NEUQUANT_RADIUS_POWERS];
    double gamma_table[256];
    uint8_t search[NEUQUANT_MAX_NEURONS][4];  // blue, green, red, alpha in gamma space, sorted by green
    int32_t green_index[256];                 // where the search for each green value starts
};

struct PaletteReducer {
    uint8_t* pixels;         // 4 bytes per pixel, width * 4 bytes per row, caller's memory row order
    int32_t owns_pixels;     // pixels is our own copy
    int32_t width;
    int32_t height;
    int32_t source_bits;     // 24 or 32
    int32_t depth;           // bits per output index, 1 to 8
    int32_t flags;           // DITHER is the only bit read
    uint8_t* row_buffer;     // width + 8 bytes: the indices of one row, then their packed form
    double gamma;
    int32_t carried_error[4];  // blue, green, red, alpha carried from one dithered row to the next
    uint8_t palette[256][4];   // blue, green, red, alpha; the first 2^depth entries are used
    NeuQuantNet* network;      // none for depth 1
};

// The sampling factor of training: 1 in s pixels is looked at.
int32_t sampling_factor(int64_t width, int64_t height);

// pixels points at the first row in memory; pitch is the distance in bytes
// from one memory row to the next.  Null when the arguments make no picture
// or memory runs out.
PaletteReducer* reduce_palette(const void* pixels, int32_t width, int32_t height, int32_t source_bits,
                               int32_t pitch, int32_t depth, int32_t flags);

// The packed indices of memory row `row` (0 = first row in memory); null for
// a row outside the picture.  The pointer stays valid until the next call.
uint8_t* reducer_row(PaletteReducer* reducer, int32_t row);

void free_reducer(PaletteReducer* reducer);
