// What Copy puts on the clipboard, built portably: the PNG file's bytes
// from memory, and the two packed bitmaps read back by their headers.
#include "app/output/clipboard.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "app/output/save.h"
#include "app/picture/paste_formats.h"
#include "codecs/encoder.h"
#include "codecs/png_writer.h"
#include "codecs/save_image.h"
#include "encoder_fixtures.h"
#include "image/image.h"

using namespace encoder_test;

namespace {

uint32_t le32(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t{b[at]} | uint32_t{b[at + 1]} << 8 | uint32_t{b[at + 2]} << 16 | uint32_t{b[at + 3]} << 24;
}
uint16_t le16(const std::vector<uint8_t>& b, size_t at) { return static_cast<uint16_t>(b[at] | b[at + 1] << 8); }

std::vector<uint8_t> png_in_memory(const Picture& p, int32_t depth, int32_t colour_type) {
    size_t size = 0;
    uint8_t* data = write_png_to_memory(&size, p.bits(), p.width, p.height, p.pitch, ROWS_BOTTOM_UP, SAVE_FLAGS,
                                        depth, colour_type);
    std::vector<uint8_t> bytes(data, data + size);
    std::free(data);
    return bytes;
}

TEST(PngInMemory, IsTheFileByteForByte) {
    ScratchFolder folder;
    const struct {
        int32_t width, height, source_depth, depth, colour_type;
    } cases[] = {{7, 5, 32, 32, 6}, {7, 5, 24, 24, 2}, {13, 3, 32, 8, 6}, {1, 1, 24, 4, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " depth " << c.depth);
        const Picture p = make_picture(c.width, c.height, c.source_depth, busy_pixel);
        const std::string file = folder.path("out.png");
        ASSERT_EQ(write_png(file.c_str(), p.bits(), p.width, p.height, p.pitch, ROWS_BOTTOM_UP, SAVE_FLAGS, c.depth,
                            c.colour_type),
                  1);
        const std::vector<uint8_t> bytes = png_in_memory(p, c.depth, c.colour_type);
        ASSERT_FALSE(bytes.empty());
        EXPECT_EQ(bytes, read_bytes(file));
    }
    // Refused like the file: no pixels, no size, a colour type it does not write.
    const Picture p = make_picture(4, 4, 32, busy_pixel);
    size_t size = 7;
    EXPECT_EQ(write_png_to_memory(&size, nullptr, 4, 4, 16, 0, 0, 32, 6), nullptr);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(write_png_to_memory(&size, p.bits(), 0, 4, 16, 0, 0, 32, 6), nullptr);
    EXPECT_EQ(write_png_to_memory(&size, p.bits(), 4, 4, 16, 0, 0, 32, 3), nullptr);
    EXPECT_EQ(write_png_to_memory(nullptr, p.bits(), 4, 4, 16, 0, 0, 32, 6), nullptr);
}

class ClipboardForms : public ::testing::Test {
protected:
    void SetUp() override {
        static bool started = false;
        if (!started) {
            init_image_library();
            register_png_encoder();
            started = true;
        }
    }
    void TearDown() override { free_all_images(); }
    // A 32-bit image of an odd width with busy colours and varied alphas.
    int64_t make_image(int32_t width, int32_t height) {
        const int64_t image = create_image(AUTO_ID, width, height, 32);
        BitmapInfo info{};
        uint8_t* bits = image_bits(image, &info);
        if (!bits) return 0;
        picture = make_picture(width, height, 32, busy_pixel);
        for (int32_t y = 0; y < height; ++y)
            std::memcpy(bits + y * info.stride, picture.bits() + y * picture.pitch, width * 4);
        return image;
    }
    Picture picture;
};

TEST_F(ClipboardForms, PngIsTheSavedFileAndTheBitmapsHoldThePixels) {
    const int64_t image = make_image(5, 3);
    ASSERT_NE(image, 0);
    ClipboardImage forms;
    ASSERT_TRUE(make_clipboard_image(image, &forms));

    ScratchFolder folder;
    const std::string file = folder.path("cut.png");
    ASSERT_EQ(save_image(image, file.c_str(), FORMAT_PNG, SAVE_FLAGS), 1);
    EXPECT_EQ(forms.png, read_bytes(file));

    // 32 bits, straight alpha, masks in the header, rows bottom-up.
    const std::vector<uint8_t>& v5 = forms.dibv5;
    ASSERT_EQ(v5.size(), BITMAP_V5_HEADER_SIZE + 5 * 3 * 4);
    const uint32_t v5_fields[] = {124, 5, 3};
    for (int i = 0; i < 3; ++i) EXPECT_EQ(le32(v5, 4 * i), v5_fields[i]);
    EXPECT_EQ(le16(v5, 12), 1);
    EXPECT_EQ(le16(v5, 14), 32);
    EXPECT_EQ(le32(v5, 16), 3u);  // BI_BITFIELDS
    EXPECT_EQ(le32(v5, 20), 60u);
    EXPECT_EQ(le32(v5, 40), 0x00FF0000u);
    EXPECT_EQ(le32(v5, 44), 0x0000FF00u);
    EXPECT_EQ(le32(v5, 48), 0x000000FFu);
    EXPECT_EQ(le32(v5, 52), 0xFF000000u);
    EXPECT_EQ(le32(v5, 56), 0x73524742u);  // sRGB
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 5; ++x) {
            const Bgra p = picture.get(x, y);
            const uint8_t* q = &v5[BITMAP_V5_HEADER_SIZE + ((2 - y) * 5 + x) * 4];
            EXPECT_TRUE(q[0] == p.b && q[1] == p.g && q[2] == p.r && q[3] == p.a) << x << "," << y;
        }

