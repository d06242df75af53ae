#include "app/model/crop.h"

namespace {

using wide = __int128;

bool fits(wide v) { return v >= INT64_MIN && v <= INT64_MAX; }

// Stores v when it fits in 64 bits; otherwise the press is refused.
bool move_to(int64_t* variable, wide v) {
    if (!fits(v)) return false;
    *variable = static_cast<int64_t>(v);
    return true;
}

}  // namespace

bool press_crop_button(CropSquare* square, int64_t width, int64_t height, const CropSteps& steps,
                       CropButton button) {
    const wide xs = square->XS, ys = square->YS, side = square->side;
    switch (button) {
        case CROP_X_PLUS:
            return side + xs + steps.x < width && move_to(&square->XS, xs + steps.x);
        case CROP_X_MINUS:
            return xs - steps.x >= 0 && move_to(&square->XS, xs - steps.x);
        case CROP_Y_PLUS:
            return side + ys + steps.y < height && move_to(&square->YS, ys + steps.y);
        case CROP_Y_MINUS:
            return ys - steps.y >= 0 && move_to(&square->YS, ys - steps.y);
        case CROP_XY_PLUS:
            return xs + side + steps.xy < width && ys + side + steps.xy < height &&
                   move_to(&square->side, side + steps.xy);
        case CROP_XY_MINUS:
            return side - steps.xy > xs && side - steps.xy > ys && move_to(&square->side, side - steps.xy);
    }
    return false;
}

bool crop_square_is_grabbable(const CropSquare& square, int64_t width, int64_t height) {
    // The memory bound: the square is scaled from the source's rows without
    // a copy, so its working memory grows with the side only (a few rows of
    // side pixels, at most 600 x side pixels for 32-bit sources) and stays
    // below 80 MB up to the largest side an image can have.  A square
    // slightly or much larger than the source is shown with black beyond it.
    if (square.side < 1 || square.side > MAX_CROP_SIDE) return false;
    // Corners far enough inside the 32-bit range that corner + side does too.
    const int64_t limit = int64_t{1} << 30;
    return square.XS >= -limit && square.XS <= limit && square.YS >= -limit && square.YS <= limit;
}

CropSquare first_square(int64_t width, int64_t height) {
    const int64_t shorter = width < height ? width : height;
    return CropSquare{0, 0, shorter < 600 ? shorter : 600};
}

CropSquare centred_square(int64_t width, int64_t height) {
    const int64_t shorter = width < height ? width : height;
    return CropSquare{(width - shorter) / 2, (height - shorter) / 2, shorter};
}
