#include "app/model/crop.h"

#include <gtest/gtest.h>

namespace {

// Presses one button until it is refused; returns the number of accepted presses.
int64_t press_until_refused(CropSquare* s, int64_t w, int64_t h, CropSteps steps, CropButton b, int64_t limit = 100000) {
    int64_t n = 0;
    while (n < limit && press_crop_button(s, w, h, steps, b)) ++n;
    return n;
}

const CropSteps ONES{1, 1, 1};

TEST(CropButtons, MovesWithinALandscapeSource) {
    CropSquare s{0, 0, 600};
    EXPECT_EQ(press_until_refused(&s, 1000, 700, ONES, CROP_X_PLUS), 399);
    EXPECT_EQ(s.XS, 399);
    EXPECT_EQ(press_until_refused(&s, 1000, 700, ONES, CROP_Y_PLUS), 99);
    EXPECT_EQ(s.YS, 99);
    EXPECT_EQ(press_until_refused(&s, 1000, 700, ONES, CROP_X_MINUS), 399);
    EXPECT_EQ(press_until_refused(&s, 1000, 700, ONES, CROP_Y_MINUS), 99);
    EXPECT_EQ(s.XS, 0);
    EXPECT_EQ(s.YS, 0);
    EXPECT_EQ(s.side, 600);

    // A move that would pass an edge is refused, not shortened.
    s = {5, 0, 600};
    EXPECT_FALSE(press_crop_button(&s, 1000, 700, {10, 1, 1}, CROP_X_MINUS));
    EXPECT_EQ(s.XS, 5);
    EXPECT_TRUE(press_crop_button(&s, 1000, 700, {5, 1, 1}, CROP_X_MINUS));
    EXPECT_EQ(s.XS, 0);
    s = {390, 0, 600};
    EXPECT_FALSE(press_crop_button(&s, 1000, 700, {10, 1, 1}, CROP_X_PLUS));
    EXPECT_TRUE(press_crop_button(&s, 1000, 700, {9, 1, 1}, CROP_X_PLUS));
    EXPECT_EQ(s.XS, 399);
}

TEST(CropButtons, GrowAndShrink) {
    CropSquare s{0, 0, 600};
    EXPECT_EQ(press_until_refused(&s, 1000, 700, ONES, CROP_XY_PLUS), 99);
    EXPECT_EQ(s.side, 699);
    s = {100, 0, 600};
    EXPECT_EQ(press_until_refused(&s, 1000, 2000, ONES, CROP_XY_PLUS), 299);
    EXPECT_EQ(s.side, 899);

    s = {0, 0, 600};
    EXPECT_EQ(press_until_refused(&s, 1000, 700, ONES, CROP_XY_MINUS), 599);
    EXPECT_EQ(s.side, 1);
    s = {300, 0, 600};
    press_until_refused(&s, 1000, 700, ONES, CROP_XY_MINUS);
    EXPECT_EQ(s.side, 301);
    s = {0, 50, 600};
    press_until_refused(&s, 1000, 700, {1, 1, 7}, CROP_XY_MINUS);
    EXPECT_EQ(s.side, 54);  // 600 - 78 * 7; one more step would reach 47, not above 50
}

TEST(CropButtons, SmallSourceAndNothingLoaded) {
    CropSquare s{0, 0, 300};
    EXPECT_EQ(press_until_refused(&s, 400, 300, ONES, CROP_X_PLUS), 99);
    EXPECT_EQ(s.XS, 99);
    EXPECT_FALSE(press_crop_button(&s, 400, 300, ONES, CROP_Y_PLUS));
    EXPECT_FALSE(press_crop_button(&s, 400, 300, ONES, CROP_XY_PLUS));

    // Before any load every test fails with steps of 1 or more.
    for (CropButton b : {CROP_X_PLUS, CROP_X_MINUS, CROP_Y_PLUS, CROP_Y_MINUS, CROP_XY_PLUS, CROP_XY_MINUS}) {
        CropSquare none{0, 0, 0};
        EXPECT_FALSE(press_crop_button(&none, 0, 0, {3, 3, 3}, b)) << b;
        EXPECT_EQ(none.XS + none.YS + none.side, 0);
    }
}

TEST(CropButtons, StepZeroPassesWithoutChange) {
    CropSquare s{10, 20, 500};
    for (CropButton b : {CROP_X_PLUS, CROP_X_MINUS, CROP_Y_PLUS, CROP_Y_MINUS, CROP_XY_PLUS, CROP_XY_MINUS})
        EXPECT_TRUE(press_crop_button(&s, 1000, 700, {0, 0, 0}, b)) << b;
    EXPECT_EQ(s.XS, 10);
    EXPECT_EQ(s.YS, 20);
    EXPECT_EQ(s.side, 500);
}

TEST(CropButtons, HugeAndNegativeStepsNeverWrap) {
    CropSquare s{0, 0, 600};
    // In wrapping arithmetic 600 + INT64_MAX would turn negative and pass.
    EXPECT_FALSE(press_crop_button(&s, 1000, 700, {INT64_MAX, INT64_MAX, INT64_MAX}, CROP_X_PLUS));
    EXPECT_FALSE(press_crop_button(&s, 1000, 700, {INT64_MAX, INT64_MAX, INT64_MAX}, CROP_Y_PLUS));
    EXPECT_FALSE(press_crop_button(&s, 1000, 700, {INT64_MAX, INT64_MAX, INT64_MAX}, CROP_XY_PLUS));
    EXPECT_FALSE(press_crop_button(&s, 1000, 700, {INT64_MAX, INT64_MAX, INT64_MAX}, CROP_X_MINUS));
    EXPECT_FALSE(press_crop_button(&s, 1000, 700, {INT64_MAX, INT64_MAX, INT64_MAX}, CROP_XY_MINUS));
    EXPECT_EQ(s.XS, 0);
    EXPECT_EQ(s.side, 600);

    // A negative step turns the move around, as the tests allow.
    EXPECT_TRUE(press_crop_button(&s, 1000, 700, {-5, 1, 1}, CROP_X_PLUS));
    EXPECT_EQ(s.XS, -5);
    EXPECT_TRUE(press_crop_button(&s, 1000, 700, {-5, 1, 1}, CROP_X_MINUS));
    EXPECT_EQ(s.XS, 0);
    EXPECT_TRUE(press_crop_button(&s, 1000, 700, {1, 1, -100}, CROP_XY_MINUS));
    EXPECT_EQ(s.side, 700);

    // Moves whose result leaves the 64-bit range are refused.
    s = {0, 0, 600};
    EXPECT_TRUE(press_crop_button(&s, 1000, 700, {INT64_MIN, 1, 1}, CROP_X_PLUS));
    EXPECT_EQ(s.XS, INT64_MIN);
    EXPECT_FALSE(press_crop_button(&s, 1000, 700, {INT64_MIN, 1, 1}, CROP_X_PLUS));
    EXPECT_FALSE(press_crop_button(&s, 1000, 700, {1, 1, 1}, CROP_X_MINUS));
    EXPECT_EQ(s.XS, INT64_MIN);
    s = {0, 0, 600};
    EXPECT_FALSE(press_crop_button(&s, 1000, 700, {INT64_MIN, 1, 1}, CROP_X_MINUS));  // 0 + 2^63
    EXPECT_TRUE(press_crop_button(&s, 1000, 700, {1, 1, INT64_MIN + 601}, CROP_XY_MINUS));
    EXPECT_EQ(s.side, INT64_MAX);
    EXPECT_FALSE(press_crop_button(&s, 1000, 700, {1, 1, -1}, CROP_XY_MINUS));
    EXPECT_FALSE(press_crop_button(&s, 1000, 700, ONES, CROP_XY_PLUS));
    EXPECT_EQ(s.side, INT64_MAX);
}

TEST(CropButtons, WhichSquaresAreGrabbed) {
    EXPECT_TRUE(crop_square_is_grabbable({0, 0, 600}, 1000, 700));
    EXPECT_TRUE(crop_square_is_grabbable({0, 0, 1}, 1000, 700));
    EXPECT_TRUE(crop_square_is_grabbable({0, 0, 600}, 600, 600));
    EXPECT_TRUE(crop_square_is_grabbable({0, 0, 2399}, 3840, 2400));
    // Partly outside the source: the grab shows black there.
    EXPECT_TRUE(crop_square_is_grabbable({-50, 20, 700}, 1000, 700));
    EXPECT_TRUE(crop_square_is_grabbable({0, 0, 600}, 400, 300));
    // Larger than the source, slightly or by far: the source with black
    // beyond it (the scaling needs no copy of the square).
    EXPECT_TRUE(crop_square_is_grabbable({0, 0, 900}, 1000, 700));
    EXPECT_TRUE(crop_square_is_grabbable({0, 0, 5000}, 1000, 700));
    EXPECT_TRUE(crop_square_is_grabbable({-20000, 0, 32767}, 1, 1));
    // Squares no image can hold.
    EXPECT_FALSE(crop_square_is_grabbable({0, 0, 0}, 1000, 700));
    EXPECT_FALSE(crop_square_is_grabbable({0, 0, -5}, 1000, 700));
    EXPECT_FALSE(crop_square_is_grabbable({0, 0, INT64_MAX}, 1000, 700));
    EXPECT_FALSE(crop_square_is_grabbable({0, 0, 32768}, 32767, 32767));
    EXPECT_FALSE(crop_square_is_grabbable({INT64_MIN, 0, 600}, 1000, 700));
    EXPECT_FALSE(crop_square_is_grabbable({0, int64_t{1} << 40, 600}, 1000, 700));
}

}  // namespace
