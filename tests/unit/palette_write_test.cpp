// Palette BMP and PNG files, read back by decoders that share nothing with
// the writers: libpng's own reading side, a small BMP reader here, and (in
// the native build, where installed) PIL and pngcheck.

#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "codecs/encoder.h"
#include "codecs/palette.h"
#include "codecs/png_writer.h"
#include "unit/palette_pictures.h"

namespace {

// A decoded file: red, green, blue, alpha per pixel, top row first.
struct Decoded {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> rgba;
};

std::vector<uint8_t> read_file(const std::string& name) {
    std::vector<uint8_t> bytes;
    FILE* f = std::fopen(name.c_str(), "rb");
    if (!f) return bytes;
    uint8_t buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
    std::fclose(f);
    return bytes;
}

bool file_exists(const std::string& name) {
    FILE* f = std::fopen(name.c_str(), "rb");
    if (f) std::fclose(f);
    return f != nullptr;
}

void write_text_file(const std::string& name, const char* text) {
    FILE* f = std::fopen(name.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs(text, f);
    std::fclose(f);
}

uint32_t get32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }
uint32_t get32be(const uint8_t* p) { return static_cast<uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]; }

Decoded decode_png(const std::string& name) {
    Decoded d;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, name.c_str())) return d;
    image.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> rgba(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr)) return d;
    d.width = static_cast<int32_t>(image.width);
    d.height = static_cast<int32_t>(image.height);
    d.rgba = std::move(rgba);
    return d;
}

struct PngFacts {
    int bit_depth = -1;
    int colour_type = -1;
    uint32_t palette_entries = 0;
    bool has_transparency = false;
};

// The chunks of a PNG file, read directly.
PngFacts png_facts(const std::vector<uint8_t>& file) {
    PngFacts f;
    for (size_t at = 8; at + 12 <= file.size();) {
        uint32_t length = get32be(&file[at]);
        std::string type(reinterpret_cast<const char*>(&file[at + 4]), 4);
        if (type == "IHDR" && length >= 13) {
            f.bit_depth = file[at + 16];
            f.colour_type = file[at + 17];
        }
        if (type == "PLTE") f.palette_entries = length / 3;
        if (type == "tRNS") f.has_transparency = true;
        at += 12 + static_cast<size_t>(length);
    }
    return f;
}

// Uncompressed palette BMP: headers, 2^depth entries, bottom-up rows.
Decoded decode_palette_bmp(const std::vector<uint8_t>& file) {
    Decoded d;
    if (file.size() < 54 || file[0] != 'B' || file[1] != 'M') return d;
    uint32_t offset = get32(&file[10]);
    int32_t width = static_cast<int32_t>(get32(&file[18]));
    int32_t height = static_cast<int32_t>(get32(&file[22]));
    int bits = file[28] | file[29] << 8;
    if (width <= 0 || height <= 0 || (bits != 1 && bits != 4 && bits != 8)) return d;
    size_t row_size = (static_cast<size_t>(width) * bits + 31) / 32 * 4;
    if (offset < 54 + (4u << bits) || offset + row_size * height > file.size()) return d;
    const uint8_t* palette = &file[54];
    d.width = width;
    d.height = height;
    d.rgba.resize(static_cast<size_t>(width) * height * 4);
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* row = &file[offset + row_size * (height - 1 - y)];
        for (int32_t x = 0; x < width; ++x) {
            size_t bit = static_cast<size_t>(x) * bits;
            int index = (row[bit / 8] >> (8 - bits - bit % 8)) & ((1 << bits) - 1);
            uint8_t* out = &d.rgba[(static_cast<size_t>(y) * width + x) * 4];
            out[0] = palette[4 * index + 2];
            out[1] = palette[4 * index + 1];
            out[2] = palette[4 * index + 0];
            out[3] = 255;
        }
    }
    return d;
}

// The source as red, green, blue, alpha, top row first, whatever its
// memory order.
std::vector<uint8_t> source_rgba(const TestPicture& p, bool bottom_up) {
    std::vector<uint8_t> out;
    for (int32_t y = 0; y < p.height; ++y) {
        int32_t memory_row = bottom_up ? p.height - 1 - y : y;
        for (int32_t x = 0; x < p.width; ++x) {
            const uint8_t* q = p.pixel(x, memory_row);
            out.insert(out.end(), {q[2], q[1], q[0], p.bits == 32 ? q[3] : uint8_t(255)});
        }
    }
    return out;
}

