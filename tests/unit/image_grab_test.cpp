// grab_image and resize_image on images (real DIB sections on Windows, the
// memory stand-ins elsewhere): clipping, records, the three scaling paths
// and what a failure leaves behind.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "image/image.h"

namespace {

class Grab : public ::testing::Test {
protected:
    void SetUp() override {
        load_alpha_blend();
        init_image_library();
    }
    void TearDown() override { free_all_images(); }
};

// Pixel (x, y) counted from the top-left, in the bottom-up memory.
uint8_t* pixel(int64_t image, int x, int y) {
    BitmapInfo info;
    uint8_t* bits = image_bits(image, &info);
    return bits + static_cast<int64_t>(info.height - 1 - y) * info.stride + x * (info.bits_per_pixel / 8);
}

// An asymmetric picture with distinct channels: blue = x, green = y,
// red = 100 + x + y, alpha = 200 (32 bits).
int64_t pattern(int64_t id, int w, int h, int depth) {
    int64_t made = create_image(id, w, h, depth);
    int64_t image = id == AUTO_ID ? made : id;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = pixel(image, x, y);
            p[0] = static_cast<uint8_t>(x);
            p[1] = static_cast<uint8_t>(y);
            p[2] = static_cast<uint8_t>(100 + x + y);
            if (depth == 32) p[3] = 200;
        }
    return image;
}

TEST_F(Grab, ARegionBeyondTheSourceKeepsZeroBytes) {
    int64_t src = pattern(AUTO_ID, 50, 50, 32);
    int64_t crop = grab_image(src, AUTO_ID, 10, 10, 100, 100);
    ASSERT_NE(crop, 0);
    EXPECT_EQ(image_width(crop), 100);
    EXPECT_EQ(image_height(crop), 100);
    int wrong = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x) {
            const uint8_t* p = pixel(crop, x, y);
            bool inside = x < 40 && y < 40;
            uint8_t want[4] = {0, 0, 0, 0};
            if (inside) {
                want[0] = static_cast<uint8_t>(x + 10);
                want[1] = static_cast<uint8_t>(y + 10);
                want[2] = static_cast<uint8_t>(120 + x + y);
                want[3] = 200;
            }
            if (std::memcmp(p, want, 4) != 0) ++wrong;
        }
    EXPECT_EQ(wrong, 0);
}

TEST_F(Grab, OddWidthTwentyFourBitRegionsWithNegativeOffsets) {
    int64_t src = pattern(AUTO_ID, 7, 5, 24);
    int64_t crop = grab_image(src, AUTO_ID, -2, 1, 5, 3);
    ASSERT_NE(crop, 0);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) {
            const uint8_t* p = pixel(crop, x, y);
            if (x < 2) {
                EXPECT_EQ(p[0] | p[1] | p[2], 0) << x << "," << y;
            } else {
                EXPECT_EQ(p[0], x - 2) << x << "," << y;
                EXPECT_EQ(p[1], y + 1) << x << "," << y;
                EXPECT_EQ(p[2], 100 + (x - 2) + (y + 1)) << x << "," << y;
            }
        }
    // A region wholly outside gives an all-zero image.
    int64_t none = grab_image(src, AUTO_ID, 100, -50, 3, 3);
    ASSERT_NE(none, 0);
    for (int y = 0; y < 3; ++y) EXPECT_EQ(pixel(none, 2, y)[2], 0);
}

