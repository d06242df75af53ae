// Moving and zooming the crop square with the pointer over the left picture,
// which shows the square scaled to 600 x 600 pixels: the arithmetic, free of
// any platform call.  Squares come as typed steps left them, anywhere in the
// 64-bit range; every result is computed exactly and never overflows.
#pragma once

#include <cstdint>

#include "app/model/crop.h"
#include "app/model/state.h"

// The smallest side the wheel zooms to (or the picture's shorter side, when
// that is smaller); the largest is the shorter side.
constexpr int64_t ZOOM_MIN_SIDE = 16;

// The square after a drag whose pointer is (dx, dy) pixels of the left
// picture away from where it was pressed, with `start` the square at the
// press: the picture follows the pointer, so the square moves the other way
// by round(d x side / 600) source pixels (halves away from zero), measured
// from the start so that no rounding piles up.  On each axis where the square
// fits the picture it is then kept inside it; on an axis where it does not
// (only typed steps make such squares) its coordinate stays.  Without a
// picture or with a side below 1 the square stays as it is.
CropSquare drag_square(const CropSquare& start, int64_t dx, int64_t dy, int64_t width, int64_t height);

// The square after `notches` wheel notches (positive: turned away from the
// user, which zooms in: the side shrinks; negative: it grows) with the
// pointer at (px, py) of the left picture.  Each notch changes the side by
// 10 % (rounded, at least 1 pixel) within min(ZOOM_MIN_SIDE, shorter side)
// .. shorter side; the picture point under the pointer stays under it as
// nearly as whole pixels allow, and the square is then kept inside the
// picture.  A square whose side does not change stays as it is.
CropSquare zoom_square(const CropSquare& square, int64_t notches, int64_t px, int64_t py, int64_t width,
                       int64_t height);

// The largest square that fits the picture, centred (a remainder of one
// pixel goes to the right and bottom); {0, 0, 0} without a picture.
CropSquare fit_square(int64_t width, int64_t height);