// The same picture with its memory rows in the other order.
TestPicture flipped(const TestPicture& p) {
    TestPicture f = p;
    for (int32_t y = 0; y < p.height; ++y)
        std::memcpy(f.row(y), p.row(p.height - 1 - y), static_cast<size_t>(p.pitch));
    return f;
}

int32_t save(const std::string& name, const TestPicture& p, uint32_t format, int32_t depth, int32_t flags = 0,
             int32_t layout = ROWS_BOTTOM_UP) {
    return save_pixels(name.c_str(), p.bytes.data(), format, p.width, p.height, p.pitch, p.bits, layout, flags,
                       depth);
}

// Mean squared difference of the green channel over 8 x 8 blocks.
double local_mean_error(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, int32_t width,
                        int32_t height) {
    const int block = 8;
    double err = 0;
    int blocks = 0;
    for (int by = 0; by + block <= height; by += block)
        for (int bx = 0; bx + block <= width; bx += block, ++blocks) {
            double d = 0;
            for (int y = by; y < by + block; ++y)
                for (int x = bx; x < bx + block; ++x) {
                    size_t i = (static_cast<size_t>(y) * width + x) * 4 + 1;
                    d += static_cast<double>(a[i]) - b[i];
                }
            d /= block * block;
            err += d * d;
        }
    return blocks ? err / blocks : 0;
}

class PaletteFiles : public ::testing::Test {
protected:
    void SetUp() override { register_png_encoder(); }
    void TearDown() override {
        for (const std::string& name : made) std::remove(name.c_str());
    }
    std::string name(const std::string& stem) {
        made.push_back("palette_files_" + stem);
        return made.back();
    }
    std::vector<std::string> made;
};

// Depth 1 is a fixed threshold: black or white by luminance.
void expect_threshold(const Decoded& d, const std::vector<uint8_t>& source) {
    ASSERT_EQ(d.rgba.size(), source.size());
    for (size_t i = 0; i < source.size(); i += 4) {
        bool light = 0.2126 * source[i] + 0.7152 * source[i + 1] + 0.0722 * source[i + 2] > 160;
        uint8_t want = light ? 255 : 0;
        ASSERT_EQ(d.rgba[i], want) << "pixel " << i / 4;
        ASSERT_EQ(d.rgba[i + 1], want);
        ASSERT_EQ(d.rgba[i + 2], want);
    }
}

TEST_F(PaletteFiles, PngAtEachPaletteDepth) {
    TestPicture photo = synthetic_photograph(97, 61, 32);
    const std::vector<uint8_t> want = source_rgba(photo, true);
    const double bounds[9] = {0, 0, 17.0, 0, 28.0, 0, 0, 0, 40.0};  // measured: 18.8, 30.3, 41.5
    for (int depth : {1, 2, 4, 8}) {
        std::string file = name("depth" + std::to_string(depth) + ".png");
        ASSERT_EQ(save(file, photo, FORMAT_PNG, depth), 1) << "depth " << depth;
        PngFacts facts = png_facts(read_file(file));
        EXPECT_EQ(facts.bit_depth, depth);
        EXPECT_EQ(facts.colour_type, PNG_COLOR_TYPE_PALETTE);
        EXPECT_EQ(facts.palette_entries, 1u << depth);
        EXPECT_FALSE(facts.has_transparency);
        Decoded d = decode_png(file);
        ASSERT_EQ(d.width, 97);
        ASSERT_EQ(d.height, 61);
        if (depth == 1)
            expect_threshold(d, want);
        else
            EXPECT_GT(colour_psnr(d.rgba, want), bounds[depth]) << "depth " << depth;
    }
}

TEST_F(PaletteFiles, PngDepthsWithoutPaletteFormFailWithoutAFile) {
    TestPicture photo = synthetic_photograph(20, 10, 24);
    std::string fresh = name("fresh.png"), older = name("older.png");
    write_text_file(older, "older file");
    for (int depth : {3, 5, 6, 7}) {
        EXPECT_EQ(save(fresh, photo, FORMAT_PNG, depth), 0) << "depth " << depth;
        EXPECT_FALSE(file_exists(fresh));
        EXPECT_EQ(save(older, photo, FORMAT_PNG, depth), 0);
        std::vector<uint8_t> kept = read_file(older);
        EXPECT_EQ(std::string(kept.begin(), kept.end()), "older file");
    }
}