TEST_F(Grab, TheNewRecordTakesBothDepthsAndAFailureLeavesTheIdAlone) {
    int64_t src = pattern(AUTO_ID, 6, 4, 32);
    find_image(src)->save_depth = 24;
    int64_t crop = grab_image(src, AUTO_ID, 0, 0, 3, 3);
    ASSERT_NE(crop, 0);
    EXPECT_EQ(find_image(crop)->depth, 32);
    EXPECT_EQ(find_image(crop)->save_depth, 24);

    int64_t bitmap = create_image(8, 2, 2, 24);
    ASSERT_NE(bitmap, 0);
    EXPECT_EQ(grab_image(src, 8, 0, 0, 0, 5), 0);
    EXPECT_EQ(grab_image(src, 8, 0, 0, 40000, 5), 0);
    EXPECT_EQ(grab_image(12345, 8, 0, 0, 2, 2), 0);
    EXPECT_EQ(image_handle(8), bitmap);
    EXPECT_EQ(image_width(8), 2);

    // A number that held an image gets the grab; the handle is the bitmap.
    int64_t grabbed = grab_image(src, 8, 1, 1, 4, 2);
    ASSERT_NE(grabbed, 0);
    EXPECT_EQ(image_handle(8), grabbed);
    EXPECT_EQ(image_width(8), 4);
    EXPECT_EQ(pixel(8, 0, 0)[0], 1);
    // Grabbing an image into its own number works from the old pixels.
    ASSERT_NE(grab_image(8, 8, 1, 0, 2, 2), 0);
    EXPECT_EQ(pixel(8, 0, 0)[0], 2);
    EXPECT_EQ(pixel(8, 0, 1)[1], 2);
}

TEST_F(Grab, ResizeToTheSameSizeOrWithIgnoredSidesChangesNothingNeeded) {
    int64_t img = pattern(AUTO_ID, 9, 6, 24);
    int64_t before = image_handle(img);
    EXPECT_EQ(resize_image(img, 9, 6, 0), before);
    EXPECT_EQ(resize_image(img, IGNORE_ARG, IGNORE_ARG, 1), before);
    EXPECT_EQ(image_handle(img), before);
    EXPECT_EQ(pixel(img, 3, 2)[2], 105);

    int64_t after = resize_image(img, IGNORE_ARG, 3, 0);
    ASSERT_NE(after, 0);
    EXPECT_EQ(image_handle(img), after);
    EXPECT_EQ(image_width(img), 9);
    EXPECT_EQ(image_height(img), 3);
    EXPECT_EQ(find_image(img)->depth, 24);
}

TEST_F(Grab, AFailedResizeKeepsTheOldBitmapAndSize) {
    int64_t img = pattern(AUTO_ID, 9, 6, 32);
    int64_t before = image_handle(img);
    for (auto [w, h] : {std::pair{0, 5}, {5, -3}, {32768, 2}, {2, 40000}}) {
        EXPECT_EQ(resize_image(img, w, h, 0), 0);
        EXPECT_EQ(image_handle(img), before);
        EXPECT_EQ(image_width(img), 9);
        EXPECT_EQ(image_height(img), 6);
    }
    EXPECT_EQ(pixel(img, 4, 4)[2], 108);
    EXPECT_EQ(resize_image(4321, 5, 5, 0), 0);
}

TEST_F(Grab, SmoothTwentyFourBitResizeAveragesAreas) {
    // Vertical 1-pixel stripes, black and white, shrunk 2:1 across.
    int64_t img = create_image(AUTO_ID, 10, 3, 24);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 10; x += 2) std::memset(pixel(img, x, y), 255, 3);
    ASSERT_NE(resize_image(img, 5, 3, 0), 0);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            for (int c = 0; c < 3; ++c) EXPECT_EQ(pixel(img, x, y)[c], 128) << x << "," << y;

    // A constant picture stays constant, upwards and downwards.
    int64_t flat = create_image(AUTO_ID, 7, 5, 24);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) {
            uint8_t* p = pixel(flat, x, y);
            p[0] = 9;
            p[1] = 99;
            p[2] = 199;
        }
    for (auto [w, h] : {std::pair{600, 600}, {3, 2}}) {
        ASSERT_NE(resize_image(flat, w, h, 0), 0);
        for (int y = 0; y < h; y += 7)
            for (int x = 0; x < w; x += 5) {
                const uint8_t* p = pixel(flat, x, y);
                ASSERT_TRUE(p[0] == 9 && p[1] == 99 && p[2] == 199) << w << " at " << x << "," << y;
            }
    }
}

