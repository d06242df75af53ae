// The JPEG writer's files, read back with libjpeg's decoder and (natively,
// when installed) Pillow.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "codecs/encoder.h"
#include "codecs/jpeg_writer.h"
#include "encoder_fixtures.h"

using namespace encoder_test;

namespace {

// Mean and largest absolute difference between a decoded file and the
// expected 8-bit RGB picture over a set of rows.
struct Error {
    double mean;
    int largest;
    double beyond_16;  // share of samples off by more than 16
};

Error compare(const DecodedJpeg& d, const Picture& p, int32_t y0, int32_t y1) {
    double sum = 0;
    int largest = 0;
    size_t n = 0, far = 0;
    for (int32_t y = y0; y < y1; ++y)
        for (int32_t x = 0; x < p.width; ++x) {
            Bgra s = p.get(x, y);
            uint32_t a = s.a;
            int expected[3] = {int((s.r * a + 255 * (255 - a)) / 255), int((s.g * a + 255 * (255 - a)) / 255),
                               int((s.b * a + 255 * (255 - a)) / 255)};
            const uint8_t* got = d.rgb.data() + (static_cast<size_t>(y) * p.width + x) * 3;
            for (int c = 0; c < 3; ++c) {
                int e = std::abs(int(got[c]) - expected[c]);
                sum += e;
                largest = std::max(largest, e);
                if (e > 16) ++far;
                ++n;
            }
        }
    return {sum / n, largest, double(far) / n};
}

TEST(JpegWriter, CutoutAtQuality100IsCompositedThreeComponentsTopRowFirst) {
    register_jpeg_encoder();
    ScratchFolder folder;
    Picture cutout = make_cutout(0);
    // The top 16 rows a clear red band, so row order shows.
    for (int32_t y = 0; y < 16; ++y)
        for (int32_t x = 0; x < 600; ++x) {
            uint8_t* q = cutout.at(x, y);
            q[0] = 0, q[1] = 0, q[2] = 255, q[3] = 255;
        }
    std::string file = folder.path("cutout.jpg");
    ASSERT_EQ(save_pixels(file.c_str(), cutout.bits(), FORMAT_JPEG, 600, 600, 2400, 32, ROWS_BOTTOM_UP, 32, -1), 1);
    DecodedJpeg d = decode_jpeg(file);
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.width, 600);
    EXPECT_EQ(d.height, 600);
    EXPECT_EQ(d.components, 3);
    EXPECT_FALSE(d.progressive);
    EXPECT_EQ(d.luma_table, scaled_table(false, 100));
    EXPECT_EQ(d.chroma_table, scaled_table(true, 100));
    // The JFIF marker and nothing else: no comment, no other application marker.
    EXPECT_EQ(d.markers, std::vector<int>{0xE0});
    // Top rows red, the transparent outside white, the disc its own colours.
    const uint8_t* top = d.rgb.data() + 300 * 3;
    EXPECT_GT(top[0], 240);
    EXPECT_LT(top[1], 15);
    EXPECT_LT(top[2], 15);
    const uint8_t* corner = d.rgb.data() + (599 * 600 + 599) * 3;
    for (int c = 0; c < 3; ++c) EXPECT_GE(corner[c], 250);
    Error e = compare(d, cutout, 24, 600);
    // Sharp colour edges (the rim of the disc) lose some sharpness to chroma
    // subsampling; everywhere else quality 100 is close to exact.
    EXPECT_LT(e.mean, 1.5);
    EXPECT_LT(e.beyond_16, 0.02) << "largest error " << e.largest;
}

TEST(JpegWriter, FlagsChooseTheQualityLevel) {
    register_jpeg_encoder();
    ScratchFolder folder;
    Picture p = make_picture(40, 24, 24, busy_pixel);
    struct {
        int32_t flags, quality;
    } cases[] = {{7, 70}, {32, 100}, {10, 100}, {100, 100}, {5, 50}, {1, 10}, {0, 0}, {-5, 0}};
    for (auto c : cases) {
        EXPECT_EQ(jpeg_quality(c.flags), c.quality);
        std::string file = folder.path("q" + std::to_string(c.flags) + ".jpg");
        ASSERT_EQ(save_pixels(file.c_str(), p.bits(), FORMAT_JPEG, 40, 24, p.pitch, 24, ROWS_BOTTOM_UP, c.flags, -1), 1);
        DecodedJpeg d = decode_jpeg(file);
        ASSERT_TRUE(d.ok);
        // Quality 0 is raised by libjpeg to its minimum of 1.
        EXPECT_EQ(d.luma_table, scaled_table(false, c.quality)) << c.flags;
        EXPECT_EQ(d.chroma_table, scaled_table(true, c.quality)) << c.flags;
    }
}

