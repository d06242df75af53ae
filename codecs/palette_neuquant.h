// The colour network of palette reduction, used by reduce_palette and
// reducer_row (codecs/palette.cpp).
#pragma once

#include <cstdint>

#include "codecs/palette.h"

constexpr double PALETTE_GAMMA = 1.8;

// Gamma table and the initial neurons: a grey ramp, the first sixteen with
// rising alpha.
void neuquant_setup(NeuQuantNet* net, const uint8_t* pixels, uint64_t length, uint32_t size);

// One learning pass over 1 in `sampling` pixels.
void neuquant_train(NeuQuantNet* net, int32_t sampling);

// Search entries sorted by green (neurons sorted with them) and the green index.
void neuquant_build_search(NeuQuantNet* net);

// The palette from the sorted neurons: blue, green, red, alpha.
void neuquant_palette(const NeuQuantNet* net, uint8_t palette[][4]);

// Index of the palette entry nearest to one pixel.
int32_t neuquant_search(const NeuQuantNet* net, int alpha, int red, int green, int blue);
