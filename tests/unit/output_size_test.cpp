// The cut-out at the output size: the disc scaled to N x N, the crop square
// resampled straight to N, and N = 600 exactly the preview's composition.
#include "app/output/output_size.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "app/model/state.h"
#include "app/output/cutout.h"
#include "app/output/smooth_edge.h"
#include "app/picture/gdiplus_codes.h"
#include "app/picture/source.h"
#include "core/memory.h"
#include "image/image.h"
#include "image/resample.h"

namespace {

constexpr int64_t SIZES[] = {128, 256, 512, 600, 1024, 2048};

TEST(OutputDisc, RadiusScalesWithTheCanvasAboutItsMiddle) {
    for (int64_t size : {128, 255, 256, 512, 1024, 2048})
        for (int64_t radius : {1, 100, 295}) {
            SCOPED_TRACE(testing::Message() << size << " " << radius);
            const OutputDisc d = output_disc(size, radius);
            EXPECT_FALSE(d.none || d.whole);
            const double scale = size / 600.0;
            EXPECT_DOUBLE_EQ(d.smooth_centre, size / 2.0);
            EXPECT_DOUBLE_EQ(d.smooth_radius, smooth_disc_radius(radius) * scale);
            // The midpoint disc about the same middle; its size is checked
            // by the area of the drawn disc below.
            EXPECT_DOUBLE_EQ(d.centre + (d.doubled ? 1.0 : 0.5), size / 2.0);
            EXPECT_EQ(d.doubled, size % 2 == 0);
        }
    // The preview's own discs, to the last bit, at every radius.
    for (int64_t r = 0; r < CUTOUT_FULL_RADIUS; ++r) {
        const OutputDisc d = output_disc(600, r);
        ASSERT_EQ(d.radius, r);
        ASSERT_EQ(d.smooth_radius, smooth_disc_radius(r));
    }
    EXPECT_TRUE(output_disc(128, -1).none);
    EXPECT_TRUE(output_disc(2048, 424).whole);
    EXPECT_TRUE(output_disc(2048, INT64_MAX).whole);
    EXPECT_FALSE(output_disc(2048, 423).whole);
}

TEST(OutputDisc, OnlySizesTheToolOffersAndTheirNeighboursAreUsed) {
    for (int64_t n : SIZES) EXPECT_EQ(effective_output_size(n), n);
    for (int64_t n : {int64_t{0}, int64_t{-600}, int64_t{4097}, INT64_MAX, INT64_MIN})
        EXPECT_EQ(effective_output_size(n), 600);
    EXPECT_EQ(make_output_image(0), 0);
    EXPECT_EQ(make_output_image(5000), 0);
}

// Colour of source pixel (x, y): distinct channels that vary at every pixel.
void paint(uint8_t* p, int32_t x, int32_t y) {
    p[0] = static_cast<uint8_t>(x * 7 + y), p[1] = static_cast<uint8_t>(y * 3 + 11), p[2] = static_cast<uint8_t>(x ^ y);
}

class OutputSize : public ::testing::Test {
protected:
    void SetUp() override {
        static bool started = false;
        if (!started) {
            load_alpha_blend();
            init_image_library();
            started = true;
        }
        // Buffers an earlier test left in the state go with it.
        free_memory(app.source_buffer);
        free_memory(app.output_buffer);
        clear_app_state();
        set_pixel_format_table();
        set_app_defaults();
        app.background_colour = 0x2080C0;
        app.outer_alpha = 60;
        app.inner_alpha = 250;
    }
    void TearDown() override {
        free_all_images();
        clear_app_state();
    }
    void use_source(int32_t width, int32_t height, CropSquare square) {
        app.source_image = create_image(AUTO_ID, width, height, 24);
        BitmapInfo info{};
        uint8_t* bits = image_bits(app.source_image, &info);
        ASSERT_NE(bits, nullptr);
        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = 0; x < width; ++x)
                paint(bits + static_cast<int64_t>(height - 1 - y) * info.stride + 3 * x, x, y);
        app.source_width = width;
        app.source_height = height;
        app.crop = square;
        grab_crop_square();
    }
    // Word of pixel (x, y), counted from the top, of a 32-bit image.
    // A 32-bit image's words, top row first (its pixel memory is asked for
    // once: on Windows that query is not cheap).
    // The 24-bit square (x, y, side) at size x size, colours top row first:
    // shrunk by resize_image's area average, enlarged by the cubic kernel
    // with the pixels opaque.
    static std::vector<uint32_t> resampled_square(int32_t x, int32_t y, int32_t side, int32_t size) {
        const int64_t square = grab_image(app.source_image, AUTO_ID, x, y, side, side);
        std::vector<uint32_t> out;
        BitmapInfo info{};
        if (size <= side) {
            resize_image(square, size, size, 0);
            const uint8_t* bits = image_bits(square, &info);
            for (int32_t r = 0; bits && r < size; ++r)
                for (int32_t c = 0; c < size; ++c) {
                    const uint8_t* p = bits + static_cast<int64_t>(size - 1 - r) * info.stride + 3 * c;
                    out.push_back(p[0] | p[1] << 8 | p[2] << 16);
                }
        } else {
            const uint8_t* bits = image_bits(square, &info);
            std::vector<uint8_t> from, to(static_cast<size_t>(size) * size * 4);
            for (int32_t r = 0; bits && r < side; ++r)
                for (int32_t c = 0; c < side; ++c) {
                    const uint8_t* p = bits + static_cast<int64_t>(side - 1 - r) * info.stride + 3 * c;
                    from.insert(from.end(), {p[0], p[1], p[2], 255});
                }
            if (cubic_resample(to.data(), size, size, from.data(), side, side, false))
                for (size_t i = 0; i < to.size(); i += 4) out.push_back(to[i] | to[i + 1] << 8 | to[i + 2] << 16);
        }
        free_image(square);
        return out;
    }
    static std::vector<uint32_t> words(int64_t image) {
        BitmapInfo info{};
        const uint8_t* bits = image_bits(image, &info);
        std::vector<uint32_t> out(static_cast<size_t>(info.width) * info.height);
        for (int64_t y = 0; y < info.height; ++y)
            std::memcpy(&out[y * info.width], bits + (info.height - 1 - y) * info.stride, 4 * info.width);
        return out;
    }
    static uint32_t word(int64_t image, int64_t x, int64_t y) { return words(image)[x + image_width(image) * y]; }
    // The preview's composition of today: the crop image's words in the
    // source buffer (as the platform's 32-bit copy gives them), the
    // background fill, then the circle.
    std::unique_ptr<PixelBuffer> preview() {
        std::unique_ptr<PixelBuffer> source{new PixelBuffer{}}, output{new PixelBuffer{}};
        BitmapInfo info{};
        const uint8_t* bits = image_bits(app.crop_image, &info);
        for (int64_t y = 0; y < 600; ++y)
            for (int64_t x = 0; x < 600; ++x) {
                const uint8_t* p = bits + (599 - y) * info.stride + 3 * x;
                source->words[x + 600 * y] = p[0] | p[1] << 8 | p[2] << 16;
            }
        const CutoutCanvas canvas{source.get(), output.get(), app.inner_alpha};
        fill_output_buffer(output.get(), app.background_colour, app.outer_alpha);
        draw_cutout_circle(canvas, app.radius, app.background_colour, app.outer_alpha, app.smooth_edge);
        return output;
    }
};