TEST_F(PaletteFiles, BmpAtEachPaletteDepth) {
    for (int bits : {24, 32}) {
        TestPicture photo = synthetic_photograph(97, 61, bits);
        const std::vector<uint8_t> want = source_rgba(photo, true);
        for (int depth : {1, 4, 8}) {
            std::string file = name("depth" + std::to_string(depth) + ".bmp");
            ASSERT_EQ(save(file, photo, FORMAT_BMP, depth), 1) << "depth " << depth;
            std::vector<uint8_t> bytes = read_file(file);
            ASSERT_GE(bytes.size(), 54u);
            uint32_t entries = 1u << depth;
            size_t row_size = (97u * depth + 31) / 32 * 4;
            EXPECT_EQ(get32(&bytes[10]), 54 + 4 * entries);
            EXPECT_EQ(bytes[28], depth);
            EXPECT_EQ(get32(&bytes[2]), bytes.size());
            EXPECT_EQ(bytes.size(), 54 + 4 * entries + row_size * 61);
            Decoded d = decode_palette_bmp(bytes);
            ASSERT_EQ(d.width, 97);
            if (depth == 1)
                expect_threshold(d, want);
            else
                EXPECT_GT(colour_psnr(d.rgba, want), depth == 8 ? 40.0 : 28.0) << "depth " << depth;
        }
    }
}

TEST_F(PaletteFiles, EitherRowOrderGivesAnUprightPicture) {
    // The same picture with its memory rows either way round; the network
    // samples memory in order, so the palettes may differ slightly, but both
    // files show the picture upright and close to the source.
    TestPicture bottom_up = synthetic_photograph(53, 29, 32);
    TestPicture top_down = flipped(bottom_up);
    const std::vector<uint8_t> want = source_rgba(bottom_up, true);
    struct Case {
        uint32_t format;
        int32_t depth;
        double bound;
    } cases[] = {{FORMAT_PNG, 8, 38.0}, {FORMAT_BMP, 8, 38.0}, {FORMAT_PNG, 4, 26.0}, {FORMAT_BMP, 4, 26.0}};
    for (const Case& c : cases) {
        std::string a = name("upright_a"), b = name("upright_b");
        ASSERT_EQ(save(a, bottom_up, c.format, c.depth, 0, ROWS_BOTTOM_UP), 1);
        ASSERT_EQ(save(b, top_down, c.format, c.depth, 0, 0), 1);
        for (const std::string& file : {a, b}) {
            Decoded d = c.format == FORMAT_PNG ? decode_png(file) : decode_palette_bmp(read_file(file));
            ASSERT_EQ(d.width, 53);
            EXPECT_GT(colour_psnr(d.rgba, want), c.bound) << file << " depth " << c.depth;
        }
    }
}

TEST_F(PaletteFiles, DitheringDependsOnTheRowOrder) {
    // Error spreads into the next memory row, so asking for the rows the
    // other way round gives another, equally valid file.
    TestPicture bottom_up = synthetic_photograph(64, 48, 32);
    TestPicture top_down = flipped(bottom_up);
    const std::vector<uint8_t> want = source_rgba(bottom_up, true);
    for (uint32_t format : {FORMAT_PNG, FORMAT_BMP}) {
        std::string a = name("dither_a"), b = name("dither_b");
        ASSERT_EQ(save(a, bottom_up, format, 4, DITHER, ROWS_BOTTOM_UP), 1);
        ASSERT_EQ(save(b, top_down, format, 4, DITHER, 0), 1);
        Decoded da = format == FORMAT_PNG ? decode_png(a) : decode_palette_bmp(read_file(a));
        Decoded db = format == FORMAT_PNG ? decode_png(b) : decode_palette_bmp(read_file(b));
        ASSERT_EQ(da.width, 64);
        ASSERT_EQ(db.width, 64);
        EXPECT_NE(da.rgba, db.rgba);
        EXPECT_GT(colour_psnr(da.rgba, want), 28.0);
        EXPECT_GT(colour_psnr(db.rgba, want), 28.0);
    }
}

