// Colour packing, fill_memory and the life cycle of drawing outputs.
#include "image/drawing.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "image/image.h"

namespace {

TEST(Colours, PackingWidensTheThirtyTwoBitPatternWithItsSign) {
    EXPECT_EQ(rgba(0, 0, 0, 255), -16777216);
    EXPECT_EQ(rgba(1, 2, 3, 4), 0x04030201);
    EXPECT_EQ(rgba(255, 255, 255, 255), -1);
    EXPECT_EQ(rgb(255, 128, 0), 33023);
    EXPECT_EQ(rgb(0, 0, 255), 0xFF0000);
    // Components are not masked: an oversized one spills into its neighbour.
    EXPECT_EQ(rgb(256, 0, 0), 0x100);
    EXPECT_EQ(rgb(0, 0, 0x8000), static_cast<int64_t>(INT32_MIN));
    EXPECT_EQ(rgb(-1, 0, 0), -1);
}

TEST(Colours, SplittingTakesBitsOfTheLowWord) {
    EXPECT_EQ(red(0x123456), 0x56);
    EXPECT_EQ(green(0x123456), 0x34);
    EXPECT_EQ(blue(0x123456), 0x12);
    EXPECT_EQ(red(-16777216), 0);
    EXPECT_EQ(green(-16777216), 0);
    EXPECT_EQ(blue(-16777216), 0);
    int64_t c = rgba(10, 20, 30, 200);
    EXPECT_EQ(red(c), 10);
    EXPECT_EQ(green(c), 20);
    EXPECT_EQ(blue(c), 30);
    EXPECT_EQ(blue(0x7FAB000000LL), 0);
}

std::vector<uint8_t> filled(int64_t length, int64_t value, int32_t unit) {
    // Guard bytes on both sides catch writes past the length.
    std::vector<uint8_t> buffer(length + 16, 0xEE);
    fill_memory(buffer.data() + 8, length, value, unit);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(buffer[i], 0xEE);
        EXPECT_EQ(buffer[length + 8 + i], 0xEE);
    }
    return std::vector<uint8_t>(buffer.begin() + 8, buffer.begin() + 8 + length);
}

using Bytes = std::vector<uint8_t>;

TEST(FillMemory, WholeUnitsAreLittleEndian) {
    EXPECT_EQ(filled(8, 0x11223344, 5), (Bytes{0x44, 0x33, 0x22, 0x11, 0x44, 0x33, 0x22, 0x11}));
    EXPECT_EQ(filled(4, 0xABCD, 3), (Bytes{0xCD, 0xAB, 0xCD, 0xAB}));
    EXPECT_EQ(filled(4, 0xABCD, 25), (Bytes{0xCD, 0xAB, 0xCD, 0xAB}));
    EXPECT_EQ(filled(16, 0x1122334455667788, 21),
              (Bytes{0x88, 0x77, 0x66, 0x55, 0x44, 0x33, 0x22, 0x11, 0x88, 0x77, 0x66, 0x55, 0x44, 0x33, 0x22, 0x11}));
    EXPECT_EQ(filled(5, 0x1234, 1), (Bytes(5, 0x34)));
    EXPECT_EQ(filled(3, 0x1234, 99), (Bytes(3, 0x34)));
    EXPECT_EQ(filled(3, 0x1234, 0), (Bytes(3, 0x34)));
}

