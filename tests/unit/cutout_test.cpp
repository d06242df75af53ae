#include "app/output/cutout.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace {

// Source pixels whose three colour bytes differ from each other and from
// pixel to pixel, with an alpha byte that must never reach the output.
uint32_t source_word(int64_t x, int64_t y) {
    return 0x5A000000u | static_cast<uint32_t>((x * 7 + y * 13) & 0xFF) |
           (static_cast<uint32_t>((x + 3 * y) & 0xFF) << 8) | (static_cast<uint32_t>((y * 5 + x) & 0xFF) << 16);
}

class Cutout : public ::testing::Test {
protected:
    std::unique_ptr<PixelBuffer> source{new PixelBuffer{}};
    std::unique_ptr<PixelBuffer> output{new PixelBuffer{}};

    void fill_source() {
        for (int64_t y = 0; y < CANVAS_SIZE; ++y)
            for (int64_t x = 0; x < CANVAS_SIZE; ++x) source->words[x + CANVAS_SIZE * y] = source_word(x, y);
    }
    // Inner alpha 7 and outer alpha 200 tell the two parts apart.
    void render(int64_t radius, int64_t colour = 0, int64_t outer = 200, int64_t inner = 7) {
        compose_cutout(CutoutCanvas{source.get(), output.get(), inner}, colour, outer, radius);
    }
    bool inside(int64_t x, int64_t y) const { return (output->words[x + CANVAS_SIZE * y] >> 24) == 7; }
    int64_t inside_count() const {
        int64_t n = 0;
        for (uint32_t w : output->words) n += (w >> 24) == 7;
        return n;
    }
};

TEST_F(Cutout, PixelCountsOfTheCircle) {
    const struct {
        int64_t radius, pixels;
    } cases[] = {
        {0, 1},
        {1, 5},
        {3, 37},
        {295, 274245},
        {300, 283491},
        {424, 360000},
        {425, 360000},
        {1000000, 360000},
        {INT64_MAX, 360000},
        {-1, 0},
        {-3, 0},
        {INT64_MIN, 0},
    };
    for (const auto& c : cases) {
        render(c.radius);
        EXPECT_EQ(inside_count(), c.pixels) << "radius " << c.radius;
    }
}

TEST_F(Cutout, DefaultCircleShape) {
    render(295);
    int64_t left = CANVAS_SIZE, right = -1, top = CANVAS_SIZE, bottom = -1;
    for (int64_t y = 0; y < CANVAS_SIZE; ++y)
        for (int64_t x = 0; x < CANVAS_SIZE; ++x)
            if (inside(x, y)) {
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
                // Symmetric about column 299, row 299 and the diagonal.
                EXPECT_TRUE(inside(598 - x, y) && inside(x, 598 - y) && inside(y, x)) << x << "," << y;
            }
    EXPECT_EQ(left, 4);
    EXPECT_EQ(right, 594);
    EXPECT_EQ(top, 4);
    EXPECT_EQ(bottom, 594);
    for (int64_t x = 0; x < CANVAS_SIZE; ++x) EXPECT_EQ(inside(x, 4), x >= 282 && x <= 316) << x;
    for (int64_t y = 0; y < CANVAS_SIZE; ++y) EXPECT_EQ(inside(299, y), y >= 4 && y <= 594) << y;
    // Every row of the disc is one unbroken run.
    for (int64_t y = 4; y <= 594; ++y) {
        int runs = 0;
        for (int64_t x = 0; x < CANVAS_SIZE; ++x) runs += inside(x, y) && (x == 0 || !inside(x - 1, y));
        EXPECT_EQ(runs, 1) << "row " << y;
    }
}

TEST_F(Cutout, SmallAndEdgeRadii) {
    render(0);
    EXPECT_TRUE(inside(299, 299));
    render(1);
    for (auto [x, y] : {std::pair{299, 299}, {298, 299}, {300, 299}, {299, 298}, {299, 300}})
        EXPECT_TRUE(inside(x, y)) << x << "," << y;
    // Radius 300 reaches all four edges.
    render(300);
    EXPECT_TRUE(inside(0, 299) && inside(599, 299) && inside(299, 0) && inside(299, 599));
    EXPECT_FALSE(inside(0, 0) || inside(599, 599));
}

