// The PNG writer's files, read back with zlib, libpng's reader and (natively,
// when installed) pngcheck and Pillow.
#include <gtest/gtest.h>

#include <cstring>

#include "codecs/encoder.h"
#include "codecs/png_writer.h"
#include "encoder_fixtures.h"

#ifndef _WIN32
#include <dlfcn.h>
#include <png.h>

// Natively libpng is a shared library, so this definition stands in for its
// own: it can refuse the info structure as if memory had run out.
namespace {
bool refuse_info_struct = false;
}
extern "C" png_infop png_create_info_struct(png_const_structrp png) {
    using Real = png_infop (*)(png_const_structrp);
    static Real real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "png_create_info_struct"));
    return refuse_info_struct || !real ? nullptr : real(png);
}
#endif

using namespace encoder_test;

namespace {

uint32_t be32(const std::vector<uint8_t>& b, size_t at) {
    return (uint32_t{b[at]} << 24) | (uint32_t{b[at + 1]} << 16) | (uint32_t{b[at + 2]} << 8) | b[at + 3];
}

std::vector<std::string> chunk_types(const std::vector<PngChunk>& chunks) {
    std::vector<std::string> types;
    for (const auto& c : chunks)
        if (types.empty() || types.back() != c.type) types.push_back(c.type);
    return types;
}

// Checks the structure of a truecolour file we wrote and returns its
// inflated image data.
std::vector<uint8_t> check_structure(const std::string& file, int32_t width, int32_t height, int colour_type) {
    std::vector<PngChunk> chunks = png_chunks(read_bytes(file));
    // Nothing but the critical chunks: no gamma, colour space, time, text.
    EXPECT_EQ(chunk_types(chunks), (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));
    for (const auto& c : chunks) EXPECT_TRUE(c.crc_ok) << c.type;
    if (chunks.empty() || chunks[0].data.size() != 13) {
        ADD_FAILURE() << "no IHDR";
        return {};
    }
    const std::vector<uint8_t>& h = chunks[0].data;
    EXPECT_EQ(be32(h, 0), uint32_t(width));
    EXPECT_EQ(be32(h, 4), uint32_t(height));
    EXPECT_EQ(h[8], 8);            // bit depth
    EXPECT_EQ(h[9], colour_type);  // 2 RGB, 6 RGBA
    EXPECT_EQ(h[10], 0);           // compression
    EXPECT_EQ(h[11], 0);           // filter method
    EXPECT_EQ(h[12], 0);           // interlace
    // Deflate at the highest level announces itself in the zlib header.
    const std::vector<uint8_t>& idat = chunks[1].data;
    EXPECT_EQ(idat[0] & 0x0F, 8);
    EXPECT_EQ(idat[1] >> 6, 3) << "zlib FLEVEL";
    std::vector<uint8_t> raw = inflate_idat(chunks);
    size_t row = 1 + static_cast<size_t>(width) * (colour_type == 6 ? 4 : 3);
    EXPECT_EQ(raw.size(), row * height);
    if (raw.size() != row * height) return {};
    for (int32_t y = 0; y < height; ++y) EXPECT_EQ(raw[y * row], 0) << "filter byte of row " << y;
    return raw;
}

TEST(PngWriter, CutoutIsRgbaWithFilterNoneTopRowFirstAndStoredBytes) {
    register_png_encoder();
    ScratchFolder folder;
    Picture cutout = make_cutout(0);
    // A marker pixel at the top left, as in the Part's example.
    uint8_t* m = cutout.at(0, 0);
    m[0] = 10, m[1] = 20, m[2] = 30, m[3] = 40;
    std::string file = folder.path("cutout.png");
    ASSERT_EQ(save_pixels(file.c_str(), cutout.bits(), FORMAT_PNG, 600, 600, 2400, 32, ROWS_BOTTOM_UP, 32, -1), 1);
    std::vector<uint8_t> raw = check_structure(file, 600, 600, 6);
    ASSERT_FALSE(raw.empty());
    EXPECT_EQ(std::vector<uint8_t>(raw.begin() + 1, raw.begin() + 5), (std::vector<uint8_t>{30, 20, 10, 40}));
    // Every pixel: stored blue, green, red, alpha come out as red, green, blue, alpha.
    size_t mismatches = 0;
    for (int32_t y = 0; y < 600; ++y)
        for (int32_t x = 0; x < 600; ++x) {
            Bgra s = cutout.get(x, y);
            const uint8_t* d = raw.data() + y * 2401 + 1 + 4 * x;
            if (d[0] != s.r || d[1] != s.g || d[2] != s.b || d[3] != s.a) ++mismatches;
        }
    EXPECT_EQ(mismatches, 0u);
    // libpng's own reader agrees.
    DecodedPng d = decode_png(file);
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.width, 600);
    EXPECT_EQ(d.height, 600);
    EXPECT_EQ(std::vector<uint8_t>(d.rgba.begin(), d.rgba.begin() + 4), (std::vector<uint8_t>{30, 20, 10, 40}));
    Bgra outside = cutout.get(599, 599), inside = cutout.get(300, 300);
    const uint8_t* o = d.rgba.data() + (599 * 600 + 599) * 4;
    const uint8_t* i = d.rgba.data() + (300 * 600 + 300) * 4;
    EXPECT_EQ(std::vector<uint8_t>(o, o + 4), (std::vector<uint8_t>{outside.r, outside.g, outside.b, 0}));
    EXPECT_EQ(std::vector<uint8_t>(i, i + 4), (std::vector<uint8_t>{inside.r, inside.g, inside.b, 255}));
}

