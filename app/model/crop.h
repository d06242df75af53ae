// The crop square and the rules of its six step buttons, free of any
// platform call.
#pragma once

#include <cstdint>

// Top-left corner and side length of the square, in source-image pixels.
struct CropSquare {
    int64_t XS;
    int64_t YS;
    int64_t side;
};

enum CropButton { CROP_X_PLUS, CROP_X_MINUS, CROP_Y_PLUS, CROP_Y_MINUS, CROP_XY_PLUS, CROP_XY_MINUS };

struct CropSteps {
    int64_t x, y, xy;
};

// Applies one press to the square of a width x height source: the button's
// bound test, and its move when the test passes.  Returns true when the test
// passed (the square is then to be grabbed again, even for a step of 0).
// The tests are made on the exact values, so steps anywhere in the 64-bit
// range neither overflow nor slip past a bound; a move whose result would
// not fit in 64 bits is refused like any other.
bool press_crop_button(CropSquare* square, int64_t width, int64_t height, const CropSteps& steps,
                       CropButton button);

// The largest square the tool will scale: the largest side of an image (and
// of the grab it stands for).
constexpr int64_t MAX_CROP_SIDE = 32767;

// Whether the square can be scaled from a width x height source as it
// stands.  Steps typed outside the spins' range can make a square of no
// size, one beyond MAX_CROP_SIDE or one at coordinates that do not fit 32
// bits; such a square is shown as a black canvas instead.  Any other square,
// however much of it lies past the source, shows the source with black
// beyond it.
bool crop_square_is_grabbable(const CropSquare& square, int64_t width, int64_t height);

// The square a load starts with: the top-left corner, side the picture's
// shorter side but at most 600.
CropSquare first_square(int64_t width, int64_t height);
// The largest square in the middle of the picture.
CropSquare centred_square(int64_t width, int64_t height);
