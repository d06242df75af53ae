// The disc of the cut-out drawn on any square canvas, with either edge:
// the stair-stepped midpoint set the preview has always shown, or the
// smooth edge, where each boundary pixel mixes inside and outside by the
// share of its area the disc covers.
//
// Canvas coordinates: pixel (x, y) is the unit square [x, x+1] x [y, y+1],
// row 0 at the top.
#pragma once

#include <cstddef>
#include <cstdint>

#include "app/output/cutout.h"

// The pixels a disc is drawn on: 32-bit output words (B, G, R, A) and a
// source of 3 or 4 bytes per pixel (B, G, R, and an alpha that is never
// read).  Steps are the byte distance from a row to the one below it,
// negative for memory that holds the bottom row first.
struct DiscPixels {
    const uint8_t* source;  // the top row
    ptrdiff_t source_step;
    int32_t source_bytes;   // 3 or 4
    uint8_t* output;        // the top row
    ptrdiff_t output_step;
    int64_t size;           // the canvas is size x size
};

// The preview's two buffers as such a canvas.
DiscPixels buffer_pixels(const CutoutCanvas& canvas);

// Every output word becomes `word` (the background with its alpha).
void fill_disc_background(const DiscPixels& pixels, uint32_t word);

// The midpoint disc centred on pixel (cx, cy): its pixels take the source's
// colour bytes and the inner alpha.  The same pixels fill_circle fills on
// the 600 x 600 buffers; a negative radius draws nothing.  Doubled, the
// disc is centred on the corner after that pixel instead: each quarter of
// it is the midpoint disc's, the right and lower halves one pixel further.
void draw_hard_disc(const DiscPixels& pixels, int64_t cx, int64_t cy, int64_t r, int64_t inner_alpha,
                    bool doubled = false);

// Area of the disc (centre cx, cy, radius r, in canvas units) inside pixel
// (x, y): 0 outside, 1 inside, the exact area between.
double disc_coverage(double cx, double cy, double r, int64_t x, int64_t y);

// The smooth disc that stands for midpoint radius r: the same centre and
// radius r + an offset near SMOOTH_RADIUS_OFFSET, chosen for each radius
// below CUTOUT_FULL_RADIUS so that the pixels the disc covers at least half
// are the midpoint set as nearly as any disc's are.  (A single offset for
// all radii, 0.45 at best, leaves 70 % more pixels different.)
constexpr double SMOOTH_RADIUS_OFFSET = 0.45;
double smooth_disc_radius(int64_t r);

// Coverage as a whole-number weight out of EDGE_WEIGHT_ONE.
constexpr int64_t EDGE_WEIGHT_ONE = 4096;

// One edge pixel, mixed in premultiplied form: alpha = c*inner + (1-c)*outer
// and colour = (c*inner*source + (1-c)*outer*background) / alpha, so a
// transparent side lends no colour.  When both alphas are 0 the colours mix
// plainly by c.  `source` and `background` are B, G, R words (their top
// byte is ignored); the result is a B, G, R, A word.
uint32_t mix_edge_pixel(uint32_t source, uint32_t background, int64_t inner_alpha, int64_t outer_alpha,
                        int64_t weight);

// The smooth disc on a canvas already filled with `background` (its word,
// with the outer alpha in the top byte): pixels wholly inside take the
// source's colour bytes and the inner alpha, boundary pixels the mix.
void draw_smooth_disc(const DiscPixels& pixels, double cx, double cy, double r, int64_t inner_alpha,
                      uint32_t background);

// Every pixel of the canvas as the disc's inside (the source's colour bytes
// with the inner alpha): what any radius of CUTOUT_FULL_RADIUS or more
// gives on the 600 x 600 canvas.
void draw_whole_canvas(const DiscPixels& pixels, int64_t inner_alpha);

// The preview's circle after the background fill: the midpoint disc when
// `smooth` is 0 (fill_circle itself, so today's pixels), else the smooth
// disc of the same radius.
void draw_cutout_circle(const CutoutCanvas& canvas, int64_t radius, int64_t colour, int64_t outer_alpha,
                        int64_t smooth);