// 32-bit at depth 24 takes the white composite and the RGB colour type;
// 24-bit sources keep their bytes; odd widths, padded pitches and both row
// orders come out top row first.
TEST(PngWriter, RgbFilesFromCompositesAndTwentyFourBitRows) {
    register_png_encoder();
    ScratchFolder folder;
    Picture rgba = make_picture(7, 5, 32, busy_pixel);
    rgba.at(0, 0)[3] = 0;  // fully transparent: white
    Picture rgb = make_picture(7, 5, 24, busy_pixel);
    std::vector<uint8_t> rgb_down = rgb.top_down();
    struct Case {
        const Picture* p;
        const uint8_t* bits;
        int32_t layout, depth;
    } cases[] = {{&rgba, rgba.bits(), ROWS_BOTTOM_UP, 24},
                 {&rgb, rgb.bits(), ROWS_BOTTOM_UP, -1},
                 {&rgb, rgb_down.data(), 0, 24},
                 {&rgb, rgb.bits(), ROWS_BOTTOM_UP, 32}};
    int n = 0;
    for (const Case& c : cases) {
        std::string file = folder.path("rgb" + std::to_string(n++) + ".png");
        ASSERT_EQ(save_pixels(file.c_str(), c.bits, FORMAT_PNG, 7, 5, c.p->pitch, c.p->depth, c.layout, 7, c.depth), 1);
        std::vector<uint8_t> raw = check_structure(file, 7, 5, 2);
        ASSERT_FALSE(raw.empty());
        for (int32_t y = 0; y < 5; ++y)
            for (int32_t x = 0; x < 7; ++x) {
                Bgra s = c.p->get(x, y);
                const uint8_t* d = raw.data() + y * 22 + 1 + 3 * x;
                uint32_t a = c.p->depth == 32 ? s.a : 255;
                EXPECT_EQ(d[0], (s.r * a + 255 * (255 - a)) / 255) << n << ": " << x << "," << y;
                EXPECT_EQ(d[1], (s.g * a + 255 * (255 - a)) / 255);
                EXPECT_EQ(d[2], (s.b * a + 255 * (255 - a)) / 255);
            }
        if (c.p->depth == 32) {
            EXPECT_EQ(std::vector<uint8_t>(raw.begin() + 1, raw.begin() + 4), (std::vector<uint8_t>{255, 255, 255}));
        }
    }
}

