// scale_square_into against the path it replaces, grab_image then
// resize_image (mode 0): byte for byte over many squares inside, at and past
// the edges of odd-sized pictures, sides below, at and above the target
// size, at both depths and with and without the alpha display (which picks
// the cubic filter for 32-bit pictures).
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include "image/image.h"
#include "image/square.h"

namespace {

// Noise with distinct channels; at 32 bits every seventh pixel is fully
// transparent, so the cubic path's whitening shows.
int64_t noise_picture(int32_t w, int32_t h, int32_t depth, uint32_t seed) {
    const int64_t image = create_image(AUTO_ID, w, h, depth);
    BitmapInfo info{};
    uint8_t* bits = image_bits(image, &info);
    if (!bits) return 0;
    std::mt19937 random(seed);
    const int bpp = depth / 8;
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            uint8_t* p = bits + static_cast<int64_t>(y) * info.stride + x * bpp;
            const uint32_t r = random();
            p[0] = static_cast<uint8_t>(r), p[1] = static_cast<uint8_t>(x * 3 + y), p[2] = static_cast<uint8_t>(r >> 8);
            if (bpp == 4) p[3] = (x + 2 * y) % 7 == 0 ? 0 : static_cast<uint8_t>(r >> 16);
        }
    return image;
}

// The pixel bytes of an image, row by row without the padding.
std::vector<uint8_t> pixel_bytes(int64_t image) {
    BitmapInfo info{};
    const uint8_t* bits = image_bits(image, &info);
    std::vector<uint8_t> out;
    if (!bits) return out;
    const size_t row = static_cast<size_t>(info.width) * (info.bits_per_pixel / 8);
    for (int32_t y = 0; y < info.height; ++y) out.insert(out.end(), bits + y * info.stride, bits + y * info.stride + row);
    return out;
}

struct Square {
    int32_t x, y, side;
};

// The first mismatching square, or -1.
int first_mismatch(int64_t source, int32_t depth, int32_t size, const std::vector<Square>& squares) {
    const int64_t target = create_image(AUTO_ID, size, size, depth);
    for (size_t i = 0; i < squares.size(); ++i) {
        const Square& s = squares[i];
        const int64_t reference = grab_image(source, AUTO_ID, s.x, s.y, s.side, s.side);
        if (!reference) return static_cast<int>(i);
        if (s.side != size && !resize_image(reference, size, size, 0)) return static_cast<int>(i);
        const bool made = scale_square_into(target, source, s.x, s.y, s.side) == 1;
        const bool same = made && pixel_bytes(target) == pixel_bytes(reference);
        free_image(reference);
        if (!same) return static_cast<int>(i);
    }
    free_image(target);
    return -1;
}

class ScaleSquare : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        init_image_library();
        if (GetParam()) load_alpha_blend();
        else unload_alpha_blend();
    }
    void TearDown() override {
        free_all_images();
        load_alpha_blend();
    }
};

TEST_P(ScaleSquare, EqualsGrabThenResizeAtTheToolsSize) {
    for (int32_t depth : {24, 32}) {
        const int64_t source = noise_picture(1001, 703, depth, 5);
        ASSERT_NE(source, 0);
        const std::vector<Square> squares = {
            {0, 0, 600},      {37, 20, 600},   {0, 0, 703},    {298, 0, 703},   {0, 0, 699},   {13, 7, 601},
            {0, 0, 1},        {500, 300, 17},  {3, 5, 599},    {100, 50, 301},  {0, 0, 1200},  {-50, 20, 700},
            {900, 600, 400},  {-300, -300, 250}, {1001, 0, 600}, {0, 703, 900},  {-900, -900, 1000},
            {-2000, 0, 800},  {400, -200, 1500}, {999, 701, 2},
        };
        EXPECT_EQ(first_mismatch(source, depth, 600, squares), -1) << "depth " << depth;
    }
}

TEST_P(ScaleSquare, EqualsGrabThenResizeOverRandomSquaresAndSizes) {
    std::mt19937 random(11);
    for (int32_t depth : {24, 32})
        for (int32_t size : {1, 7, 40, 64}) {
            const int32_t w = 13 + static_cast<int32_t>(random() % 90), h = 9 + static_cast<int32_t>(random() % 90);
            const int64_t source = noise_picture(w, h, depth, random());
            std::vector<Square> squares;
            for (int i = 0; i < 60; ++i) {
                const int32_t side = 1 + static_cast<int32_t>(random() % (3 * (w > h ? w : h)));
                const int32_t x = static_cast<int32_t>(random() % (2 * w + side)) - side;
                const int32_t y = static_cast<int32_t>(random() % (2 * h + side)) - side;
                squares.push_back({x, y, side});
            }
            squares.push_back({0, 0, size});
            EXPECT_EQ(first_mismatch(source, depth, size, squares), -1) << "depth " << depth << " size " << size;
            free_image(source);
        }
}

INSTANTIATE_TEST_SUITE_P(AlphaDisplay, ScaleSquare, ::testing::Bool());

