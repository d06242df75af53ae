// save_image: an image object's memory through the dispatch, with the
// defaults of the shorter calls.
#include "codecs/save_image.h"

#include <gtest/gtest.h>

#include <cstring>

#include "codecs/jpeg_writer.h"
#include "codecs/png_writer.h"
#include "encoder_fixtures.h"
#include "image/image.h"

using namespace encoder_test;

namespace {

uint32_t le32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | (uint32_t{b[at + 1]} << 8) | (uint32_t{b[at + 2]} << 16) | (uint32_t{b[at + 3]} << 24);
}

class SaveImage : public ::testing::Test {
protected:
    void SetUp() override {
        register_png_encoder();
        register_jpeg_encoder();
        image = create_image(AUTO_ID, 600, 600, 32);
        ASSERT_NE(image, 0);
        BitmapInfo info;
        bits = image_bits(image, &info);
        ASSERT_NE(bits, nullptr);
        ASSERT_EQ(info.stride, 2400);
        // A picture with alpha: the cut-out, copied into the image's memory.
        Picture cutout = make_cutout(128);
        std::memcpy(bits, cutout.bits(), cutout.memory.size());
    }
    void TearDown() override { free_image(image); }
    int64_t image = 0;
    uint8_t* bits = nullptr;
    ScratchFolder folder;
};

TEST_F(SaveImage, ShorterCallsTakeBmpFlagsSevenAndTheSaveDepth) {
    // Two arguments: a 32-bit BMP whose pixel block is the memory as stored.
    std::string bmp = folder.path("two.bmp");
    ASSERT_EQ(save_image(image, bmp.c_str()), 1);
    std::vector<uint8_t> f = read_bytes(bmp);
    ASSERT_EQ(f.size(), 1440054u);
    EXPECT_EQ(f[28], 32);
    EXPECT_EQ(std::memcmp(f.data() + 54, bits, 1440000), 0);
    // Three: the format at the save depth (32: RGBA PNG).
    std::string png = folder.path("three.png");
    ASSERT_EQ(save_image(image, png.c_str(), FORMAT_PNG), 1);
    std::vector<PngChunk> chunks = png_chunks(read_bytes(png));
    ASSERT_FALSE(chunks.empty());
    EXPECT_EQ(chunks[0].data[9], 6);
    // Three for JPEG: default flags 7, quality 70.
    std::string jpg7 = folder.path("three.jpg");
    ASSERT_EQ(save_image(image, jpg7.c_str(), FORMAT_JPEG), 1);
    EXPECT_EQ(decode_jpeg(jpg7).luma_table, scaled_table(false, 70));
    // Four, as the application calls it: flags 32, quality 100.
    std::string jpg = folder.path("four.jpg");
    ASSERT_EQ(save_image(image, jpg.c_str(), FORMAT_JPEG, 32), 1);
    DecodedJpeg d = decode_jpeg(jpg);
    EXPECT_EQ(d.luma_table, scaled_table(false, 100));
    EXPECT_EQ(d.width, 600);
    // Five: an explicit depth overrides; 24 from a 32-bit image composites.
    std::string png24 = folder.path("five.png");
    ASSERT_EQ(save_image(image, png24.c_str(), FORMAT_PNG, 7, 24), 1);
    chunks = png_chunks(read_bytes(png24));
    ASSERT_FALSE(chunks.empty());
    EXPECT_EQ(chunks[0].data[9], 2);
}

TEST_F(SaveImage, TheRecordsSaveDepthIsTheDefault) {
    find_image(image)->save_depth = 24;
    std::string bmp = folder.path("depth.bmp");
    ASSERT_EQ(save_image(image, bmp.c_str()), 1);
    std::vector<uint8_t> f = read_bytes(bmp);
    ASSERT_EQ(f.size(), 1080054u);
    EXPECT_EQ(f[28], 24);
}

TEST_F(SaveImage, TwentyFourBitImagesKeepTheirPaddedRows) {
    int64_t narrow = create_image(AUTO_ID, 601, 3, 24);
    ASSERT_NE(narrow, 0);
    BitmapInfo info;
    uint8_t* p = image_bits(narrow, &info);
    ASSERT_NE(p, nullptr);
    ASSERT_EQ(info.stride, 1804);
    for (int i = 0; i < 3 * 1804; ++i) p[i] = static_cast<uint8_t>(i * 7);
    std::string bmp = folder.path("narrow.bmp");
    ASSERT_EQ(save_image(narrow, bmp.c_str()), 1);
    std::vector<uint8_t> f = read_bytes(bmp);
    ASSERT_EQ(f.size(), 54u + 3 * 1804);
    EXPECT_EQ(le32(f, 18), 601u);
    EXPECT_EQ(le32(f, 22), 3u);
    for (int row = 0; row < 3; ++row) EXPECT_EQ(std::memcmp(f.data() + 54 + row * 1804, p + row * 1804, 1803), 0);
    free_image(narrow);
}

TEST_F(SaveImage, NoImageOrNoNameGivesZeroAndNoFile) {
    std::string file = folder.path("none.png");
    EXPECT_EQ(save_image(image, ""), 0);
    EXPECT_EQ(save_image(image, nullptr, FORMAT_PNG), 0);
    EXPECT_EQ(save_image(4000, file.c_str(), FORMAT_PNG), 0);  // a number that holds nothing
    EXPECT_EQ(save_image(image, file.c_str(), 0), 0);          // no such format
    EXPECT_EQ(save_image(image, file.c_str(), FORMAT_BMP, 7, 16), 0);
    int64_t numbered = create_image(77, 4, 4, 24);
    ASSERT_NE(numbered, 0);
    free_image(77);
    EXPECT_EQ(save_image(77, file.c_str()), 0);
    EXPECT_TRUE(folder.entries().empty());
}

}  // namespace
