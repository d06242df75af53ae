#include "app/model/state.h"

#include <gtest/gtest.h>

#include "app/picture/gdiplus_codes.h"

namespace {

TEST(AppState, FreshStartDefaults) {
    app.radius = 17;
    app.crop.side = 99;
    clear_app_state();
    set_app_defaults();
    EXPECT_EQ(app.radius, 295);
    EXPECT_EQ(app.step_x, 1);
    EXPECT_EQ(app.step_y, 1);
    EXPECT_EQ(app.step_xy, 1);
    EXPECT_EQ(app.inner_alpha, 255);
    EXPECT_EQ(app.outer_alpha, 255);
    EXPECT_EQ(app.background_colour, 0);
    EXPECT_EQ(app.crop.XS, 0);
    EXPECT_EQ(app.crop.YS, 0);
    EXPECT_EQ(app.crop.side, 0);
    EXPECT_EQ(app.source_width, 0);
    EXPECT_EQ(app.source_height, 0);
    EXPECT_EQ(app.source_image, 0);
    EXPECT_EQ(app.crop_image, 0);
    EXPECT_EQ(app.exit_code, 0);

    allocate_pixel_buffers();
    EXPECT_EQ(app.buffer_size, 1440000);
    ASSERT_NE(app.source_buffer, nullptr);
    ASSERT_NE(app.output_buffer, nullptr);
    EXPECT_NE(app.source_buffer, app.output_buffer);
    for (int64_t i = 0; i < CANVAS_SIZE * CANVAS_SIZE; i += 997) {
        EXPECT_EQ(app.source_buffer->words[i], 0u);
        EXPECT_EQ(app.output_buffer->words[i], 0u);
    }
    EXPECT_EQ(app.source_buffer->words[CANVAS_SIZE * CANVAS_SIZE - 1], 0u);
}

TEST(PixelFormats, TableValues) {
    set_pixel_format_table();
    const PixelFormatTable& t = PIXEL_FORMAT_TABLE;
    const struct {
        int64_t value, expected;
    } cases[] = {
        {t.PixelFormatIndexed, 0x10000},       {t.PixelFormatGDI, 0x20000},
        {t.PixelFormatAlpha, 0x40000},         {t.PixelFormatPAlpha, 0x80000},
        {t.PixelFormatExtended, 0x100000},     {t.PixelFormatCanonical, 0x200000},
        {t.PixelFormatUndefined, 0},           {t.PixelFormatDontCare, 0},
        {t.PixelFormat1bppIndexed, 0x30101},   {t.PixelFormat4bppIndexed, 0x30402},
        {t.PixelFormat8bppIndexed, 0x30803},   {t.PixelFormat16bppGrayScale, 0x101004},
        {t.PixelFormat16bppRGB555, 0x21005},   {t.PixelFormat16bppRGB565, 0x21006},
        {t.PixelFormat16bppARGB1555, 0x61007}, {t.PixelFormat24bppRGB, 0x21808},
        {t.PixelFormat32bppRGB, 0x22009},      {t.PixelFormat32bppARGB, 0x26200A},
        {t.PixelFormat32bppPARGB, 0xE200B},    {t.PixelFormat48bppRGB, 0x10300C},
        {t.PixelFormat64bppARGB, 0x34400D},    {t.PixelFormat64bppPARGB, 0x1C400E},
        {t.PixelFormatMax, 15},
    };
    int i = 0;
    for (const auto& c : cases) EXPECT_EQ(c.value, c.expected) << "entry " << i++;
    static_assert(sizeof(PixelFormatTable) == 23 * sizeof(int64_t));
}

TEST(PixelFormats, DepthMapLimitedTo24) {
    set_pixel_format_table();
    const struct {
        int64_t format, depth;
    } cases[] = {
        {0x30101, 1},  {0x30402, 4},  {0x30803, 8},  {0x61007, 16}, {0x101004, 16}, {0x21005, 16},
        {0x21006, 16}, {0x21808, 24}, {0x26200A, 24}, {0xE200B, 24}, {0x22009, 24},  {0x10300C, 24},
        {0x34400D, 24}, {0x1C400E, 24}, {0, 24},      {15, 24},     {-1, 24},       {0x12345678, 24},
    };
    for (const auto& c : cases) EXPECT_EQ(depth_for_pixel_format(c.format), c.depth) << std::hex << c.format;
}

}  // namespace