// With alpha display, as the exact scaling sees them, fully transparent
// pixels are white.
TEST_P(ScaleSquare, SampleIsTheSourcePixelAtEachFootprintsCentre) {
    for (int32_t depth : {24, 32}) {
        const int32_t bpp = depth / 8;
        const int64_t source = noise_picture(301, 203, depth, 3);
        const int64_t target = create_image(AUTO_ID, 40, 40, depth);
        BitmapInfo from{}, to{};
        const uint8_t* s = image_bits(source, &from);
        for (Square q : std::vector<Square>{{0, 0, 203}, {-30, 50, 250}, {100, -7, 1000}, {300, 202, 40}, {0, 0, 13}}) {
            ASSERT_EQ(sample_square_into(target, source, q.x, q.y, q.side), 1);
            const uint8_t* d = image_bits(target, &to);
            int wrong = 0;
            for (int32_t row = 0; row < 40; ++row)
                for (int32_t col = 0; col < 40; ++col) {
                    const int64_t px = q.x + (2 * col + 1) * int64_t{q.side} / 80;
                    const int64_t py = q.y + (2 * row + 1) * int64_t{q.side} / 80;
                    const uint8_t* got = d + (39 - row) * to.stride + col * bpp;
                    const bool inside = px >= 0 && px < 301 && py >= 0 && py < 203;
                    uint8_t want[4] = {};
                    if (inside) std::memcpy(want, s + (202 - py) * from.stride + px * bpp, bpp);
                    if (depth == 32 && GetParam() && q.side != 40 && want[3] == 0) want[0] = want[1] = want[2] = 255;
                    wrong += std::memcmp(got, want, bpp) != 0;
                }
            EXPECT_EQ(wrong, 0) << depth << " " << q.x << "," << q.y << "," << q.side;
        }
        EXPECT_EQ(sample_square_into(target, source, 0, 0, 0), 0);
        EXPECT_EQ(sample_square_into(target, source, INT64_MIN, INT64_MAX, MAX_IMAGE_SIDE), 1);
        free_image(source);
        free_image(target);
    }
}

TEST(ScaleSquareInto, RefusesWhatTheGrabCouldNotMake) {
    load_alpha_blend();
    init_image_library();
    const int64_t source = noise_picture(50, 40, 24, 1);
    const int64_t square = create_image(AUTO_ID, 20, 20, 24);
    const int64_t wide = create_image(AUTO_ID, 20, 10, 24);
    const int64_t deeper = create_image(AUTO_ID, 20, 20, 32);
    EXPECT_EQ(scale_square_into(square, source, 0, 0, 30), 1);
    EXPECT_EQ(scale_square_into(square, source, 0, 0, 0), 0);
    EXPECT_EQ(scale_square_into(square, source, 0, 0, -3), 0);
    EXPECT_EQ(scale_square_into(square, source, 0, 0, MAX_IMAGE_SIDE + 1), 0);
    EXPECT_EQ(scale_square_into(wide, source, 0, 0, 30), 0);
    EXPECT_EQ(scale_square_into(deeper, source, 0, 0, 30), 0);
    EXPECT_EQ(scale_square_into(square, 0, 0, 0, 30), 0);
    EXPECT_EQ(scale_square_into(0, source, 0, 0, 30), 0);
    // Far outside, even at the 64-bit extremes: all black, no overflow.
    EXPECT_EQ(scale_square_into(square, source, INT64_MIN, INT64_MAX, MAX_IMAGE_SIDE), 1);
    const std::vector<uint8_t> bytes = pixel_bytes(square);
    EXPECT_EQ(bytes, std::vector<uint8_t>(bytes.size(), 0));
    free_all_images();
}

// Batch workers scale at once, each with its own kept weights and buffers,
// and the kept threads serve only one of them: the bytes stay one thread's.
TEST(ScaleSquare, ThreadsScalingAtOnceGiveWhatOneGives) {
    std::vector<uint8_t> source(703 * 1001 * 4);
    std::mt19937 random(3);
    for (uint8_t& b : source) b = static_cast<uint8_t>(random());
    const int32_t sides[] = {700, 643, 1001, 600, 1290};
    auto scale = [&](int32_t side, int32_t bpp, std::vector<uint8_t>& out) {
        out.assign(600 * 600 * 4, 1);
        return scale_square(out.data(), 600 * bpp, 600, source.data(), 1001 * bpp, 1001, 703, bpp, -40, 9, side,
                            bpp == 4 ? SQUARE_CUBIC : SQUARE_AREA);
    };
    std::vector<uint8_t> want[2][5], got[2][5];
    for (int32_t t = 0; t < 2; ++t)
        for (int32_t i = 0; i < 5; ++i) ASSERT_TRUE(scale(sides[i], 3 + t, want[t][i]));
    std::thread other([&] {
        for (int32_t i = 0; i < 5; ++i) scale(sides[4 - i], 4, got[1][4 - i]);
    });
    for (int32_t i = 0; i < 5; ++i) scale(sides[i], 3, got[0][i]);
    other.join();
    for (int32_t t = 0; t < 2; ++t)
        for (int32_t i = 0; i < 5; ++i) EXPECT_TRUE(got[t][i] == want[t][i]) << t << " " << sides[i];
}

}  // namespace
