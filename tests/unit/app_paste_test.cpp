// Clipboard pictures, portable: the order of the formats a paste tries, and
// packed DIBs of every layout turned into the 24-bit source image, hostile
// headers included (each block is exactly its size, so a read past it
// trips the address sanitizer).
#include "app/picture/paste_formats.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "codecs/png_reader.h"
#include "image/image.h"
#include "unit/dib_fixtures.h"

namespace {

// Colour 0xRRGGBB of pixel (x, y), counted from the top, of a 24-bit image.
uint32_t pixel(int64_t image, int32_t x, int32_t y) {
    BitmapInfo info{};
    const uint8_t* bits = image_bits(image, &info);
    if (!bits || info.bits_per_pixel != 24 || x >= info.width || y >= info.height) return 0xFF000000u;
    const uint8_t* p = bits + static_cast<int64_t>(info.height - 1 - y) * info.stride + 3 * x;
    return uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0];
}

std::vector<uint32_t> pixels(int64_t image) {
    std::vector<uint32_t> out;
    for (int32_t y = 0; y < image_height(image); ++y)
        for (int32_t x = 0; x < image_width(image); ++x) out.push_back(pixel(image, x, y));
    return out;
}

class PasteDib : public ::testing::Test {
protected:
    void SetUp() override {
        static bool started = false;
        if (!started) {
            init_image_library();
            started = true;
        }
    }
    void TearDown() override { free_all_images(); }

    // The picture of a block copied to exactly its size.
    std::vector<uint32_t> convert(const std::vector<uint8_t>& block, bool alpha, int32_t w, int32_t h) {
        std::vector<uint8_t> exact(block);
        const int64_t image = dib_to_image(exact.data(), exact.size(), alpha);
        EXPECT_NE(image, 0);
        if (!image) return {};
        EXPECT_EQ(image_width(image), w);
        EXPECT_EQ(image_height(image), h);
        return pixels(image);
    }
};

TEST(PasteOrder, FilesThenPngThenDibv5WithAlphaThenDib) {
    const struct {
        PasteOffer offer;
        std::vector<PasteFormat> order;
    } cases[] = {
        {{true, true, true, true}, {PASTE_FILES, PASTE_PNG, PASTE_DIBV5, PASTE_DIB}},
        {{false, true, false, true}, {PASTE_PNG, PASTE_DIB}},
        {{false, false, true, true}, {PASTE_DIBV5, PASTE_DIB}},
        {{true, false, false, false}, {PASTE_FILES}},
        {{false, false, false, false}, {}},
    };
    for (const auto& c : cases) {
        PasteFormat order[4];
        const int n = paste_order(c.offer, order);
        EXPECT_EQ(std::vector<PasteFormat>(order, order + n), c.order);
    }
}

TEST_F(PasteDib, TwentyFourBitRowsEitherWayUpWithPadding) {
    // 3 x 2, odd width: rows of 9 bytes padded to 12.
    const std::vector<uint32_t> top_first = {0x112233, 0x445566, 0x778899, 0xAABBCC, 0xDDEEFF, 0x010203};
    for (int32_t height : {2, -2}) {
        SCOPED_TRACE(height);
        dib::Shape s{.width = 3, .height = height};
        std::vector<uint8_t> rows(24, 0xEE);  // padding bytes that must not show
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x) {
                const size_t at = (height < 0 ? y : 1 - y) * 12 + 3 * x;
                const uint32_t c = top_first[y * 3 + x];
                rows[at] = c & 0xFF, rows[at + 1] = (c >> 8) & 0xFF, rows[at + 2] = (c >> 16) & 0xFF;
            }
        EXPECT_EQ(convert(dib::build(s, rows), false, 3, 2), top_first);
    }
}

