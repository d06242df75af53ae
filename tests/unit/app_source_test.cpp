// The source and crop handling over the image library, portable: the load
// fallback and crop presses of every kind, checked under the sanitizers.
#include "app/picture/source.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "app/model/state.h"
#include "app/picture/gdiplus_codes.h"
#include "core/memory.h"
#include "image/image.h"

namespace {

uint32_t colour(int32_t x, int32_t y) { return static_cast<uint32_t>(x * 7 + 1) << 8 | static_cast<uint32_t>(y % 251); }

// Colour 0xRRGGBB of pixel (x, y), counted from the top, of a 24-bit image.
uint32_t pixel(int64_t image, int32_t x, int32_t y) {
    BitmapInfo info{};
    const uint8_t* bits = image_bits(image, &info);
    if (!bits || x < 0 || y < 0 || x >= info.width || y >= info.height) return 0xFF000000u;
    const uint8_t* p = bits + static_cast<int64_t>(info.height - 1 - y) * info.stride + x * (info.bits_per_pixel / 8);
    return uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0];
}

class Source : public ::testing::Test {
protected:
    void SetUp() override {
        static bool started = false;
        if (!started) {
            load_alpha_blend();
            init_image_library();
            started = true;
        }
        clear_app_state();
        set_pixel_format_table();
        set_app_defaults();
    }
    void TearDown() override {
        free_all_images();
        clear_app_state();
    }
    // A 24-bit source of distinct pixels, as a load would leave it.
    void use_source(int32_t width, int32_t height) {
        app.source_image = create_image(AUTO_ID, width, height, 24);
        BitmapInfo info{};
        uint8_t* bits = image_bits(app.source_image, &info);
        ASSERT_NE(bits, nullptr);
        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = 0; x < width; ++x) {
                uint8_t* p = bits + static_cast<int64_t>(height - 1 - y) * info.stride + 3 * x;
                uint32_t c = colour(x, y);
                p[0] = static_cast<uint8_t>(c), p[1] = static_cast<uint8_t>(c >> 8), p[2] = static_cast<uint8_t>(c >> 16);
            }
        app.source_width = width;
        app.source_height = height;
        app.crop = CropSquare{0, 0, width < height ? width : height};
        if (app.crop.side > 600) app.crop.side = 600;
        grab_crop_square();
    }
};

TEST_F(Source, UndecodableFileGivesTheBlackFallback) {
    use_source(300, 200);
    load_source("no such file.png");
    EXPECT_EQ(app.source_width, 600);
    EXPECT_EQ(app.source_height, 600);
    EXPECT_EQ(app.crop.side, 600);
    EXPECT_EQ(image_width(app.crop_image), 600);
    EXPECT_EQ(pixel(app.crop_image, 599, 599), 0u);
    load_source(nullptr);
    EXPECT_EQ(app.source_width, 600);
}

TEST_F(Source, UnscaledCropIsTheSquareItself) {
    use_source(1000, 700);
    for (int i = 0; i < 37; ++i) ASSERT_TRUE(apply_crop_press(CROP_X_PLUS));
    app.step_y = 20;
    ASSERT_TRUE(apply_crop_press(CROP_Y_PLUS));
    ASSERT_EQ(image_width(app.crop_image), 600);
    for (int32_t y = 0; y < 600; y += 13)
        for (int32_t x = 0; x < 600; x += 11) ASSERT_EQ(pixel(app.crop_image, x, y), colour(37 + x, 20 + y));
}

