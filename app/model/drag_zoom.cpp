#include "app/model/drag_zoom.h"

namespace {

using wide = __int128;

// n / d rounded to nearest, halves away from zero (d > 0).
wide round_div(wide n, wide d) {
    const wide q = ((n < 0 ? -n : n) + d / 2) / d;
    return n < 0 ? -q : q;
}

wide clamp(wide v, wide lo, wide hi) { return v < lo ? lo : v > hi ? hi : v; }

// One axis of a drag: the coordinate moved against the pointer and kept
// inside the picture, or left alone where the square does not fit.
int64_t drag_axis(int64_t start, int64_t d, int64_t side, int64_t extent) {
    if (side > extent) return start;
    const wide moved = static_cast<wide>(start) - round_div(static_cast<wide>(d) * side, CANVAS_SIZE);
    return static_cast<int64_t>(clamp(moved, 0, static_cast<wide>(extent) - side));
}

}  // namespace

CropSquare drag_square(const CropSquare& start, int64_t dx, int64_t dy, int64_t width, int64_t height) {
    if (width < 1 || height < 1 || start.side < 1) return start;
    return CropSquare{drag_axis(start.XS, dx, start.side, width), drag_axis(start.YS, dy, start.side, height),
                      start.side};
}

namespace {

// One notch: the new side, the pointer's picture point kept, the square
// kept inside the picture.  The side is unchanged when a bound is reached.
CropSquare zoom_notch(const CropSquare& square, bool in, wide x, wide y, int64_t width, int64_t height) {
    const wide shorter = width < height ? width : height;
    const wide lo = shorter < ZOOM_MIN_SIDE ? shorter : ZOOM_MIN_SIDE, hi = shorter;
    const wide size = square.side < 0 ? -static_cast<wide>(square.side) : square.side;
    wide change = (size + 5) / 10;
    if (change < 1) change = 1;
    const wide side = clamp(in ? square.side - change : square.side + change, lo, hi);
    if (side == square.side) return square;
    // The pointer's pixel centre (p + 0.5) / 600 of the way across keeps its
    // picture point: XS' = XS + (2p + 1)(side - side') / 1200.
    const wide grow = static_cast<wide>(square.side) - side;
    const wide xs = square.XS + round_div((2 * x + 1) * grow, 2 * CANVAS_SIZE);
    const wide ys = square.YS + round_div((2 * y + 1) * grow, 2 * CANVAS_SIZE);
    return CropSquare{static_cast<int64_t>(clamp(xs, 0, width - side)), static_cast<int64_t>(clamp(ys, 0, height - side)),
                      static_cast<int64_t>(side)};
}

}  // namespace

CropSquare zoom_square(const CropSquare& square, int64_t notches, int64_t px, int64_t py, int64_t width,
                       int64_t height) {
    if (width < 1 || height < 1 || notches == 0) return square;
    const wide x = clamp(px, 0, CANVAS_SIZE - 1), y = clamp(py, 0, CANVAS_SIZE - 1);
    CropSquare result = square;
    // Notch by notch, so that notches taken together give what they give one
    // at a time; once a bound stops the side, the rest change nothing.
    for (wide n = notches < 0 ? -static_cast<wide>(notches) : notches; n > 0; --n) {
        const CropSquare next = zoom_notch(result, notches > 0, x, y, width, height);
        if (next.side == result.side) break;
        result = next;
    }
    return result;
}

CropSquare fit_square(int64_t width, int64_t height) {
    if (width < 1 || height < 1) return CropSquare{0, 0, 0};
    const int64_t side = width < height ? width : height;
    return CropSquare{(width - side) / 2, (height - side) / 2, side};
}