TEST_F(Cutout, BytesInsideAndOutside) {
    fill_source();
    // Red 255, green 0, blue 0 is stored as 00 00 FF and the outer alpha.
    render(295, 0x0000FF, 0x80, 0xC3);
    const auto* bytes = reinterpret_cast<const unsigned char*>(output->words);
    const unsigned char corner[4] = {0x00, 0x00, 0xFF, 0x80};
    EXPECT_EQ(std::memcmp(bytes, corner, 4), 0);
    EXPECT_EQ(std::memcmp(bytes + (599 + 600 * 599) * 4, corner, 4), 0);
    // Inside: the source's colour bytes with the inner alpha.
    for (auto [x, y] : {std::pair{299, 299}, {4, 299}, {282, 4}, {316, 594}, {100, 500}}) {
        uint32_t expected = (source_word(x, y) & 0xFFFFFF) | 0xC3000000u;
        EXPECT_EQ(output->words[x + 600 * y], expected) << x << "," << y;
    }
    // An inner alpha of 0 leaves the disc transparent but keeps its colour.
    render(295, 0x0000FF, 0, 0);
    EXPECT_EQ(output->words[299 + 600 * 299], source_word(299, 299) & 0xFFFFFF);
    EXPECT_EQ(output->words[0], 0x00FF0000u);
}

TEST_F(Cutout, BackgroundColourComponents) {
    // Colour values put red in bits 0-7; the buffer wants blue in byte 0.
    EXPECT_EQ(static_cast<uint32_t>(cutout_fill_word(0x123456, 255)), 0xFF563412u);
    EXPECT_EQ(static_cast<uint32_t>(cutout_fill_word(0, 0)), 0u);
    // Bits above blue are not part of the colour.
    EXPECT_EQ(static_cast<uint32_t>(cutout_fill_word(0x7F123456, 1)), 0x01563412u);
}

TEST_F(Cutout, RenderingTwiceGivesTheSameOutput) {
    fill_source();
    render(295, 0x00FF00, 10, 250);
    std::unique_ptr<PixelBuffer> first{new PixelBuffer(*output)};
    render(295, 0x00FF00, 10, 250);
    EXPECT_EQ(std::memcmp(first->words, output->words, PIXEL_BUFFER_SIZE), 0);
}

TEST_F(Cutout, ZeroSourceGivesABlackDiscOnTheBackground) {
    // Before any load the source buffer is all zero.
    render(295, 0, 255, 255);
    EXPECT_EQ(output->words[299 + 600 * 299], 0xFF000000u);
    EXPECT_EQ(output->words[0], 0xFF000000u);
    render(295, 0xFFFFFF, 255, 255);
    EXPECT_EQ(output->words[299 + 600 * 299], 0xFF000000u);
    EXPECT_EQ(output->words[0], 0xFFFFFFFFu);
}

TEST_F(Cutout, SpansWriteWhatEachPixelPlotWrites) {
    fill_source();
    std::unique_ptr<PixelBuffer> plotted{new PixelBuffer{}};
    for (int64_t alpha : {int64_t{0}, int64_t{1}, int64_t{128}, int64_t{255}, int64_t{256}, int64_t{300}, int64_t{-1}, INT64_MIN}) {
        fill_output_buffer(output.get(), 0x0A0B0C, 17);
        *plotted = *output;
        fill_span(CutoutCanvas{source.get(), output.get(), alpha}, 7, 580, 123);
        for (int64_t x = 7; x <= 580; ++x) plot_cutout_pixel(CutoutCanvas{source.get(), plotted.get(), alpha}, x, 123);
        EXPECT_EQ(std::memcmp(plotted->words, output->words, PIXEL_BUFFER_SIZE), 0) << "alpha " << alpha;
    }
}

TEST_F(Cutout, RasteriserClipsAndToleratesAbsentBuffers) {
    CutoutCanvas canvas{source.get(), output.get(), 7};
    fill_output_buffer(output.get(), 0, 200);
    fill_span(canvas, INT64_MAX, INT64_MIN, 10);  // swapped and clipped: the whole row
    fill_span(canvas, 0, 599, -1);
    fill_span(canvas, 0, 599, 600);
    plot_cutout_pixel(canvas, -1, 0);
    plot_cutout_pixel(canvas, 600, 0);
    EXPECT_EQ(inside_count(), 600);
    for (int64_t x = 0; x < 600; ++x) EXPECT_TRUE(inside(x, 10));
    fill_circle(canvas, INT64_MAX, INT64_MIN, INT64_MAX);
    EXPECT_EQ(inside_count(), 600);
    compose_cutout(CutoutCanvas{nullptr, nullptr, 7}, 0, 0, 295);
    fill_span(CutoutCanvas{nullptr, output.get(), 7}, 0, 599, 10);
    plot_cutout_pixel(CutoutCanvas{source.get(), nullptr, 7}, 5, 5);
    compose_cutout(CutoutCanvas{nullptr, output.get(), 7}, 0, 200, 295);
    EXPECT_EQ(inside_count(), 0);
}

}  // namespace