TEST_F(PasteDib, ThirtyTwoBitMasksAndAlphaOverBlack) {
    const std::vector<uint32_t> argb = {0xFF102030, 0x80C86432, 0x00FFFFFF, 0x40FF0000, 0xFF000000, 0xC0010203};
    std::vector<uint32_t> over_black_expected;
    for (uint32_t p : argb) {
        const uint32_t a = p >> 24;
        over_black_expected.push_back(uint32_t{over_black((p >> 16) & 0xFF, a)} << 16 |
                                      uint32_t{over_black((p >> 8) & 0xFF, a)} << 8 | over_black(p & 0xFF, a));
    }
    std::vector<uint32_t> colours;
    for (uint32_t p : argb) colours.push_back(p & 0xFFFFFF);

    // A version-5 header with alpha bitfields, as a browser copies a picture.
    dib::Shape v5{.header = 124, .width = 3, .height = -2, .bits = 32, .compression = 3,
                 .masks = {0xFF0000, 0xFF00, 0xFF, 0xFF000000}};
    const auto v5_block = dib::build(v5, dib::words(v5, argb));
    EXPECT_TRUE(dib_has_alpha(v5_block.data(), v5_block.size()));
    EXPECT_EQ(convert(v5_block, true, 3, 2), over_black_expected);
    EXPECT_EQ(convert(v5_block, false, 3, 2), colours);

    // The same with red and blue swapped in the masks (bytes R, G, B, A).
    std::vector<uint32_t> rgba;
    for (uint32_t p : argb) rgba.push_back((p & 0xFF00FF00) | (p & 0xFF) << 16 | (p >> 16 & 0xFF));
    dib::Shape swapped = v5;
    swapped.masks[0] = 0xFF, swapped.masks[2] = 0xFF0000;
    EXPECT_EQ(convert(dib::build(swapped, dib::words(swapped, rgba)), true, 3, 2), over_black_expected);

    // Uncompressed rows with a long header whose alpha mask is set.
    dib::Shape rgb_v5{.header = 124, .width = 3, .height = 2, .bits = 32, .masks = {0, 0, 0, 0xFF000000}};
    EXPECT_EQ(convert(dib::build(rgb_v5, dib::words(rgb_v5, argb)), true, 3, 2), over_black_expected);

    // A plain 40-byte header: the fourth byte is no alpha.
    dib::Shape plain{.width = 3, .height = 2, .bits = 32};
    const auto plain_block = dib::build(plain, dib::words(plain, argb));
    EXPECT_FALSE(dib_has_alpha(plain_block.data(), plain_block.size()));
    EXPECT_EQ(convert(plain_block, true, 3, 2), colours);

    // Masks after a 40-byte header, and a long header's masks repeated after it.
    dib::Shape after{.width = 3, .height = 2, .bits = 32, .compression = 3, .after_header = {0xFF0000, 0xFF00, 0xFF}};
    EXPECT_EQ(convert(dib::build(after, dib::words(after, argb)), true, 3, 2), colours);
    dib::Shape repeated = v5;
    repeated.after_header = {0xFF0000, 0xFF00, 0xFF};
    EXPECT_EQ(convert(dib::build(repeated, dib::words(repeated, argb)), true, 3, 2), over_black_expected);

    // Alpha 0 everywhere: an unused byte, so the colours stay.
    std::vector<uint32_t> clear(colours);
    EXPECT_EQ(convert(dib::build(v5, dib::words(v5, clear)), true, 3, 2), colours);
}

TEST_F(PasteDib, SixteenBitAndPalettes) {
    // 5-5-5 by default and 5-6-5 by masks; full-scale values give 255.
    dib::Shape s555{.width = 2, .height = 1, .bits = 16};
    const std::vector<uint8_t> row555 = {0x00, 0x7C, 0x1F, 0x00};  // red, blue
    EXPECT_EQ(convert(dib::build(s555, row555), false, 2, 1), (std::vector<uint32_t>{0xFF0000, 0x0000FF}));
    dib::Shape s565{.width = 2, .height = 1, .bits = 16, .compression = 3, .after_header = {0xF800, 0x07E0, 0x001F}};
    const std::vector<uint8_t> row565 = {0xE0, 0x07, 0x10, 0x84};  // green; 10000 100000 10000
    EXPECT_EQ(convert(dib::build(s565, row565), false, 2, 1), (std::vector<uint32_t>{0x00FF00, 0x848284}));

    // 8-bit with a short table: an index past it is black.
    dib::Shape p8{.width = 3, .height = 1, .bits = 8, .colours_used = 2, .after_header = {0x123456, 0xABCDEF}};
    EXPECT_EQ(convert(dib::build(p8, {1, 0, 7, 0}), false, 3, 1), (std::vector<uint32_t>{0xABCDEF, 0x123456, 0}));
    // 4 and 1 bits: the high bits are the left pixel.
    dib::Shape p4{.width = 3, .height = 1, .bits = 4, .after_header = std::vector<uint32_t>(16, 0)};
    p4.after_header[2] = 0x0000FF, p4.after_header[15] = 0xFFFFFF;
    EXPECT_EQ(convert(dib::build(p4, {0x2F, 0x00, 0, 0}), false, 3, 1), (std::vector<uint32_t>{0xFF, 0xFFFFFF, 0}));
    dib::Shape p1{.width = 9, .height = 1, .bits = 1, .after_header = {0x000000, 0x00FF00}};
    std::vector<uint32_t> expected1 = {0xFF00, 0, 0, 0, 0, 0, 0, 0xFF00, 0xFF00};
    EXPECT_EQ(convert(dib::build(p1, {0x81, 0x80, 0, 0}), false, 9, 1), expected1);
}

