// The crop buttons on real pictures, pressed through their handler in a
// window like the tool's: the square's state, the status texts and the crop
// image's pixels against the source after each press.
#include <windows.h>

#include <gtest/gtest.h>

#include "app/output/render.h"
#include "app/picture/source.h"
#include "app/shell/picture_view.h"
#include "app_pictures.h"
#include "app_window.h"

using namespace pictures;
using namespace app_window;

namespace {

class Navigation : public WindowedApp {
protected:
    std::string folder = scratch_folder("crop");

    void load(int32_t width, int32_t height) {
        std::string path = folder + std::to_string(width) + "x" + std::to_string(height) + ".png";
        ASSERT_TRUE(write_picture(path, PNG, width, height));
        load_source(path.c_str());
        show_source_size();
        show_crop_square();
        ASSERT_EQ(app.source_width, width);
    }
    // One press through the handler; true when its bound test passed.  The
    // status bar and the left gadget must show the square either way.
    bool press(CropButton button) {
        const int64_t gadgets[] = {w.x_plus, w.x_minus, w.y_plus, w.y_minus, w.xy_plus, w.xy_minus};
        CropSquare expected_square = app.crop;
        const bool passes = press_crop_button(&expected_square, app.source_width, app.source_height,
                                              CropSteps{app.step_x, app.step_y, app.step_xy}, button);
        const int64_t crop = app.crop_image;
        on_crop_button(gadgets[button]);
        EXPECT_EQ(app.crop.XS, expected_square.XS);
        EXPECT_EQ(app.crop.YS, expected_square.YS);
        EXPECT_EQ(app.crop.side, expected_square.side);
        if (!passes) {
            EXPECT_EQ(app.crop_image, crop);
        }
        const std::vector<std::string> expected = {
            "B: " + std::to_string(app.source_width), "H: " + std::to_string(app.source_height),
            "XS: " + std::to_string(app.crop.XS),     "YS: " + std::to_string(app.crop.YS),
            "XE: " + std::to_string(app.crop.side),   "YE: " + std::to_string(app.crop.side)};
        EXPECT_EQ(status_texts(), expected);
        EXPECT_EQ(get_gadget_state(w.left), image_handle(app.crop_image));
        return passes;
    }
    // A 1:1 crop shows the source square exactly (spot checks).
    void expect_unscaled_crop() {
        ASSERT_EQ(app.crop.side, 600);
        for (auto [x, y] : {std::pair{0, 0}, {599, 0}, {0, 599}, {599, 599}, {311, 287}, {20, 580}})
            ASSERT_EQ(colour_at(app.crop_image, x, y), pattern(app.crop.XS + x, app.crop.YS + y))
                << "crop " << x << "," << y << " square at " << app.crop.XS << "," << app.crop.YS;
    }
    // A scaled crop matches the source at canvas points whose source block
    // lies well inside the square.
    void expect_scaled_crop(int tolerance) {
        const int64_t side = app.crop.side;
        ASSERT_EQ(image_width(app.crop_image), 600);
        ASSERT_EQ(image_height(app.crop_image), 600);
        for (int32_t cy = 15; cy < 600; cy += 97)
            for (int32_t cx = 5; cx < 600; cx += 89) {
                int64_t sx = app.crop.XS + (2 * cx + 1) * side / 1200, sy = app.crop.YS + (2 * cy + 1) * side / 1200;
                // Only where the whole neighbourhood is one block.
                bool uniform = pattern(sx, sy) == pattern(sx - 2, sy - 2) && pattern(sx, sy) == pattern(sx + 2, sy + 2);
                if (!uniform || sx >= app.source_width || sy >= app.source_height) continue;
                ASSERT_TRUE(near_colour(colour_at(app.crop_image, cx, cy), pattern(sx, sy), tolerance))
                    << "side " << side << " canvas " << cx << "," << cy;
            }
    }
};

TEST_F(Navigation, MovesAcrossALandscapePicture) {
    load(1000, 700);
    for (int64_t i = 1; i <= 399; ++i) {
        ASSERT_TRUE(press(CROP_X_PLUS));
        ASSERT_EQ(app.crop.XS, i);
        if (i % 19 == 0 || i == 399) expect_unscaled_crop();
    }
    int64_t crop = app.crop_image;
    EXPECT_FALSE(press(CROP_X_PLUS));
    EXPECT_EQ(app.crop.XS, 399);
    EXPECT_EQ(app.crop_image, crop);  // a refused press keeps the crop image

    int64_t presses = 0;
    while (press(CROP_Y_PLUS)) ++presses;
    EXPECT_EQ(presses, 99);
    EXPECT_EQ(app.crop.YS, 99);
    expect_unscaled_crop();
    // The last column and row of the source never enter a moved square.
    EXPECT_EQ(app.crop.XS + app.crop.side, 999);

    // Back to 5: X- with step 10 is refused, with step 5 reaches 0.
    app.step_x = 394;
    ASSERT_TRUE(press(CROP_X_MINUS));
    ASSERT_EQ(app.crop.XS, 5);
    app.step_x = 10;
    EXPECT_FALSE(press(CROP_X_MINUS));
    EXPECT_EQ(app.crop.XS, 5);
    app.step_x = 5;
    EXPECT_TRUE(press(CROP_X_MINUS));
    EXPECT_EQ(app.crop.XS, 0);
    expect_unscaled_crop();
}

TEST_F(Navigation, GrowsAndShrinksTheSquare) {
    load(1000, 700);
    for (int64_t side = 601; side <= 699; ++side) {
        ASSERT_TRUE(press(CROP_XY_PLUS));
        ASSERT_EQ(app.crop.side, side);
        if (side % 33 == 0) expect_scaled_crop(3);
    }
    EXPECT_FALSE(press(CROP_XY_PLUS));
    EXPECT_EQ(app.crop.side, 699);
    expect_scaled_crop(3);

    load(1000, 700);
    for (int64_t side = 599; side >= 1; --side) {
        ASSERT_TRUE(press(CROP_XY_MINUS));
        ASSERT_EQ(app.crop.side, side);
        if (side % 97 == 0) expect_scaled_crop(3);
    }
    EXPECT_FALSE(press(CROP_XY_MINUS));
    EXPECT_EQ(app.crop.side, 1);
    // One source pixel fills the canvas.
    for (int32_t p = 0; p < 600; p += 53) EXPECT_EQ(colour_at(app.crop_image, p, 599 - p), pattern(0, 0));
}

TEST_F(Navigation, SmallPictureStepZeroAndNothingLoaded) {
    // Nothing loaded: every press is refused and no crop appears.
    for (CropButton b : {CROP_X_PLUS, CROP_X_MINUS, CROP_Y_PLUS, CROP_Y_MINUS, CROP_XY_PLUS, CROP_XY_MINUS})
        EXPECT_FALSE(apply_crop_press(b));
    EXPECT_EQ(app.crop_image, 0);

    load(400, 300);
    EXPECT_EQ(app.crop.side, 300);
    expect_scaled_crop(3);
    int64_t presses = 0;
    while (press(CROP_X_PLUS)) ++presses;
    EXPECT_EQ(presses, 99);
    EXPECT_EQ(app.crop.XS, 99);
    EXPECT_FALSE(press(CROP_Y_PLUS));
    EXPECT_EQ(app.crop.YS, 0);
    expect_scaled_crop(3);

    // Step 0 passes the tests not already at their bound and grabs the
    // same square again.
    app.step_x = app.step_y = app.step_xy = 0;
    EXPECT_FALSE(press(CROP_Y_PLUS));  // 300 + 0 + 0 < 300 fails
    EXPECT_FALSE(press(CROP_XY_PLUS));
    for (CropButton b : {CROP_X_PLUS, CROP_X_MINUS, CROP_Y_MINUS, CROP_XY_MINUS}) {
        EXPECT_TRUE(press(b));
        EXPECT_EQ(app.crop.XS, 99);
        EXPECT_EQ(app.crop.YS, 0);
        EXPECT_EQ(app.crop.side, 300);
    }
    expect_scaled_crop(3);
}

TEST_F(Navigation, TypedStepsOutsideTheRangeKeepTheToolWorking) {
    load(1000, 700);
    // A negative step moves the square past the left edge: black shows there.
    app.step_x = -100;
    ASSERT_TRUE(press(CROP_X_PLUS));
    EXPECT_EQ(app.crop.XS, -100);
    EXPECT_EQ(colour_at(app.crop_image, 50, 50), 0u);
    EXPECT_EQ(colour_at(app.crop_image, 150, 50), pattern(50, 50));

    // A square far larger than the source becomes a black canvas, not a
    // giant bitmap.
    app.step_xy = -1000000000;
    ASSERT_TRUE(press(CROP_XY_MINUS));
    EXPECT_EQ(app.crop.side, 1000000600);
    EXPECT_EQ(image_width(app.crop_image), 600);
    EXPECT_EQ(colour_at(app.crop_image, 300, 300), 0u);
    render_output_image(0xFFFFFF);
    EXPECT_EQ(colour_at(app.output_image, 299, 299), 0u);
    EXPECT_EQ(colour_at(app.output_image, 0, 0), 0xFFFFFFu);

    // Huge steps are refused without wrapping.
    app.step_x = app.step_y = app.step_xy = INT64_MAX;
    app.crop = CropSquare{0, 0, 600};
    show_crop_square();
    for (CropButton b : {CROP_X_PLUS, CROP_X_MINUS, CROP_Y_PLUS, CROP_Y_MINUS, CROP_XY_PLUS, CROP_XY_MINUS})
        EXPECT_FALSE(press(b)) << b;
    app.step_x = INT64_MIN;
    EXPECT_TRUE(press(CROP_X_PLUS));
    EXPECT_EQ(app.crop.XS, INT64_MIN);
    EXPECT_EQ(colour_at(app.crop_image, 0, 0), 0u);
    render_output_image(0);
}

}  // namespace