    // 24 bits over white, rows padded to 4 bytes: 15 bytes become 16.
    const std::vector<uint8_t>& dib = forms.dib;
    ASSERT_EQ(dib.size(), BITMAP_INFO_HEADER_SIZE + 16 * 3);
    EXPECT_EQ(le32(dib, 0), 40u);
    EXPECT_EQ(le32(dib, 4), 5u);
    EXPECT_EQ(le32(dib, 8), 3u);
    EXPECT_EQ(le16(dib, 14), 24);
    EXPECT_EQ(le32(dib, 16), 0u);  // BI_RGB
    EXPECT_EQ(le32(dib, 20), 48u);
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 5; ++x) {
            const Bgra p = picture.get(x, y);
            const uint8_t* q = &dib[BITMAP_INFO_HEADER_SIZE + (2 - y) * 16 + x * 3];
            EXPECT_EQ(q[0], (p.b * p.a + 255 * (255 - p.a)) / 255) << x << "," << y;
            EXPECT_EQ(q[2], (p.r * p.a + 255 * (255 - p.a)) / 255) << x << "," << y;
        }
}

TEST_F(ClipboardForms, PasteReadsBothBitmapsAsTheyAreMeant) {
    const int64_t image = make_image(6, 4);
    ClipboardImage forms;
    ASSERT_TRUE(make_clipboard_image(image, &forms));
    DibLayout v5{}, dib{};
    ASSERT_TRUE(read_dib_layout(forms.dibv5.data(), forms.dibv5.size(), &v5));
    EXPECT_TRUE(v5.width == 6 && v5.height == 4 && v5.bits == 32 && !v5.top_down);
    EXPECT_EQ(v5.masks[0], 0x00FF0000u);
    EXPECT_EQ(v5.masks[3], 0xFF000000u);
    EXPECT_EQ(v5.pixels, forms.dibv5.data() + BITMAP_V5_HEADER_SIZE);
    EXPECT_TRUE(dib_has_alpha(forms.dibv5.data(), forms.dibv5.size()));
    ASSERT_TRUE(read_dib_layout(forms.dib.data(), forms.dib.size(), &dib));
    EXPECT_TRUE(dib.width == 6 && dib.height == 4 && dib.bits == 24 && !dib.top_down && dib.stride == 20);
    EXPECT_FALSE(dib_has_alpha(forms.dib.data(), forms.dib.size()));
}

TEST_F(ClipboardForms, OnlyA32BitImageIsCopied) {
    const int64_t rgb = create_image(AUTO_ID, 4, 4, 24);
    ClipboardImage forms;
    forms.png = {1, 2, 3};
    EXPECT_FALSE(make_clipboard_image(rgb, &forms));
    EXPECT_TRUE(forms.png.empty() && forms.dib.empty() && forms.dibv5.empty());
    EXPECT_FALSE(make_clipboard_image(0, &forms));
    EXPECT_FALSE(make_clipboard_image(12345, &forms));
    EXPECT_FALSE(make_clipboard_image(rgb, nullptr));
}

}  // namespace