// Red stays red (no blue/red swap), whatever the memory order, the pitch or
// the depth argument; alpha composites over white before the writer.
TEST(JpegWriter, ColoursRowOrderAndAlpha) {
    register_jpeg_encoder();
    ScratchFolder folder;
    auto red_top_blue_bottom = [](int32_t x, int32_t y) -> Bgra {
        return y < 16 ? Bgra{0, 0, 255, 255} : Bgra{255, 0, 0, 255};
    };
    Picture rgb = make_picture(33, 32, 24, red_top_blue_bottom);  // odd width, padded pitch
    std::vector<uint8_t> rgb_down = rgb.top_down();
    std::vector<uint8_t> reference;
    struct {
        const uint8_t* bits;
        int32_t layout, depth;
    } cases[] = {{rgb.bits(), ROWS_BOTTOM_UP, -1}, {rgb_down.data(), 0, -1}, {rgb.bits(), ROWS_BOTTOM_UP, 8},
                 {rgb.bits(), ROWS_BOTTOM_UP, 32}};
    int n = 0;
    for (auto c : cases) {
        std::string file = folder.path("rb" + std::to_string(n++) + ".jpg");
        ASSERT_EQ(save_pixels(file.c_str(), c.bits, FORMAT_JPEG, 33, 32, rgb.pitch, 24, c.layout, 32, c.depth), 1);
        std::vector<uint8_t> bytes = read_bytes(file);
        if (reference.empty()) reference = bytes;
        EXPECT_EQ(bytes, reference) << "case " << n;  // same picture, same file
        DecodedJpeg d = decode_jpeg(file);
        ASSERT_TRUE(d.ok);
        const uint8_t* red = d.rgb.data() + (4 * 33 + 16) * 3;
        const uint8_t* blue = d.rgb.data() + (28 * 33 + 16) * 3;
        EXPECT_GT(red[0], 240);
        EXPECT_LT(red[2], 15);
        EXPECT_GT(blue[2], 240);
        EXPECT_LT(blue[0], 15);
    }
    // Pure red at alpha 0, 128 and 255 in three wide bands.
    auto alpha_bands = [](int32_t x, int32_t y) -> Bgra {
        return Bgra{0, 0, 255, static_cast<uint8_t>(x < 32 ? 0 : x < 64 ? 128 : 255)};
    };
    Picture bands = make_picture(96, 32, 32, alpha_bands);
    std::string file = folder.path("alpha.jpg");
    ASSERT_EQ(save_pixels(file.c_str(), bands.bits(), FORMAT_JPEG, 96, 32, bands.pitch, 32, ROWS_BOTTOM_UP, 32, -1), 1);
    DecodedJpeg d = decode_jpeg(file);
    ASSERT_TRUE(d.ok);
    struct {
        int32_t x;
        int r, g, b;
    } expected[] = {{12, 255, 255, 255}, {44, 255, 127, 127}, {76, 255, 0, 0}};
    for (auto e : expected) {
        const uint8_t* q = d.rgb.data() + (16 * 96 + e.x) * 3;
        EXPECT_NEAR(q[0], e.r, 4) << e.x;
        EXPECT_NEAR(q[1], e.g, 4) << e.x;
        EXPECT_NEAR(q[2], e.b, 4) << e.x;
    }
}

TEST(JpegWriter, RefusalsLeaveNoFile) {
    register_jpeg_encoder();
    ScratchFolder folder;
    Picture p = make_picture(8, 8, 24, busy_pixel);
    std::string file = folder.path("x.jpg");
    const char* f = file.c_str();
    EXPECT_EQ(write_jpeg(f, p.bits(), 0, 8, p.pitch, ROWS_BOTTOM_UP, 7, -1), 0);
    EXPECT_EQ(write_jpeg(f, p.bits(), 8, 0, p.pitch, ROWS_BOTTOM_UP, 7, -1), 0);
    EXPECT_EQ(write_jpeg(f, nullptr, 8, 8, p.pitch, ROWS_BOTTOM_UP, 7, -1), 0);
    EXPECT_EQ(write_jpeg("", p.bits(), 8, 8, p.pitch, ROWS_BOTTOM_UP, 7, -1), 0);
    EXPECT_TRUE(folder.entries().empty());
}

TEST(JpegWriter, PillowReadsTheFile) {
    if (run_command("/usr/bin/python3 -c 'import PIL'").code != 0) GTEST_SKIP() << "no Pillow";
    register_jpeg_encoder();
    ScratchFolder folder;
    Picture cutout = make_cutout(0);
    std::string file = folder.path("cutout.jpg");
    ASSERT_EQ(save_pixels(file.c_str(), cutout.bits(), FORMAT_JPEG, 600, 600, 2400, 32, ROWS_BOTTOM_UP, 32, -1), 1);
    CommandResult r = run_command("/usr/bin/python3 -c \"from PIL import Image; im = Image.open('" + file +
                                  "'); im.load(); print(im.format, im.mode, im.size, im.getpixel((0, 0)))\"");
    EXPECT_EQ(r.code, 0) << r.output;
    EXPECT_EQ(r.output, "JPEG RGB (600, 600) (255, 255, 255)\n");
}

}  // namespace