TEST(FillMemory, TailsComeFromTheHighEndInPiecesOfFourTwoAndOne) {
    const int64_t v = 0x1122334455667788;
    // unit 2
    EXPECT_EQ(filled(3, 0xABCD, 3), (Bytes{0xCD, 0xAB, 0xAB}));
    // unit 4, tails 1..3 after one whole unit
    EXPECT_EQ(filled(5, 0x11223344, 5), (Bytes{0x44, 0x33, 0x22, 0x11, 0x11}));
    EXPECT_EQ(filled(10, 0x11223344, 5), (Bytes{0x44, 0x33, 0x22, 0x11, 0x44, 0x33, 0x22, 0x11, 0x22, 0x11}));
    EXPECT_EQ(filled(3, 0x11223344, 5), (Bytes{0x22, 0x11, 0x33}));
    // unit 8, tails 1..7 with no whole unit
    EXPECT_EQ(filled(1, v, 21), (Bytes{0x11}));
    EXPECT_EQ(filled(2, v, 21), (Bytes{0x22, 0x11}));
    EXPECT_EQ(filled(3, v, 21), (Bytes{0x22, 0x11, 0x33}));
    EXPECT_EQ(filled(4, v, 21), (Bytes{0x44, 0x33, 0x22, 0x11}));
    EXPECT_EQ(filled(5, v, 21), (Bytes{0x44, 0x33, 0x22, 0x11, 0x55}));
    EXPECT_EQ(filled(6, v, 21), (Bytes{0x44, 0x33, 0x22, 0x11, 0x66, 0x55}));
    EXPECT_EQ(filled(7, v, 21), (Bytes{0x44, 0x33, 0x22, 0x11, 0x66, 0x55, 0x77}));
    // and after a whole unit
    Bytes nine = filled(9, v, 21);
    EXPECT_EQ(nine.back(), 0x11);
}

TEST(FillMemory, NothingHappensForEmptyOrNegativeLengths) {
    uint8_t b[4] = {1, 2, 3, 4};
    fill_memory(b, 0, 0x55, 1);
    fill_memory(b, -8, 0x55, 5);
    fill_memory(nullptr, 4, 0x55, 5);
    EXPECT_EQ(b[0], 1);
    EXPECT_EQ(b[3], 4);
}

TEST(FillMemory, PixelBufferFillGivesBlueGreenRedAlphaBytes) {
    std::vector<uint8_t> buffer(1440000);
    fill_memory(buffer.data(), 1440000, rgba(30, 20, 10, 200), 5);  // blue, green, red, alpha
    for (size_t i = 0; i < buffer.size(); i += 4) {
        if (buffer[i] != 30 || buffer[i + 1] != 20 || buffer[i + 2] != 10 || buffer[i + 3] != 200) {
            ADD_FAILURE() << "at " << i;
            break;
        }
    }
}

class Outputs : public ::testing::Test {
protected:
    void SetUp() override { init_image_library(); }
    void TearDown() override {
        while (current_output()) stop_drawing();
        free_all_images();
    }
};

TEST_F(Outputs, AnOutputCarriesTheImagesMemoryAndBecomesCurrent) {
    int64_t img = create_image(AUTO_ID, 7, 3, 24);
    DrawingOutput* out = image_output(img);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(current_output(), out);
    EXPECT_EQ(out->width, 7);
    EXPECT_EQ(out->height, 3);
    EXPECT_EQ(out->bits_per_pixel, 24);
    EXPECT_EQ(out->kind, 3u | OUTPUT_IMAGE);
    EXPECT_EQ(out->stride, 24);
    EXPECT_EQ(out->bitmap, image_handle(img));
    EXPECT_EQ(out->pixels, image_bits(img, nullptr));
    EXPECT_NE(start_drawing(out), 0);
    stop_drawing();
    EXPECT_EQ(current_output(), nullptr);
    stop_drawing();  // none current: nothing happens

    int64_t deep = create_image(3, 5, 5, 32);
    ASSERT_NE(deep, 0);
    out = image_output(3);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(out->kind, 4u | OUTPUT_IMAGE);
    EXPECT_EQ(out->bits_per_pixel, 32);
    stop_drawing();
}

TEST_F(Outputs, MissingImagesAndNullOutputsGiveNothing) {
    int64_t img = create_image(AUTO_ID, 2, 2, 24);
    free_image(img);
    EXPECT_EQ(image_output(img), nullptr);
    EXPECT_EQ(image_output(40), nullptr);
    EXPECT_EQ(current_output(), nullptr);
    EXPECT_EQ(start_drawing(nullptr), 0);
}

TEST_F(Outputs, AFailedStartFreesTheOutputAndClearsTheCurrentOne) {
    int64_t img = create_image(AUTO_ID, 2, 2, 24);
    DrawingOutput* out = image_output(img);
    ASSERT_NE(out, nullptr);
    out->pixels = nullptr;  // an output without pixel memory cannot start
    EXPECT_EQ(start_drawing(out), 0);
    EXPECT_EQ(current_output(), nullptr);
}

}  // namespace