TEST_F(PaletteFiles, DitheringFollowsAGradientMoreClosely) {
    TestPicture ramp = grey_gradient(256, 48, 32, 40, 200);
    const std::vector<uint8_t> want = source_rgba(ramp, true);
    for (uint32_t format : {FORMAT_PNG, FORMAT_BMP}) {
        std::string plain = name("ramp_plain"), dithered = name("ramp_dither");
        ASSERT_EQ(save(plain, ramp, format, 4, 0), 1);
        ASSERT_EQ(save(dithered, ramp, format, 4, DITHER), 1);
        Decoded dp = format == FORMAT_PNG ? decode_png(plain) : decode_palette_bmp(read_file(plain));
        Decoded dd = format == FORMAT_PNG ? decode_png(dithered) : decode_palette_bmp(read_file(dithered));
        ASSERT_EQ(dp.rgba.size(), want.size());
        ASSERT_EQ(dd.rgba.size(), want.size());
        double e_plain = local_mean_error(dp.rgba, want, 256, 48);
        double e_dither = local_mean_error(dd.rgba, want, 256, 48);
        EXPECT_LT(e_dither, e_plain * 0.75) << "plain " << e_plain << " dithered " << e_dither;
    }
}

TEST_F(PaletteFiles, PictureTooLargeForTheReducerLeavesNoFile) {
    // 32768 x 32768 fits a BMP's and libpng's limits, but its 4-byte copy does
    // not fit the reducer's 32-bit byte count: refused before a pixel is read.
    uint8_t small[64] = {};
    std::string fresh = name("huge_fresh"), older = name("huge_older");
    write_text_file(older, "older file");
    for (uint32_t format : {FORMAT_PNG, FORMAT_BMP}) {
        for (const std::string& file : {fresh, older})
            EXPECT_EQ(save_pixels(file.c_str(), small, format, 32768, 32768, 3 * 32768, 24, ROWS_BOTTOM_UP, 0, 8),
                      0);
        EXPECT_FALSE(file_exists(fresh));
        std::vector<uint8_t> kept = read_file(older);
        EXPECT_EQ(std::string(kept.begin(), kept.end()), "older file");
    }
}

#ifndef _WIN32
// Decoders of other origins, where the machine has them.
TEST_F(PaletteFiles, OtherDecodersAgree) {
    bool have_pil = std::system("/usr/bin/python3 -c 'import PIL' >/dev/null 2>&1") == 0;
    bool have_pngcheck = std::system("command -v pngcheck >/dev/null 2>&1") == 0;
    if (!have_pil && !have_pngcheck) {
        GTEST_SKIP() << "neither PIL nor pngcheck is installed";
    }

    TestPicture photo = synthetic_photograph(37, 23, 24);
    std::vector<std::string> files;
    std::string pngs;
    for (int depth : {1, 2, 4, 8}) {
        files.push_back(name("other" + std::to_string(depth) + ".png"));
        ASSERT_EQ(save(files.back(), photo, FORMAT_PNG, depth, DITHER), 1);
        pngs += " " + files.back();
    }
    for (int depth : {1, 4, 8}) {
        files.push_back(name("other" + std::to_string(depth) + ".bmp"));
        ASSERT_EQ(save(files.back(), photo, FORMAT_BMP, depth, DITHER), 1);
    }
    if (have_pngcheck) {
        EXPECT_EQ(std::system(("pngcheck -q" + pngs + " >/dev/null").c_str()), 0);
    }
    if (!have_pil) return;

    // Our decoding of each file as raw RGB beside it; PIL must decode the
    // same pixels.
    std::string arguments;
    for (const std::string& file : files) {
        bool png = file.find(".png") != std::string::npos;
        Decoded d = png ? decode_png(file) : decode_palette_bmp(read_file(file));
        ASSERT_EQ(d.width, 37) << file;
        std::string raw = name(file.substr(std::string("palette_files_").size()) + ".raw");
        FILE* f = std::fopen(raw.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        for (size_t i = 0; i < d.rgba.size(); i += 4) std::fwrite(&d.rgba[i], 1, 3, f);
        std::fclose(f);
        arguments += " " + file + " " + raw;
    }
    const char* script =
        "import sys\n"
        "from PIL import Image\n"
        "a = sys.argv[1:]\n"
        "bad = [f for f, r in zip(a[0::2], a[1::2])\n"
        "       if Image.open(f).convert('RGB').tobytes() != open(r, 'rb').read()]\n"
        "print('PIL disagrees on', bad) if bad else None\n"
        "sys.exit(1 if bad else 0)\n";
    std::string py = name("check.py");
    write_text_file(py, script);
    EXPECT_EQ(std::system(("/usr/bin/python3 " + py + arguments).c_str()), 0);
}
#endif

}  // namespace