TEST_F(OutputSize, At600ItIsThePreviewsCompositionByteForByte) {
    // A square taken as it is, one shrunk and one enlarged to 600.
    const CropSquare squares[] = {{40, 10, 600}, {3, 5, 900}, {7, 2, 333}};
    for (const CropSquare& square : squares)
        for (int64_t smooth : {0, 1})
            for (int64_t radius : {295, 0, 300, 424, -2}) {
                SCOPED_TRACE(testing::Message() << square.side << " smooth " << smooth << " radius " << radius);
                use_source(1000, 950, square);
                app.smooth_edge = smooth;
                app.radius = radius;
                const auto expected = preview();
                const int64_t image = make_output_image(600);
                ASSERT_NE(image, 0);
                const std::vector<uint32_t> got = words(image);
                int wrong = 0;
                for (int64_t at = 0; at < 600 * 600; ++at) wrong += got[at] != expected->words[at];
                EXPECT_EQ(wrong, 0);
                free_image(image);
            }
}

TEST_F(OutputSize, EverySizeResamplesTheSquareAndScalesTheDisc) {
    use_source(1000, 950, CropSquare{40, 10, 700});
    const uint32_t background = static_cast<uint32_t>(cutout_fill_word(app.background_colour, app.outer_alpha));
    for (int64_t n : SIZES)
        for (int64_t smooth : {0, 1}) {
            SCOPED_TRACE(testing::Message() << n << " smooth " << smooth);
            app.smooth_edge = smooth;
            const int64_t image = make_output_image(n);
            ASSERT_NE(image, 0);
            ASSERT_EQ(image_width(image), n);
            ASSERT_EQ(image_height(image), n);
            // The square resampled by the image library straight to n:
            // shrunk by the area average, enlarged by the cubic filter.
            const std::vector<uint32_t> colours = resampled_square(40, 10, 700, static_cast<int32_t>(n));
            ASSERT_EQ(colours.size(), static_cast<size_t>(n * n));
            const OutputDisc disc = output_disc(n, app.radius);
            const std::vector<uint32_t> got = words(image);
            double alpha_sum = 0;
            int64_t wrong = 0;
            for (int64_t y = 0; y < n; ++y)
                for (int64_t x = 0; x < n; ++x) {
                    const uint32_t w = got[x + n * y];
                    const uint32_t inside = 0xFA000000u | colours[x + n * y];
                    const double d = std::hypot(x - disc.smooth_centre + 0.5, y - disc.smooth_centre + 0.5);
                    // Clear of the edge every pixel is the source or the background.
                    if (d < disc.smooth_radius - 1.5) wrong += w != inside;
                    if (d > disc.smooth_radius + 1.5) wrong += w != background;
                    alpha_sum += ((w >> 24) - 60) / (250.0 - 60.0);
                }
            EXPECT_EQ(wrong, 0);
            // Other sizes than the preview's centre the disc: its alphas are
            // mirror-symmetric both ways.
            int64_t lopsided = 0;
            for (int64_t y = 0; y < n && n != 600; ++y)
                for (int64_t x = 0; x < n; ++x)
                    lopsided += (got[x + n * y] >> 24) != (got[n - 1 - x + n * y] >> 24) ||
                                (got[x + n * y] >> 24) != (got[x + n * (n - 1 - y)] >> 24);
            EXPECT_EQ(lopsided, 0);
            // The disc's area at this size; the midpoint disc, whose radius
            // is whole, within about half a pixel of its rim.
            const double r = disc.smooth_radius;
            EXPECT_NEAR(alpha_sum, 3.14159265 * r * r, smooth ? 0.01 * r : 3.5 * r);
            free_image(image);
        }
}

// At 600 a save takes the window's output image, unless that shows only a
// drag's sampled preview: then the exact cut-out is made for it.
TEST_F(OutputSize, ASaveAt600NeverTakesAPreview) {
    use_source(3000, 2000, CropSquare{100, 50, 1800});
    app.output_image = create_image(AUTO_ID, 600, 600, 32);
    EXPECT_EQ(export_image(), app.output_image);
    preview_crop_square();
    const int64_t exact = export_image();
    EXPECT_NE(exact, app.output_image);
    const int64_t expected = make_output_image(600);
    EXPECT_EQ(words(exact), words(expected));
    release_export_image(exact);
    free_image(expected);
    grab_crop_square();
    EXPECT_EQ(export_image(), app.output_image);
}

TEST_F(OutputSize, WithoutAPictureTheDiscIsBlack) {
    app.output_size = 256;
    const int64_t image = make_output_image(256);
    ASSERT_NE(image, 0);
    EXPECT_EQ(word(image, 127, 127), 0xFA000000u);
    EXPECT_EQ(word(image, 0, 0), static_cast<uint32_t>(cutout_fill_word(app.background_colour, 60)));
    free_image(image);
}

}  // namespace