TEST(PngWriter, RefusalsLeaveNoFile) {
    register_png_encoder();
    ScratchFolder folder;
    Picture p = make_picture(8, 8, 32, busy_pixel);
    std::string file = folder.path("x.png");
    const char* f = file.c_str();
    // Palette depths that PNG does not have.
    for (int32_t depth : {3, 5, 6, 7})
        EXPECT_EQ(save_pixels(f, p.bits(), FORMAT_PNG, 8, 8, 32, 32, ROWS_BOTTOM_UP, 7, depth), 0) << depth;
    EXPECT_EQ(write_png(f, p.bits(), 0, 8, 32, ROWS_BOTTOM_UP, 7, -1, 6), 0);
    EXPECT_EQ(write_png(f, p.bits(), 8, -1, 32, ROWS_BOTTOM_UP, 7, -1, 6), 0);
    EXPECT_EQ(write_png(f, p.bits(), 8, 8, 32, ROWS_BOTTOM_UP, 7, -1, 4), 0);  // grey + alpha: not ours
    EXPECT_EQ(write_png(f, nullptr, 8, 8, 32, ROWS_BOTTOM_UP, 7, -1, 6), 0);
    EXPECT_EQ(write_png("", p.bits(), 8, 8, 32, ROWS_BOTTOM_UP, 7, -1, 6), 0);
    EXPECT_TRUE(folder.entries().empty());
}

TEST(PngWriter, ExternalCheckersAcceptTheFile) {
    if (!have_command("pngcheck") && !have_command("/usr/bin/python3")) GTEST_SKIP() << "no external checker";
    register_png_encoder();
    ScratchFolder folder;
    Picture cutout = make_cutout(0);
    std::string file = folder.path("cutout.png");
    ASSERT_EQ(save_pixels(file.c_str(), cutout.bits(), FORMAT_PNG, 600, 600, 2400, 32, ROWS_BOTTOM_UP, 32, -1), 1);
    if (have_command("pngcheck")) {
        CommandResult r = run_command("pngcheck -v '" + file + "'");
        EXPECT_EQ(r.code, 0) << r.output;
        EXPECT_NE(r.output.find("600 x 600 image, 32-bit RGB+alpha, non-interlaced"), std::string::npos) << r.output;
        EXPECT_NE(r.output.find("No errors"), std::string::npos) << r.output;
    }
    if (run_command("/usr/bin/python3 -c 'import PIL'").code == 0) {
        Bgra in = cutout.get(300, 300);
        CommandResult r = run_command("/usr/bin/python3 -c \"from PIL import Image; im = Image.open('" + file +
                                      "'); print(im.mode, im.size, im.getpixel((0, 0)), im.getpixel((300, 300)))\"");
        EXPECT_EQ(r.code, 0) << r.output;
        EXPECT_EQ(r.output, "RGBA (600, 600) (220, 160, 40, 0) (" + std::to_string(in.r) + ", " +
                                std::to_string(in.g) + ", " + std::to_string(in.b) + ", 255)\n");
    }
}

#ifndef _WIN32
// Running out of memory is a failed save like any other: no message of the
// library's on the error stream, no file.
TEST(PngWriter, OutOfMemoryFailsSilently) {
    ScratchFolder folder;
    Picture p = make_picture(9, 4, 32, busy_pixel);
    const std::string file = folder.path("quiet.png");
    refuse_info_struct = true;
    testing::internal::CaptureStderr();
    const int32_t result = write_png_rgba(file.c_str(), p.bits(), 9, 4, p.pitch, ROWS_BOTTOM_UP, 32, -1);
    const std::string said = testing::internal::GetCapturedStderr();
    refuse_info_struct = false;
    EXPECT_EQ(result, 0);
    EXPECT_EQ(said, "");
    EXPECT_TRUE(folder.entries().empty());
    // The stand-in passes on to libpng otherwise.
    EXPECT_EQ(write_png_rgba(file.c_str(), p.bits(), 9, 4, p.pitch, ROWS_BOTTOM_UP, 32, -1), 1);
}
#endif

}  // namespace