TEST_F(Source, ASquareLargerThanThePictureShowsItWithBlackBeyond) {
    use_source(1000, 700);
    app.step_xy = -300;
    ASSERT_TRUE(apply_crop_press(CROP_XY_MINUS));
    ASSERT_EQ(app.crop.side, 900);
    // What grab then resize give for the same square.
    const int64_t expected = grab_image(app.source_image, AUTO_ID, 0, 0, 900, 900);
    ASSERT_NE(resize_image(expected, 600, 600, 0), 0);
    for (int32_t y = 0; y < 600; y += 7)
        for (int32_t x = 0; x < 600; x += 5) ASSERT_EQ(pixel(app.crop_image, x, y), pixel(expected, x, y)) << x << "," << y;
    EXPECT_NE(pixel(app.crop_image, 300, 200), 0u);  // the picture, not a black canvas
    EXPECT_EQ(pixel(app.crop_image, 300, 500), 0u);   // black below its last row
}

TEST_F(Source, TheCropImageIsAlwaysTheCanvasSizeOrBlack) {
    use_source(300, 200);
    // A crop image of another size (as a failed scaling once left) is
    // replaced by a canvas-sized one.
    free_image(app.crop_image);
    app.crop_image = create_image(AUTO_ID, 700, 500, 24);
    grab_crop_square();
    EXPECT_EQ(image_width(app.crop_image), 600);
    EXPECT_EQ(image_height(app.crop_image), 600);
    EXPECT_EQ(pixel(app.crop_image, 0, 0), colour(0, 0));
    // A source that is gone gives the black canvas, not the last picture.
    free_image(app.source_image);
    grab_crop_square();
    ASSERT_TRUE(is_image(app.crop_image));
    EXPECT_EQ(image_width(app.crop_image), 600);
    EXPECT_EQ(pixel(app.crop_image, 0, 0), 0u);
    EXPECT_EQ(pixel(app.crop_image, 599, 599), 0u);
}

TEST_F(Source, EveryPressLeavesA600SquareCrop) {
    use_source(640, 480);
    const int64_t steps[] = {1, 7, 0, -1, -300, 100000, -100000, INT64_MAX, INT64_MIN, 1LL << 40, -(1LL << 40)};
    int n = 0;
    for (int64_t step : steps)
        for (CropButton b : {CROP_X_PLUS, CROP_X_MINUS, CROP_Y_PLUS, CROP_Y_MINUS, CROP_XY_PLUS, CROP_XY_MINUS}) {
            app.step_x = app.step_y = app.step_xy = step;
            apply_crop_press(b);
            ++n;
            // Whatever the square, the crop shown is a 600 x 600 image.
            ASSERT_EQ(image_width(app.crop_image), 600) << "press " << n << " step " << step;
            ASSERT_EQ(image_height(app.crop_image), 600) << "press " << n << " step " << step;
        }
}

}  // namespace

// The astronaut photograph python3-skimage ships: 512 x 512, one face at
// about (189, 86) to (261, 158).
TEST_F(Source, StartOnFacesMovesTheFirstSquareOnlyWhenOnAndFaceSquareAnyTime) {
    const char* file = "/usr/lib/python3/dist-packages/skimage/data/astronaut.png";
    if (std::FILE* f = std::fopen(file, "rb")) std::fclose(f);
    else GTEST_SKIP() << "no " << file << " (python3-skimage)";
    const auto on_face = [] {
        const CropSquare& s = app.crop;
        return s.XS <= 189 && s.YS <= 86 && s.XS + s.side >= 261 && s.YS + s.side >= 158 && s.side < 200;
    };
    load_source(file);
    EXPECT_EQ(app.crop.XS + app.crop.YS, 0);  // off: the square a load has always given
    EXPECT_EQ(app.crop.side, 512);
    app.start_on_faces = 1;
    load_source(file);
    EXPECT_TRUE(on_face());
    const CropSquare started = app.crop;
    app.start_on_faces = 0;
    load_source(file);
    EXPECT_TRUE(apply_face_square());
    EXPECT_EQ(app.crop.XS, started.XS);
    EXPECT_EQ(app.crop.YS, started.YS);
    EXPECT_EQ(app.crop.side, started.side);

    use_source(300, 200);  // no face: the square stays
    EXPECT_FALSE(apply_face_square());
    EXPECT_EQ(app.crop.side, 200);
}