TEST_F(Grab, SmoothThirtyTwoBitResizeUsesTheCubicFilterWithTransparencyWhitened) {
    int64_t img = create_image(AUTO_ID, 6, 6, 32);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x) {
            uint8_t* p = pixel(img, x, y);
            bool shape = x >= 2 && x < 4 && y >= 2 && y < 4;
            uint8_t v[4] = {0, 0, static_cast<uint8_t>(shape ? 255 : 0), static_cast<uint8_t>(shape ? 255 : 0)};
            std::memcpy(p, v, 4);
        }
    ASSERT_NE(resize_image(img, 12, 12, 0), 0);
    const uint8_t* corner = pixel(img, 0, 0);
    EXPECT_EQ(corner[0], 255);
    EXPECT_EQ(corner[1], 255);
    EXPECT_EQ(corner[2], 255);
    EXPECT_EQ(corner[3], 0);
    const uint8_t* edge = pixel(img, 3, 6);
    EXPECT_GT(edge[0], 0);  // towards white, not black
    EXPECT_EQ(edge[2], 255);
    EXPECT_EQ(find_image(img)->depth, 32);

    // Four equal pixels across become eight equal pixels.
    int64_t row = create_image(AUTO_ID, 4, 1, 32);
    for (int x = 0; x < 4; ++x) {
        const uint8_t v[4] = {10, 20, 30, 255};
        std::memcpy(pixel(row, x, 0), v, 4);
    }
    ASSERT_NE(resize_image(row, 8, IGNORE_ARG, 0), 0);
    for (int x = 0; x < 8; ++x) {
        const uint8_t* p = pixel(row, x, 0);
        EXPECT_TRUE(p[0] == 10 && p[1] == 20 && p[2] == 30 && p[3] == 255) << x;
    }
}

TEST_F(Grab, FastModeDropsPixelsForBothDepths) {
    // The pattern names each pixel's place (blue = x, green = y), so every
    // destination pixel must be a whole source pixel under its own
    // footprint: no blend, no mirror, no repeat of one row or column.
    for (int depth : {24, 32}) {
        for (auto [w, h] : {std::pair{14, 10}, {3, 2}, {7, 15}}) {
            int64_t img = pattern(AUTO_ID, 7, 5, depth);
            ASSERT_NE(resize_image(img, w, h, 1), 0) << depth;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const uint8_t* p = pixel(img, x, y);
                    const int sx = p[0], sy = p[1];
                    EXPECT_EQ(p[2], 100 + sx + sy) << depth << " " << w << "x" << h << " at " << x << "," << y;
                    // Source pixel [sx, sx + 1) overlaps the footprint [x, x + 1) * 7 / w.
                    EXPECT_TRUE(sx * w < (x + 1) * 7 && (sx + 1) * w > x * 7 && sy * h < (y + 1) * 5 &&
                                (sy + 1) * h > y * 5)
                        << depth << " " << w << "x" << h << " at " << x << "," << y << " from " << sx << "," << sy;
                }
            free_image(img);
        }
    }
}

TEST_F(Grab, ResampleBitmapRefusesWhatIsNotAPackedPictureOfTheGivenSize) {
    int64_t a = create_image(AUTO_ID, 4, 4, 32);
    int64_t b = create_image(AUTO_ID, 8, 8, 32);
    int64_t c = create_image(AUTO_ID, 8, 8, 24);
    EXPECT_EQ(resample_bitmap(image_handle(b), 8, 8, image_handle(a), 4, 4), 1);
    EXPECT_EQ(resample_bitmap(image_handle(b), 9, 8, image_handle(a), 4, 4), 0);
    EXPECT_EQ(resample_bitmap(image_handle(b), 8, 8, image_handle(a), 4, 5), 0);
    EXPECT_EQ(resample_bitmap(image_handle(c), 8, 8, image_handle(a), 4, 4), 0);
    EXPECT_EQ(resample_bitmap(0, 8, 8, image_handle(a), 4, 4), 0);
}

}  // namespace
