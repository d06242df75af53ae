// Composing the cut-out on the two pixel buffers: the background fill and
// the filled circle through which the source shows.
#pragma once

#include <cstdint>

#include "app/state.h"

// The circle is centred on canvas pixel (299, 299).
constexpr int64_t CUTOUT_CENTRE = 299;

// From this radius on the circle covers the whole canvas; larger radii are
// drawn as this one, which gives the same picture in bounded time.
constexpr int64_t CUTOUT_FULL_RADIUS = 424;

struct CutoutCanvas {
    const PixelBuffer* source;
    PixelBuffer* output;
    int64_t inner_alpha;
};

// Every output word becomes the background colour (red in bits 0-7 of the
// colour value) with the outer alpha, in the buffer's byte order B, G, R, A.
int64_t cutout_fill_word(int64_t colour, int64_t outer_alpha);
void fill_output_buffer(PixelBuffer* output, int64_t colour, int64_t outer_alpha);

// The rasteriser: the output pixel takes the source pixel's colour bytes and
// the inner alpha.  Pixels off the canvas are dropped.
void plot_cutout_pixel(const CutoutCanvas& canvas, int64_t x, int64_t y);
void fill_span(const CutoutCanvas& canvas, int64_t x1, int64_t x2, int64_t y);
// Midpoint filled circle; a negative radius fills nothing.
void fill_circle(const CutoutCanvas& canvas, int64_t cx, int64_t cy, int64_t r);

// The portable part of a render: fill, then the circle at the centre.
void compose_cutout(const CutoutCanvas& canvas, int64_t colour, int64_t outer_alpha, int64_t radius);
