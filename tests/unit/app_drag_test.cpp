// The drag, wheel and double-click arithmetic of the crop square: the
// picture following the pointer, clamping per axis, the zoom's fixed point
// and bounds, tiny and one-pixel-wide pictures, and typed 64-bit extremes.
#include "app/model/drag_zoom.h"

#include <gtest/gtest.h>

namespace {

bool same(const CropSquare& a, const CropSquare& b) { return a.XS == b.XS && a.YS == b.YS && a.side == b.side; }

#define EXPECT_SQUARE(actual, want_xs, want_ys, want_side)                   \
    do {                                                                     \
        const CropSquare got = (actual);                                     \
        EXPECT_TRUE(same(got, CropSquare{want_xs, want_ys, want_side}))      \
            << "got " << got.XS << ", " << got.YS << ", " << got.side;       \
    } while (0)

TEST(Drag, ThePictureFollowsThePointerMeasuredFromThePress) {
    const CropSquare start{1000, 500, 1200};  // 2 source pixels per screen pixel
    EXPECT_SQUARE(drag_square(start, 0, 0, 3840, 2400), 1000, 500, 1200);
    EXPECT_SQUARE(drag_square(start, 100, 0, 3840, 2400), 800, 500, 1200);  // pointer right: square left
    EXPECT_SQUARE(drag_square(start, -100, 30, 3840, 2400), 1200, 440, 1200);
    // Side 900: 1.5 source pixels per screen pixel, halves away from zero,
    // always from the start: 1 -> 2, 2 -> 3 (not 2 + 2), -1 -> -2.
    const CropSquare odd{1000, 500, 900};
    EXPECT_SQUARE(drag_square(odd, 1, 0, 3840, 2400), 998, 500, 900);
    EXPECT_SQUARE(drag_square(odd, 2, 0, 3840, 2400), 997, 500, 900);
    EXPECT_SQUARE(drag_square(odd, -1, -3, 3840, 2400), 1002, 505, 900);
    // Side 1: a screen pixel is 1/600 of a source pixel; 300 rounds up.
    EXPECT_SQUARE(drag_square({10, 10, 1}, 299, -300, 100, 100), 10, 11, 1);
}

TEST(Drag, ClampsEachAxisWhereTheSquareFitsAndLeavesTheOtherAlone) {
    EXPECT_SQUARE(drag_square({100, 50, 600}, 1000, 1000, 1000, 700), 0, 0, 600);
    EXPECT_SQUARE(drag_square({100, 50, 600}, -1000, -1000, 1000, 700), 400, 100, 600);
    // 900 fits across 1000 but not down 700: y stays, even past the edge.
    EXPECT_SQUARE(drag_square({50, -30, 900}, -600, -600, 1000, 700), 100, -30, 900);
    // A square that fits but was typed outside comes back in on the first move.
    EXPECT_SQUARE(drag_square({-250, 9000, 300}, 1, 0, 1000, 700), 0, 400, 300);
    // Wider than the picture on both axes: nothing moves.
    EXPECT_SQUARE(drag_square({-5, -5, 5000}, 300, 300, 1000, 700), -5, -5, 5000);
    // Tiny and one-pixel-wide pictures.
    EXPECT_SQUARE(drag_square({0, 0, 1}, -600 * 7, -600 * 7, 1, 5), 0, 4, 1);
    EXPECT_SQUARE(drag_square({0, 3, 1}, 0, 601, 1, 5), 0, 2, 1);
    EXPECT_SQUARE(drag_square({0, 0, 1}, 600, 600, 1, 1), 0, 0, 1);
    // No picture, or no square: nothing happens.
    EXPECT_SQUARE(drag_square({3, 4, 600}, 100, 100, 0, 0), 3, 4, 600);
    EXPECT_SQUARE(drag_square({3, 4, 0}, 100, 100, 1000, 700), 3, 4, 0);
    EXPECT_SQUARE(drag_square({3, 4, -9}, 100, 100, 1000, 700), 3, 4, -9);
}

TEST(Drag, TypedExtremesNeverOverflow) {
    const int64_t big = INT64_MAX, small = INT64_MIN;
    EXPECT_SQUARE(drag_square({small, big, 600}, INT32_MAX, INT32_MIN, 1000, 700), 0, 100, 600);
    EXPECT_SQUARE(drag_square({big, small, 600}, INT64_MIN, INT64_MAX, 1000, 700), 400, 0, 600);
    EXPECT_SQUARE(drag_square({small, big, big}, INT64_MAX, INT64_MAX, 1000, 700), small, big, big);
    EXPECT_SQUARE(drag_square({0, 0, 700}, INT64_MIN, INT64_MIN, big, big), big - 700, big - 700, 700);
}

TEST(Zoom, EachNotchIsTenPercentAroundThePointer) {
    // Away from the user zooms in: 600 -> 540; the pointer's picture point
    // (XS + (p + 0.5) side / 600) stays put.
    EXPECT_SQUARE(zoom_square({200, 100, 600}, 1, 0, 0, 3840, 2400), 200, 100, 540);
    EXPECT_SQUARE(zoom_square({200, 100, 600}, 1, 599, 599, 3840, 2400), 260, 160, 540);
    EXPECT_SQUARE(zoom_square({200, 100, 600}, 1, 300, 150, 3840, 2400), 230, 115, 540);
    EXPECT_SQUARE(zoom_square({200, 100, 600}, -1, 300, 150, 3840, 2400), 170, 85, 660);
    for (int64_t p : {0, 1, 77, 299, 450, 599}) {
        const CropSquare before{1000, 700, 1234};
        const CropSquare after = zoom_square(before, -2, p, 599 - p, 3840, 2400);
        const double x0 = before.XS + (p + 0.5) * before.side / 600.0, x1 = after.XS + (p + 0.5) * after.side / 600.0;
        const double y0 = before.YS + (599 - p + 0.5) * before.side / 600.0;
        const double y1 = after.YS + (599 - p + 0.5) * after.side / 600.0;
        EXPECT_NEAR(x1, x0, 0.5 + after.side / 1200.0) << p;
        EXPECT_NEAR(y1, y0, 0.5 + after.side / 1200.0) << p;
    }
    // Rounded: 1234 -> 1234 - 123 = 1111; 1235 -> 1235 - 124 (123.5 up).
    EXPECT_EQ(zoom_square({0, 0, 1234}, 1, 0, 0, 3840, 2400).side, 1111);
    EXPECT_EQ(zoom_square({0, 0, 1235}, 1, 0, 0, 3840, 2400).side, 1111);
    // Several notches at once are one each.
    EXPECT_EQ(zoom_square({0, 0, 1000}, 3, 0, 0, 3840, 2400).side, 729);
    EXPECT_EQ(zoom_square({0, 0, 1000}, -3, 0, 0, 3840, 2400).side, 1331);
    const CropSquare three = zoom_square({901, 333, 1000}, -3, 123, 456, 3840, 2400);
    CropSquare one_by_one{901, 333, 1000};
    for (int i = 0; i < 3; ++i) one_by_one = zoom_square(one_by_one, -1, 123, 456, 3840, 2400);
    EXPECT_TRUE(same(three, one_by_one));
    EXPECT_SQUARE(zoom_square({5, 6, 1000}, 0, 0, 0, 3840, 2400), 5, 6, 1000);
}

TEST(Zoom, StaysWithinItsBoundsAndThePicture) {
    // Up to the shorter side, then kept inside the picture.
    EXPECT_SQUARE(zoom_square({350, 50, 650}, -1, 599, 599, 1000, 700), 300, 0, 700);
    EXPECT_SQUARE(zoom_square({300, 0, 700}, -1, 0, 0, 1000, 700), 300, 0, 700);  // at the top: unchanged
    // Down to 16, with at least one pixel of change.
    EXPECT_EQ(zoom_square({0, 0, 17}, 1, 0, 0, 1000, 700).side, 16);
    EXPECT_SQUARE(zoom_square({7, 7, 16}, 5, 0, 0, 1000, 700), 7, 7, 16);
    EXPECT_EQ(zoom_square({0, 0, 16}, -1, 0, 0, 1000, 700).side, 18);
    EXPECT_EQ(zoom_square({0, 0, 16}, -1000000, 0, 0, 1000, 700).side, 700);
    // Pictures shorter than 16: the side is the shorter side.
    EXPECT_SQUARE(zoom_square({0, 0, 3}, 1, 0, 0, 10, 8), 0, 0, 8);
    EXPECT_SQUARE(zoom_square({0, 0, 1}, -1, 300, 300, 1, 5), 0, 0, 1);  // already the only size
    EXPECT_SQUARE(zoom_square({0, 0, 600}, 1, 300, 300, 1, 5), 0, 4, 1);
    // A square typed outside the bounds comes into them at the first notch.
    EXPECT_SQUARE(zoom_square({-5000, 40, 5000}, 1, 0, 0, 1000, 700), 0, 0, 700);
    EXPECT_EQ(zoom_square({0, 0, -40}, -1, 0, 0, 1000, 700).side, 16);
    // No picture: nothing happens.
    EXPECT_SQUARE(zoom_square({1, 2, 600}, 1, 0, 0, 0, 0), 1, 2, 600);
}

TEST(Zoom, TypedExtremesNeverOverflow) {
    const int64_t big = INT64_MAX, small = INT64_MIN;
    EXPECT_SQUARE(zoom_square({small, big, big}, 1, 599, 0, 1000, 700), 0, 0, 700);
    EXPECT_SQUARE(zoom_square({big, small, small}, -1, 0, 599, 1000, 700), 984, 0, 16);  // a negative side grows to 16
    EXPECT_SQUARE(zoom_square({big, big, big}, INT64_MIN, big, small, 1000, 700), 300, 0, 700);
    EXPECT_EQ(zoom_square({0, 0, 600}, INT64_MAX, 0, 0, big, big).side, 16);
}

TEST(Fit, TheLargestSquareCentred) {
    EXPECT_SQUARE(fit_square(1000, 700), 150, 0, 700);
    EXPECT_SQUARE(fit_square(700, 1001), 0, 150, 700);
    EXPECT_SQUARE(fit_square(3840, 2400), 720, 0, 2400);
    EXPECT_SQUARE(fit_square(1, 5), 0, 2, 1);
    EXPECT_SQUARE(fit_square(7, 7), 0, 0, 7);
    EXPECT_SQUARE(fit_square(0, 7), 0, 0, 0);
}

}  // namespace
