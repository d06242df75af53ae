// Composing the cut-out on the two pixel buffers: the background fill and
// the filled circle through which the source shows.
#pragma once

#include <cstdint>

#include "app/model/state.h"

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
// Half widths of the midpoint disc of radius r (0 <= r): entry k is the
// largest i such that pixel (cx + i, cy + k) is in the set; the set holds
// rows cy - r to cy + r and is symmetric about column and row.  The count
// of entries written (r + 1), or 0 when it does not fit in `room`.
int64_t midpoint_half_widths(int64_t r, int64_t* half_width, int64_t room);

// Midpoint filled circle (the set midpoint_half_widths describes); a
// negative radius fills nothing.
void fill_circle(const CutoutCanvas& canvas, int64_t cx, int64_t cy, int64_t r);

// The portable part of a render: fill, then the circle at the centre.
void compose_cutout(const CutoutCanvas& canvas, int64_t colour, int64_t outer_alpha, int64_t radius);