TEST_F(PasteDib, HostileHeadersAreDeclined) {
    const dib::Shape good{.width = 4, .height = 2, .bits = 32};
    const auto good_rows = std::vector<uint8_t>(32, 0x55);
    struct Case {
        const char* what;
        dib::Shape shape;
        std::vector<uint8_t> rows;
        size_t cut = 0;  // bytes taken off the end
    };
    auto with = [&](auto change) {
        dib::Shape s = good;
        change(s);
        return s;
    };
    const Case cases[] = {
        {"rows one byte short", good, good_rows, 1},
        {"core header", with([](auto& s) { s.header = 12; }), good_rows},
        {"header past the block", with([](auto& s) { s.header = 124; }), {}, 70},
        {"header too long", with([](auto& s) { s.header = 200; }), good_rows},
        {"width 0", with([](auto& s) { s.width = 0; }), good_rows},
        {"negative width", with([](auto& s) { s.width = -4; }), good_rows},
        {"height 0", with([](auto& s) { s.height = 0; }), good_rows},
        {"lowest height", with([](auto& s) { s.height = INT32_MIN; }), good_rows},
        {"huge top-down", with([](auto& s) { s.height = -40000; }), good_rows},
        {"huge sides, small block", with([](auto& s) { s.width = 32767, s.height = 32767; }), good_rows},
        {"wider than the image library", with([](auto& s) { s.width = 70000; s.height = 1; }),
         std::vector<uint8_t>(280000)},
        {"no bits", with([](auto& s) { s.bits = 0; }), good_rows},
        {"2 bits", with([](auto& s) { s.bits = 2; }), good_rows},
        {"64 bits", with([](auto& s) { s.bits = 64; }), good_rows},
        {"run lengths", with([](auto& s) { s.bits = 8, s.compression = 1; }), good_rows},
        {"embedded PNG", with([](auto& s) { s.compression = 5; }), good_rows},
        {"masks on 24 bits", with([](auto& s) { s.bits = 24, s.compression = 3, s.after_header = {0xFF, 0xFF00, 0xFF0000}; }), good_rows},
        {"masks cut off", with([](auto& s) { s.compression = 3; }), {}},
        {"zero mask", with([](auto& s) { s.compression = 3, s.after_header = {0xFF0000, 0, 0xFF}; }), good_rows},
        {"broken mask", with([](auto& s) { s.compression = 3, s.after_header = {0xF0F000, 0xFF, 0xF00}; }), good_rows},
        {"overlapping masks", with([](auto& s) { s.compression = 3, s.after_header = {0xFFFF00, 0xFF00, 0xFF}; }), good_rows},
        {"alpha over colour", with([](auto& s) { s.header = 124, s.compression = 3, s.masks[0] = 0xFF0000, s.masks[1] = 0xFF00, s.masks[2] = 0xFF, s.masks[3] = 0x80000080; }), good_rows},
        {"16-bit mask past 16 bits", with([](auto& s) { s.bits = 16, s.compression = 3, s.after_header = {0x1F0000, 0x7E0, 0x1F}; }), good_rows},
        {"table longer than the depth allows", with([](auto& s) { s.bits = 8, s.colours_used = 257; }), std::vector<uint8_t>(2000)},
        {"table past the block", with([](auto& s) { s.colours_used = 0xFFFFFFFF; }), good_rows},
        {"8-bit full table missing", with([](auto& s) { s.bits = 8; }), good_rows},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> block = dib::build(c.shape, c.rows);
        block.resize(block.size() > c.cut ? block.size() - c.cut : 0);
        std::vector<uint8_t> exact(block);
        DibLayout layout;
        EXPECT_FALSE(read_dib_layout(exact.data(), exact.size(), &layout));
        EXPECT_EQ(dib_to_image(exact.data(), exact.size(), true), 0);
        EXPECT_FALSE(dib_has_alpha(exact.data(), exact.size()));
    }
    // Short blocks of every length below a header.
    const auto whole = dib::build(good, good_rows);
    for (size_t n = 0; n < 40; ++n) {
        std::vector<uint8_t> exact(whole.begin(), whole.begin() + n);
        EXPECT_EQ(dib_to_image(exact.empty() ? nullptr : exact.data(), n, false), 0) << n;
    }
    EXPECT_NE(dib_to_image(whole.data(), whole.size(), false), 0);
}

}  // namespace
