#include "codecs/palette.h"

#include <gtest/gtest.h>

#include "codecs/palette_neuquant.h"

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

// ---- the network's numbers, worked out by hand from the rules ------------

TEST(PaletteNetwork, GammaTableAndInitialNeurons) {
    static NeuQuantNet net;
    neuquant_setup(&net, nullptr, 0, 16);
    const struct {
        int index;
        double value;
    } gamma[] = {{0, 0}, {1, 12}, {2, 17}, {10, 42}, {64, 118}, {128, 174}, {200, 223}, {254, 254}, {255, 255}};
    for (auto c : gamma) EXPECT_EQ(net.gamma_table[c.index], c.value) << c.index;
    // A grey ramp through the gamma table, alpha rising by 16 for the first sixteen.
    const double expected16[][4] = {{0, 0, 0, 0}, {16, 55, 55, 55}, {112, 161, 161, 161}, {240, 247, 247, 247}};
    const int at16[] = {0, 1, 7, 15};
    for (int k = 0; k < 4; ++k)
        for (int c = 0; c < 4; ++c) EXPECT_EQ(net.neurons[at16[k]][c], expected16[k][c]) << at16[k] << " " << c;
    EXPECT_EQ(net.frequency[3], 1.0 / 16);
    neuquant_setup(&net, nullptr, 0, 256);
    const double expected256[][4] = {{240, 53, 53, 53}, {255, 55, 55, 55}, {255, 152, 152, 152}, {255, 255, 255, 255}};
    const int at256[] = {15, 16, 100, 255};
    for (int k = 0; k < 4; ++k)
        for (int c = 0; c < 4; ++c) EXPECT_EQ(net.neurons[at256[k]][c], expected256[k][c]) << at256[k] << " " << c;
}

TEST(PaletteNetwork, ATinyPicturesExactPaletteAndIndices) {
    // Six samples with the full radius pull all four neurons towards the
    // mean; the numbers follow from the training rules alone.
    TestPicture p = blank_picture(3, 2, 32);
    const int pixels[6][4] = {{0, 0, 255, 255},     {0, 255, 0, 255}, {255, 0, 0, 255},
                              {255, 255, 255, 255}, {0, 0, 0, 255},   {40, 120, 200, 128}};
    for (int k = 0; k < 6; ++k) set_pixel(p, k % 3, k / 3, pixels[k][0], pixels[k][1], pixels[k][2], pixels[k][3]);
    PaletteReducer* r = reduce(p, 2);
    ASSERT_NE(r, nullptr);
    const uint8_t palette[4][4] = {{32, 92, 151, 150}, {32, 93, 152, 149}, {33, 93, 153, 148}, {33, 94, 155, 148}};
    for (int i = 0; i < 4; ++i)
        for (int c = 0; c < 4; ++c) EXPECT_EQ(r->palette[i][c], palette[i][c]) << i << " " << c;
    EXPECT_EQ(all_rows(r), (Indices{{0, 1, 0}, {3, 0, 3}}));
    free_reducer(r);
}

TEST(PaletteNetwork, AnExactGreenIndexForACraftedSet) {
    static NeuQuantNet net;
    neuquant_setup(&net, nullptr, 0, 8);
    // Greens (gamma space) out of order; the search holds them as 255, 0,
    // 117, 174, 0, 117, 117, 230.
    const double greens[8] = {255, 0, 118, 174, 0, 118, 118, 230};
    for (int i = 0; i < 8; ++i) {
        net.neurons[i][0] = 255;
        net.neurons[i][1] = net.neurons[i][3] = 0;
        net.neurons[i][2] = greens[i];
    }
    neuquant_build_search(&net);
    const int sorted[8] = {0, 0, 117, 117, 117, 174, 230, 255};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(net.search[i][1], sorted[i]) << i;
    // Runs of the index: a green present starts in the middle of its own
    // run, a missing one at the next larger green.
    const struct {
        int from, to, index;
    } runs[] = {{0, 0, 1}, {1, 116, 2}, {117, 117, 3}, {118, 174, 5}, {175, 230, 6}, {231, 255, 7}};
    for (auto run : runs)
        for (int g = run.from; g <= run.to; ++g) EXPECT_EQ(net.green_index[g], run.index) << g;
}

TEST(PaletteNetwork, EveryPaletteColourFindsItsOwnEntry) {
    // A pixel of a palette colour is at distance 0 from its own entry, the
    // nearest any search through every entry can find: the search ordered by
    // green must find an entry at distance 0 too.
    TestPicture photo = synthetic_photograph(64, 48, 32, true);
    for (int depth : {4, 8}) {
        PaletteReducer* r = reduce(photo, depth);
        ASSERT_NE(r, nullptr);
        const NeuQuantNet* net = r->network;
        for (int i = 0; i < (1 << depth); ++i) {
            const uint8_t* c = r->palette[i];
            const int found = neuquant_search(net, c[3], c[2], c[1], c[0]);
            EXPECT_EQ(std::memcmp(net->search[found], net->search[i], 4), 0)
                << "depth " << depth << " entry " << i << " found " << found;
        }
        free_reducer(r);
    }
}

TEST(PaletteNetwork, ALengthDivisibleBy499StepsBy491) {
    // 499 x 2 pixels: a step of 499 would only ever sample the black first
    // column; 491 reaches the red of every other pixel.
    TestPicture p = blank_picture(499, 2, 24);
    for (int y = 0; y < 2; ++y)
        for (int x = 1; x < 499; ++x) set_pixel(p, x, y, 0, 0, 230);
    PaletteReducer* r = reduce(p, 2);
    ASSERT_NE(r, nullptr);
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(r->palette[i][0] == 0 && r->palette[i][1] == 0 && r->palette[i][2] == 231 && r->palette[i][3] == 255)
            << i;
    free_reducer(r);
}

TEST(PaletteDither, ThreeByTwoPictureWithABlackAndWhitePalette) {
    TestPicture p = blank_picture(3, 2, 32);
    const int pixels[6][3] = {{100, 100, 100}, {30, 150, 240}, {200, 200, 200},
                              {200, 60, 10},   {128, 128, 128}, {220, 220, 220}};
    for (int k = 0; k < 6; ++k) set_pixel(p, k % 3, k / 3, pixels[k][0], pixels[k][1], pixels[k][2]);
    PaletteReducer* r = reduce(p, 2, DITHER);
    ASSERT_NE(r, nullptr);
    // Two entries only: black and white, opaque.
    NeuQuantNet* net = r->network;
    net->size = 2;
    const double neurons[2][4] = {{255, 0, 0, 0}, {255, 255, 255, 255}};
    std::memcpy(net->neurons, neurons, sizeof neurons);
    neuquant_build_search(net);
    neuquant_palette(net, r->palette);
    // Row by row: the error carried along each row and into the next stays
    // small, and the last row spreads it into itself.
    EXPECT_EQ(all_rows(r), (Indices{{1, 1, 1}, {0, 1, 1}}));
    const uint8_t after[6][4] = {{100, 100, 100, 255}, {30, 150, 240, 255}, {200, 200, 200, 255},
                                 {198, 58, 8, 255},    {123, 125, 125, 255}, {217, 217, 218, 255}};
    for (int k = 0; k < 6; ++k)
        for (int c = 0; c < 4; ++c) EXPECT_EQ(r->pixels[4 * k + c], after[k][c]) << k << " " << c;
    EXPECT_EQ(r->carried_error[0], 2);
    EXPECT_EQ(r->carried_error[3], 0);
    free_reducer(r);
}

}  // namespace
