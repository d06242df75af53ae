// Rendering into the output image through the display transfers.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "app/output/render.h"
#include "app/picture/source.h"
#include "app_fixture.h"
#include "app_pictures.h"

using namespace pictures;

namespace {

class Rendering : public AppFixture {
protected:
    std::string folder = scratch_folder("render");

    int64_t count_alpha(int alpha) {
        int64_t n = 0;
        for (int32_t y = 0; y < 600; ++y)
            for (int32_t x = 0; x < 600; ++x) n += alpha_at(app.output_image, x, y) == alpha;
        return n;
    }
};

TEST_F(Rendering, BeforeAnyLoadABlackDiscOnTheBackground) {
    render_output_image(app.background_colour);
    EXPECT_EQ(colour_at(app.output_image, 299, 299), 0u);
    EXPECT_EQ(alpha_at(app.output_image, 299, 299), 255);
    EXPECT_EQ(colour_at(app.output_image, 0, 0), 0u);
    EXPECT_EQ(alpha_at(app.output_image, 0, 0), 255);

    app.inner_alpha = 9;
    app.outer_alpha = 77;
    render_output_image(0x0000FF);  // red
    EXPECT_EQ(colour_at(app.output_image, 299, 299), 0u);
    EXPECT_EQ(alpha_at(app.output_image, 299, 299), 9);
    EXPECT_EQ(colour_at(app.output_image, 599, 0), 0xFF0000u);
    EXPECT_EQ(alpha_at(app.output_image, 599, 0), 77);
    EXPECT_EQ(count_alpha(9), 274245);
}

TEST_F(Rendering, TheCropShowsThroughTheCircle) {
    std::string path = folder + "photo.png";
    ASSERT_TRUE(write_picture(path, PNG, 1000, 700));
    load_source(path.c_str());
    app.inner_alpha = 200;
    app.outer_alpha = 30;
    render_output_image(0x123456);
    EXPECT_EQ(count_alpha(200), 274245);
    EXPECT_EQ(count_alpha(30), 360000 - 274245);
    for (auto [x, y] : {std::pair{299, 299}, {4, 299}, {299, 4}, {282, 4}, {316, 594}, {594, 299}, {100, 450}}) {
        EXPECT_EQ(colour_at(app.output_image, x, y), pattern(x, y)) << x << "," << y;
        EXPECT_EQ(alpha_at(app.output_image, x, y), 200);
    }
    for (auto [x, y] : {std::pair{0, 0}, {3, 299}, {281, 4}, {599, 599}}) {
        EXPECT_EQ(colour_at(app.output_image, x, y), 0x563412u) << x << "," << y;
        EXPECT_EQ(alpha_at(app.output_image, x, y), 30);
    }

    // Two renders in a row give identical pixels.
    BitmapInfo info{};
    const uint8_t* bits = image_bits(app.output_image, &info);
    ASSERT_NE(bits, nullptr);
    std::vector<uint8_t> first(bits, bits + 1440000);
    render_output_image(0x123456);
    EXPECT_EQ(std::memcmp(first.data(), image_bits(app.output_image, &info), 1440000), 0);

    app.radius = 0;
    render_output_image(0);
    EXPECT_EQ(count_alpha(200), 1);
    app.radius = -3;
    render_output_image(0);
    EXPECT_EQ(count_alpha(200), 0);
    app.radius = 300000000;
    render_output_image(0);
    EXPECT_EQ(count_alpha(200), 360000);
}

TEST_F(Rendering, CropsOfAnotherSizeNeverOverrunTheBuffer) {
    // The source buffer sits inside a larger block whose tail must stay intact.
    const size_t guard = 64 * 1024;
    std::vector<uint8_t> block(sizeof(PixelBuffer) + guard, 0xA5);
    PixelBuffer* own = app.source_buffer;
    app.source_buffer = reinterpret_cast<PixelBuffer*>(block.data());
    for (auto [w, h] : {std::pair{700, 700}, {601, 600}, {600, 601}, {32767, 40}, {300, 300}, {1, 1}}) {
        if (is_image(app.crop_image)) free_image(app.crop_image);
        app.crop_image = create_image(AUTO_ID, w, h, 32);
        ASSERT_NE(app.crop_image, 0) << w << "x" << h;
        render_output_image(0);
        for (size_t i = sizeof(PixelBuffer); i < block.size(); ++i)
            ASSERT_EQ(block[i], 0xA5) << w << "x" << h << " wrote past the buffer at " << i;
    }
    // The output image the other way round: the transfer out reads no more
    // than the buffer either.
    free_image(app.output_image);
    app.output_image = create_image(AUTO_ID, 700, 700, 32);
    render_output_image(0);
    app.source_buffer = own;
}

TEST_F(Rendering, NoGdiObjectsLeakOverLoads) {
    // Presses and renders in the window are counted with the handlers.
    std::string path = folder + "leak.png";
    ASSERT_TRUE(write_picture(path, PNG, 900, 700));
    load_source(path.c_str());
    render_output_image(0);
    int before = gdi_object_count();
    ASSERT_GT(before, 0);
    for (int i = 0; i < 20; ++i) {
        load_source(path.c_str());
        load_source((folder + "missing.png").c_str());
    }
    load_source(path.c_str());
    render_output_image(0);
    EXPECT_EQ(gdi_object_count(), before);
}

}  // namespace
