// Image objects through the portable half of the library: on Windows real
// DIB sections, elsewhere the memory bitmaps that stand in for them.  Both
// must give the same records, layout and registry behaviour.
#include "image/image.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "image/pixels.h"

namespace {

class Images : public ::testing::Test {
protected:
    void SetUp() override {
        load_alpha_blend();
        init_image_library();
    }
    void TearDown() override { free_all_images(); }
};

TEST(RowStride, EveryDepthRoundsTheRowUpToFourBytes) {
    struct Case { int64_t width, depth, stride; };
    const Case cases[] = {
        {1, 1, 4},    {32, 1, 4},   {33, 1, 8},  {1, 4, 4},    {8, 4, 4},   {9, 4, 8},
        {1, 8, 4},    {4, 8, 4},    {5, 8, 8},   {1, 15, 4},   {3, 16, 8},  {2, 16, 4},
        {1, 24, 4},   {601, 24, 1804}, {600, 24, 1800}, {5, 24, 16}, {600, 32, 2400}, {0, 24, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(row_stride(c.width, c.depth), c.stride) << c.width << "x" << c.depth;
    EXPECT_EQ(row_stride(10, 12), 0);
    EXPECT_EQ(row_stride(-1, 24), 0);
}

TEST_F(Images, ThirtyTwoBitImageStartsOpaqueBlackAndTwentyFourBitAllZero) {
    int64_t a = create_image(AUTO_ID, 600, 600, 32);
    ASSERT_NE(a, 0);
    EXPECT_EQ(image_width(a), 600);
    EXPECT_EQ(image_height(a), 600);
    BitmapInfo info;
    uint8_t* bits = image_bits(a, &info);
    ASSERT_NE(bits, nullptr);
    EXPECT_EQ(info.stride, 2400);
    for (size_t i = 0; i < 600u * 2400u; i += 4) {
        if (bits[i] || bits[i + 1] || bits[i + 2] || bits[i + 3] != 255) {
            ADD_FAILURE() << "pixel byte " << i;
            break;
        }
    }
    int64_t b = create_image(AUTO_ID, 601, 7, 24);
    ASSERT_NE(b, 0);
    bits = image_bits(b, &info);
    ASSERT_NE(bits, nullptr);
    EXPECT_EQ(info.stride, 1804);
    std::vector<uint8_t> zero(1804 * 7, 0);
    EXPECT_EQ(std::memcmp(bits, zero.data(), zero.size()), 0);
}

TEST_F(Images, DepthsBelowTwentyFourGiveTwentyFourAndOthersFail) {
    for (int depth : {1, 8, 16, 24}) {
        int64_t img = create_image(AUTO_ID, 5, 3, depth);
        ASSERT_NE(img, 0) << depth;
        EXPECT_EQ(find_image(img)->depth, 24);
        EXPECT_EQ(find_image(img)->save_depth, 24);
    }
    EXPECT_EQ(find_image(create_image(AUTO_ID, 5, 3, 32))->depth, 32);
    for (int depth : {25, 31, 48, 64}) EXPECT_EQ(create_image(AUTO_ID, 5, 3, depth), 0) << depth;
}

TEST_F(Images, SizesTheRecordCannotHoldAreRefused) {
    const int32_t sizes[][2] = {{0, 10}, {10, 0}, {-5, 10}, {10, -1}, {32768, 1}, {1, 32768}, {INT32_MAX, INT32_MAX}};
    for (auto& s : sizes) {
        EXPECT_EQ(create_image(AUTO_ID, s[0], s[1], 24), 0) << s[0] << "x" << s[1];
        EXPECT_EQ(make_bitmap(s[0], s[1], 32), 0);
    }
    // A failed automatic create leaves no empty record behind.
    EXPECT_EQ(image_registry()->automatic, nullptr);
    int64_t wide = create_image(AUTO_ID, 32767, 1, 24);
    ASSERT_NE(wide, 0);
    EXPECT_EQ(image_width(wide), 32767);
}

TEST_F(Images, RecreatingANumberReplacesItsImage) {
    int64_t first = create_image(5, 4, 4, 24);
    ASSERT_NE(first, 0);
    EXPECT_EQ(image_handle(5), first);
    int64_t second = create_image(5, 9, 2, 32);
    ASSERT_NE(second, 0);
    EXPECT_EQ(image_handle(5), second);
    EXPECT_EQ(image_width(5), 9);
    EXPECT_EQ(find_image(5)->depth, 32);
    BitmapInfo info;
    // The first bitmap went when the number was taken again (unless the
    // platform handed the same handle out anew).
    if (first != second) {
        EXPECT_FALSE(bitmap_info(first, &info));
    }

    // A failing create on a number that held an image leaves it empty.
    EXPECT_EQ(create_image(5, 4, 4, 48), 0);
    EXPECT_EQ(is_image(5), 0);
    EXPECT_EQ(image_width(5), 0);
}

TEST_F(Images, NumbersReturnBitmapsAutomaticIdsReturnRecordHandles) {
    int64_t bitmap = create_image(2, 3, 3, 24);
    int64_t handle = create_image(AUTO_ID, 3, 3, 24);
    ASSERT_NE(bitmap, 0);
    ASSERT_NE(handle, 0);
    EXPECT_EQ(image_handle(2), bitmap);
    EXPECT_NE(is_image(2), 0);
    EXPECT_EQ(is_image(handle), handle);
    EXPECT_EQ(find_image(handle), reinterpret_cast<ImageObject*>(handle));
    EXPECT_EQ(is_image(3), 0);
    EXPECT_EQ(image_width(77), 0);
    EXPECT_EQ(image_handle(12345678), 0);
}

TEST_F(Images, FreeingAutoIdRemovesEveryImage) {
    free_all_images();  // an empty registry: nothing happens
    ASSERT_NE(create_image(1, 2, 2, 24), 0);
    ASSERT_NE(create_image(4, 2, 2, 32), 0);
    int64_t a = create_image(AUTO_ID, 2, 2, 24);
    int64_t b = create_image(AUTO_ID, 2, 2, 32);
    free_image(AUTO_ID);
    EXPECT_EQ(image_width(1), 0);
    EXPECT_EQ(image_width(4), 0);
    EXPECT_EQ(is_image(a), 0);
    EXPECT_EQ(is_image(b), 0);
    EXPECT_EQ(image_registry()->automatic, nullptr);

    int64_t c = create_image(AUTO_ID, 2, 2, 24);
    free_image(c);
    EXPECT_EQ(is_image(c), 0);
    free_image(c);  // already gone: nothing happens
    free_image(9);
}

TEST(Premultiply, ColourBytesScaleByAlphaOverTwoHundredFiftySix) {
    uint8_t px[] = {200, 100, 50, 128, 10, 20, 30, 255, 90, 80, 70, 0, 255, 255, 255, 1};
    premultiply_pixels(px, 4);
    const uint8_t expected[] = {100, 50, 25, 128, 10, 20, 30, 255, 0, 0, 0, 0, 0, 0, 0, 1};
    EXPECT_EQ(std::memcmp(px, expected, sizeof px), 0);
}

TEST_F(Images, PremultipliedCopyOfAnImage) {
    int64_t img = create_image(AUTO_ID, 3, 2, 32);
    BitmapInfo info;
    uint8_t* bits = image_bits(img, &info);
    ASSERT_NE(bits, nullptr);
    const uint8_t px[] = {200, 100, 50, 128};
    std::memcpy(bits + 4, px, 4);
    int64_t copy = make_premultiplied_copy(image_handle(img));
    ASSERT_NE(copy, 0);
    BitmapInfo ci;
    ASSERT_TRUE(bitmap_info(copy, &ci));
    EXPECT_EQ(ci.bits_per_pixel, 32);
    EXPECT_EQ(ci.width, 3);
    const uint8_t expected[] = {0, 0, 0, 255, 100, 50, 25, 128, 0, 0, 0, 255};
    EXPECT_EQ(std::memcmp(ci.bits, expected, sizeof expected), 0);
    EXPECT_EQ(std::memcmp(bits + 4, px, 4), 0);  // the image itself is untouched
    free_premultiplied_copy(copy);
}

TEST_F(Images, ThirtyTwoBitImagesHaveAlphaWhateverTheirBytes) {
    int64_t a = create_image(AUTO_ID, 3, 3, 32);
    int64_t b = create_image(AUTO_ID, 3, 3, 24);
    BitmapInfo info;
    uint8_t* bits = image_bits(a, &info);
    std::memset(bits, 0, 36);
    EXPECT_EQ(bitmap_has_alpha(image_handle(a)), 1);
    EXPECT_EQ(bitmap_has_alpha(image_handle(b)), 0);
    EXPECT_EQ(bitmap_has_alpha(0), 0);
}

}  // namespace
