#include "codecs/palette.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "unit/palette_pictures.h"

namespace {

using Indices = std::vector<std::vector<int>>;  // [memory row][x]

// Unpacks one packed row: first pixel in the highest bits of each byte.
std::vector<int> unpack_row(const uint8_t* packed, int32_t width, int32_t depth) {
    std::vector<int> out(width);
    int bits = (depth == 1 || depth == 2 || depth == 4) ? depth : 8;
    for (int32_t x = 0; x < width; ++x) {
        size_t bit = static_cast<size_t>(x) * bits;
        out[x] = (packed[bit / 8] >> (8 - bits - bit % 8)) & ((1 << bits) - 1);
    }
    return out;
}

// Every row, memory row 0 first unless `backwards`.
Indices all_rows(PaletteReducer* r, bool backwards = false) {
    Indices rows(r->height);
    for (int32_t i = 0; i < r->height; ++i) {
        int32_t y = backwards ? r->height - 1 - i : i;
        const uint8_t* packed = reducer_row(r, y);
        EXPECT_NE(packed, nullptr);
        if (packed) rows[y] = unpack_row(packed, r->width, r->depth);
    }
    return rows;
}

// The picture the palette and indices stand for, 4 bytes per pixel.
std::vector<uint8_t> rebuild(const PaletteReducer* r, const Indices& rows) {
    std::vector<uint8_t> out;
    for (const auto& row : rows)
        for (int i : row) out.insert(out.end(), r->palette[i], r->palette[i] + 4);
    return out;
}

std::vector<uint8_t> as_bgra(const TestPicture& p) {
    std::vector<uint8_t> out;
    for (int32_t y = 0; y < p.height; ++y)
        for (int32_t x = 0; x < p.width; ++x) {
            const uint8_t* q = p.pixel(x, y);
            out.insert(out.end(), {q[0], q[1], q[2], p.bits == 32 ? q[3] : uint8_t(255)});
        }
    return out;
}

PaletteReducer* reduce(const TestPicture& p, int32_t depth, int32_t flags = 0) {
    return reduce_palette(p.bytes.data(), p.width, p.height, p.bits, p.pitch, depth, flags);
}

TEST(PaletteThreshold, MapsByLuminance) {
    for (int bits : {24, 32}) {
        TestPicture p = blank_picture(5, 1, bits);
        set_pixel(p, 0, 0, 0, 255, 0);      // green: 0.7152 * 255 is about 182 -> white
        set_pixel(p, 1, 0, 0, 0, 255);      // red -> black
        set_pixel(p, 2, 0, 255, 0, 0);      // blue -> black
        set_pixel(p, 3, 0, 255, 255, 255);  // white -> white
        set_pixel(p, 4, 0, 160, 160, 160);  // exactly 160 is not above it -> black
        PaletteReducer* r = reduce(p, 1);
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(r->network, nullptr);
        const uint8_t black[4] = {0, 0, 0, 0}, white[4] = {255, 255, 255, 0};
        EXPECT_EQ(0, std::memcmp(r->palette[0], black, 4));
        EXPECT_EQ(0, std::memcmp(r->palette[1], white, 4));
        const uint8_t* row = reducer_row(r, 0);
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(row[0], 0x90) << "bits " << bits;  // 1 0 0 1 0, then zero padding
        free_reducer(r);
    }
}

TEST(PaletteSampling, GrowsWithPictureSize) {
    EXPECT_EQ(sampling_factor(600, 600), 2);
    EXPECT_EQ(sampling_factor(512, 512), 2);  // exactly 262144 pixels
    EXPECT_EQ(sampling_factor(511, 512), 1);
    EXPECT_EQ(sampling_factor(100, 100), 1);
    EXPECT_EQ(sampling_factor(1536, 1536), 10);  // 2,359,296 pixels
    EXPECT_EQ(sampling_factor(2359295, 1), 9);
    EXPECT_EQ(sampling_factor(32767, 32767), 10);
}

TEST(PaletteReducer, IndicesStayBelowPaletteSize) {
    TestPicture photo = synthetic_photograph(37, 23, 32, true);  // odd width exercises the packing tail
    for (int depth = 1; depth <= 8; ++depth) {
        for (int flags : {0, DITHER}) {
            PaletteReducer* r = reduce(photo, depth, flags);
            ASSERT_NE(r, nullptr);
            Indices rows = all_rows(r);
            for (const auto& row : rows)
                for (int i : row) ASSERT_LT(i, 1 << depth) << "depth " << depth << " flags " << flags;
            free_reducer(r);
        }
    }
}

TEST(PaletteReducer, PacksFirstPixelIntoHighestBits) {
    // Depth 1 is a fixed threshold, so the packed bytes are known exactly.
    TestPicture p = blank_picture(11, 1, 24);
    const int pattern[11] = {1, 0, 1, 1, 0, 0, 0, 1, 1, 1, 0};
    for (int x = 0; x < 11; ++x) set_pixel(p, x, 0, pattern[x] * 255, pattern[x] * 255, pattern[x] * 255);
    PaletteReducer* r = reduce(p, 1);
    ASSERT_NE(r, nullptr);
    const uint8_t* row = reducer_row(r, 0);
    EXPECT_EQ(row[0], 0xB1);
    EXPECT_EQ(row[1], 0xC0);  // three pixels, low bits zero
    EXPECT_EQ(row[2], 0);
    free_reducer(r);
}

TEST(PaletteReducer, FullyTransparentPictureUsesTheEntryNearestAlphaZero) {
    TestPicture p = synthetic_photograph(40, 30, 32);
    for (int32_t y = 0; y < p.height; ++y)
        for (int32_t x = 0; x < p.width; ++x) p.row(y)[4 * x + 3] = 0;  // colours remain, alpha 0
    for (int depth : {2, 4, 8}) {
        PaletteReducer* r = reduce(p, depth);
        ASSERT_NE(r, nullptr);
        int lowest = 255;
        for (int i = 0; i < (1 << depth); ++i) lowest = std::min<int>(lowest, r->palette[i][3]);
        EXPECT_EQ(lowest, 0) << "depth " << depth;
        Indices rows = all_rows(r);
        int first = rows[0][0];
        EXPECT_EQ(r->palette[first][3], lowest);
        for (const auto& row : rows)
            for (int i : row) ASSERT_EQ(i, first);
        free_reducer(r);
    }
}

TEST(PaletteReducer, FullPaletteForFewColours) {
    // Three colours at depth 8: each comes back nearly exact, and all 256
    // entries take part in the search, ordered by green as it relies on.
    TestPicture p = blank_picture(60, 40, 24);
    const int colours[3][3] = {{20, 200, 90}, {250, 30, 10}, {128, 128, 128}};
    for (int32_t y = 0; y < p.height; ++y)
        for (int32_t x = 0; x < p.width; ++x) {
            const int* c = colours[(x / 20 + y / 10) % 3];
            set_pixel(p, x, y, c[0], c[1], c[2]);
        }
    PaletteReducer* r = reduce(p, 8);
    ASSERT_NE(r, nullptr);
    ASSERT_NE(r->network, nullptr);
    EXPECT_EQ(r->network->size, 256u);
    for (int i = 1; i < 256; ++i) EXPECT_LE(r->network->search[i - 1][1], r->network->search[i][1]) << i;
    for (int g = 0; g < 256; ++g) {
        EXPECT_GE(r->network->green_index[g], 0);
        EXPECT_LT(r->network->green_index[g], 256);
    }
    std::vector<uint8_t> back = rebuild(r, all_rows(r));
    EXPECT_GT(colour_psnr(back, as_bgra(p)), 40.0);
    free_reducer(r);
}

TEST(PaletteReducer, EightBitsKeepAPhotographClose) {
    TestPicture photo = synthetic_photograph(160, 120, 24);
    PaletteReducer* r = reduce(photo, 8);
    ASSERT_NE(r, nullptr);
    double psnr = colour_psnr(rebuild(r, all_rows(r)), as_bgra(photo));
    EXPECT_GT(psnr, 40.0);  // measured 42.6
    free_reducer(r);

    r = reduce(photo, 4);
    ASSERT_NE(r, nullptr);
    double psnr4 = colour_psnr(rebuild(r, all_rows(r)), as_bgra(photo));
    EXPECT_GT(psnr4, 32.0);  // measured 34.5
    EXPECT_LT(psnr4, psnr);
    free_reducer(r);
}

TEST(PaletteReducer, SourceLayoutDoesNotChangeTheResult) {
    // The same opaque picture as 24 bits, as packed 32 bits and as 32 bits
    // with padded rows gives the same palette and indices.
    TestPicture p24 = synthetic_photograph(45, 31, 24);
    TestPicture p32 = blank_picture(45, 31, 32);
    TestPicture padded = blank_picture(45, 31, 32, 12);
    for (int32_t y = 0; y < 31; ++y)
        for (int32_t x = 0; x < 45; ++x) {
            const uint8_t* q = p24.pixel(x, y);
            set_pixel(p32, x, y, q[0], q[1], q[2]);
            set_pixel(padded, x, y, q[0], q[1], q[2]);
        }
    for (int flags : {0, DITHER}) {
        PaletteReducer* a = reduce(p24, 8, flags);
        PaletteReducer* b = reduce(p32, 8, flags);
        PaletteReducer* c = reduce(padded, 8, flags);
        ASSERT_TRUE(a && b && c);
        EXPECT_EQ(0, std::memcmp(a->palette, b->palette, sizeof a->palette));
        EXPECT_EQ(0, std::memcmp(a->palette, c->palette, sizeof a->palette));
        Indices ra = all_rows(a);
        EXPECT_EQ(ra, all_rows(b));
        EXPECT_EQ(ra, all_rows(c));
        free_reducer(a);
        free_reducer(b);
        free_reducer(c);
    }
}

TEST(PaletteDither, WorksOnItsOwnCopyAndDependsOnRowOrder) {
    TestPicture photo = synthetic_photograph(50, 40, 32);
    const std::vector<uint8_t> before = photo.bytes;
    PaletteReducer* forward = reduce(photo, 4, DITHER);
    PaletteReducer* backward = reduce(photo, 4, DITHER);
    PaletteReducer* plain = reduce(photo, 4);
    ASSERT_TRUE(forward && backward && plain);
    EXPECT_TRUE(forward->owns_pixels);
    EXPECT_FALSE(plain->owns_pixels);  // packed 32-bit rows are read in place
    EXPECT_EQ(0, std::memcmp(forward->palette, plain->palette, sizeof plain->palette));
    Indices f = all_rows(forward), b = all_rows(backward, true), n = all_rows(plain);
    EXPECT_NE(f, b);
    EXPECT_NE(f, n);
    EXPECT_EQ(photo.bytes, before);  // the caller's pixels are never written
    free_reducer(forward);
    free_reducer(backward);
    free_reducer(plain);
}

TEST(PaletteDither, LowersTheErrorOfLocalMeans) {
    // A grey ramp at depth 4: without dithering whole bands take one entry;
    // with it, the mean over small blocks follows the ramp.
    TestPicture ramp = grey_gradient(256, 32, 24, 40, 200);
    auto local_mean_error = [&](int flags) {
        PaletteReducer* r = reduce(ramp, 4, flags);
        EXPECT_NE(r, nullptr);
        if (!r) return 1e9;
        std::vector<uint8_t> back = rebuild(r, all_rows(r));
        free_reducer(r);
        const int block = 8;
        double err = 0;
        int blocks = 0;
        for (int by = 0; by + block <= ramp.height; by += block)
            for (int bx = 0; bx + block <= ramp.width; bx += block, ++blocks) {
                double want = 0, got = 0;
                for (int y = by; y < by + block; ++y)
                    for (int x = bx; x < bx + block; ++x) {
                        want += ramp.pixel(x, y)[1];
                        got += back[(static_cast<size_t>(y) * ramp.width + x) * 4 + 1];
                    }
                double d = (want - got) / (block * block);
                err += d * d;
            }
        return err / blocks;
    };
    double plain = local_mean_error(0), dithered = local_mean_error(DITHER);
    EXPECT_LT(dithered, plain * 0.5) << "plain " << plain << " dithered " << dithered;
}

TEST(PaletteReducer, RefusesWhatIsNoPicture) {
    uint8_t small[64] = {};
    struct Case {
        const void* pixels;
        int32_t width, height, bits, pitch, depth;
    } cases[] = {
        {nullptr, 2, 2, 24, 8, 8},   // no pixels
        {small, 0, 2, 24, 8, 8},     // no width
        {small, 2, -1, 24, 8, 8},    // negative height
        {small, 2, 2, 16, 8, 8},     // unsupported source depth
        {small, 2, 2, 24, 8, 0},     // depth below 1
        {small, 2, 2, 24, 8, 9},     // depth above 8
        {small, 2, 2, 32, 4, 8},     // rows overlap
        // Too large to count in 32 bits: refused before a pixel is read.
        {small, 65536, 65536, 24, 65536 * 3, 8},
        {small, 65536, 65536, 32, 65536 * 4, 1},
        {small, 0x7FFFFFFF, 1, 24, 0x7FFFFFFF, 4},
    };
    for (const Case& c : cases)
        EXPECT_EQ(reduce_palette(c.pixels, c.width, c.height, c.bits, c.pitch, c.depth, 0), nullptr)
            << c.width << " x " << c.height << " bits " << c.bits << " depth " << c.depth;

    TestPicture p = synthetic_photograph(8, 4, 24);
    PaletteReducer* r = reduce(p, 4);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(reducer_row(r, -1), nullptr);
    EXPECT_EQ(reducer_row(r, 4), nullptr);
    EXPECT_EQ(reducer_row(nullptr, 0), nullptr);
    free_reducer(r);
    free_reducer(nullptr);
}

}  // namespace
