#include "app/output/cutout.h"

#include <algorithm>

#include "image/drawing.h"

int64_t cutout_fill_word(int64_t colour, int64_t outer_alpha) {
    // rgba puts its first argument in bits 0-7 and its third in bits 16-23,
    // so passing blue first swaps red and blue into the buffer's B, G, R order.
    return rgba(blue(colour), green(colour), red(colour), outer_alpha);
}

void fill_output_buffer(PixelBuffer* output, int64_t colour, int64_t outer_alpha) {
    if (!output) return;
    fill_memory(output, PIXEL_BUFFER_SIZE, cutout_fill_word(colour, outer_alpha), FILL_LONG);
}

void plot_cutout_pixel(const CutoutCanvas& canvas, int64_t x, int64_t y) {
    if (x < 0 || x >= CANVAS_SIZE || y < 0 || y >= CANVAS_SIZE) return;
    if (!canvas.source || !canvas.output) return;
    const int64_t at = x + CANVAS_SIZE * y;
    const int64_t p = canvas.source->words[at];
    // red(p) is the blue byte and blue(p) the red byte: the two swaps cancel
    // and the colour bytes stay as they were; only the alpha is replaced.
    canvas.output->words[at] = static_cast<uint32_t>(rgba(red(p), green(p), blue(p), canvas.inner_alpha));
}

void fill_span(const CutoutCanvas& canvas, int64_t x1, int64_t x2, int64_t y) {
    if (x2 < x1) {
        int64_t t = x1;
        x1 = x2;
        x2 = t;
    }
    if (y < 0 || y >= CANVAS_SIZE || !canvas.source || !canvas.output) return;
    // Pixels off the canvas would be dropped one by one; skip them at once.
    if (x1 < 0) x1 = 0;
    if (x2 > CANVAS_SIZE - 1) x2 = CANVAS_SIZE - 1;
    if (x1 > x2) return;
    // What plot_cutout_pixel writes for each pixel, worked out once per span:
    // rgba(red(p), green(p), blue(p), alpha) keeps p's three colour bytes
    // and puts the alpha's low byte on top.
    const uint32_t alpha = static_cast<uint32_t>(rgba(0, 0, 0, canvas.inner_alpha)) & 0xFF000000u;
    const uint32_t* from = canvas.source->words + CANVAS_SIZE * y;
    uint32_t* to = canvas.output->words + CANVAS_SIZE * y;
    for (int64_t x = x1; x <= x2; ++x) to[x] = (from[x] & 0x00FFFFFFu) | alpha;
}

int64_t midpoint_half_widths(int64_t r, int64_t* half_width, int64_t room) {
    if (r < 0 || !half_width || r >= room) return 0;
    std::fill_n(half_width, r + 1, int64_t{-1});
    // The midpoint loop, keeping the widest span of each row offset.
    int64_t d = 3 - 2 * r, x = r, y = 0;
    while (y <= x) {
        half_width[y] = std::max(half_width[y], x);
        if (d >= 0) half_width[x] = std::max(half_width[x], y);
        if (d < 0) {
            d = d + 4 * y + 6;
        } else {
            d = d + 4 * (y - x) + 10;
            x = x - 1;
        }
        y = y + 1;
    }
    return r + 1;
}

void fill_circle(const CutoutCanvas& canvas, int64_t cx, int64_t cy, int64_t r) {
    if (!canvas.source || !canvas.output || r < 0) return;
    // A centre this far away leaves the canvas untouched at any radius drawn.
    const int64_t far = int64_t{1} << 40;
    if (cx < -far || cx > far || cy < -far || cy > far) return;
    if (r > CUTOUT_FULL_RADIUS) r = CUTOUT_FULL_RADIUS;
    int64_t half[CUTOUT_FULL_RADIUS + 1];
    midpoint_half_widths(r, half, CUTOUT_FULL_RADIUS + 1);
    for (int64_t k = -r; k <= r; ++k) {
        const int64_t w = half[k < 0 ? -k : k];
        if (w >= 0) fill_span(canvas, cx - w, cx + w, cy + k);
    }
}

void compose_cutout(const CutoutCanvas& canvas, int64_t colour, int64_t outer_alpha, int64_t radius) {
    fill_output_buffer(canvas.output, colour, outer_alpha);
    fill_circle(canvas, CUTOUT_CENTRE, CUTOUT_CENTRE, radius);
}
