// Save dispatch, the white composite, the BMP writer, and what a save does to
// the files on disk when it succeeds and when it fails.
#include "codecs/encoder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "codecs/jpeg_writer.h"
#include "codecs/png_writer.h"
#include "codecs/save_file.h"
#include "encoder_fixtures.h"

#ifdef __linux__
#include <sys/inotify.h>
#include <unistd.h>
#endif

using namespace encoder_test;

namespace {

uint32_t u16(const std::vector<uint8_t>& b, size_t at) { return b[at] | (uint32_t{b[at + 1]} << 8); }
uint32_t u32(const std::vector<uint8_t>& b, size_t at) { return u16(b, at) | (u16(b, at + 2) << 16); }

// ---- white composite --------------------------------------------------------

TEST(CompositeOverWhite, BlendsEachColourByItsAlpha) {
    struct Case {
        uint8_t value, alpha, expected;
    } cases[] = {
        {0, 255, 0},     {200, 255, 200}, {0, 0, 255},     {123, 0, 255},  {0, 128, 127},
        {255, 128, 255}, {100, 128, 177}, {0, 1, 254},     {255, 1, 255},  {10, 254, 10}, {254, 254, 254},
    };
    for (const Case& c : cases) {
        uint8_t pixel[4] = {c.value, c.value, c.value, c.alpha};
        uint8_t* out = composite_over_white(pixel, 1, 1, 4);
        ASSERT_NE(out, nullptr);
        EXPECT_EQ(out[0], c.expected) << int(c.value) << " at alpha " << int(c.alpha);
        EXPECT_EQ(out[1], c.expected);
        EXPECT_EQ(out[2], c.expected);
        std::free(out);
    }
}

TEST(CompositeOverWhite, KeepsChannelOrderAndMemoryRowsAtPaddedPitch) {
    Picture p = make_picture(5, 3, 32, busy_pixel);
    EXPECT_EQ(composite_pitch(5), 16);
    EXPECT_EQ(composite_pitch(4), 12);
    uint8_t* out = composite_over_white(p.bits(), p.width, p.height, p.pitch);
    ASSERT_NE(out, nullptr);
    for (int32_t row = 0; row < 3; ++row)
        for (int32_t x = 0; x < 5; ++x) {
            const uint8_t* s = p.memory.data() + row * p.pitch + 4 * x;
            const uint8_t* d = out + row * 16 + 3 * x;
            for (int c = 0; c < 3; ++c) EXPECT_EQ(d[c], (s[c] * s[3] + 255 * (255 - s[3])) / 255);
        }
    std::free(out);
    EXPECT_EQ(composite_over_white(p.bits(), 0, 3, p.pitch), nullptr);
    EXPECT_EQ(composite_over_white(nullptr, 5, 3, p.pitch), nullptr);
}

// ---- registry and dispatch ---------------------------------------------------

constexpr uint32_t TAG_TEST = 0x54534554;   // "TEST": RGB and RGBA writers
constexpr uint32_t TAG_TEST2 = 0x32545354;  // "TST2": RGB writer only

struct Call {
    int which = 0;  // 24 or 32, 0 when no writer ran
    const uint8_t* pixels = nullptr;
    int32_t width = 0, height = 0, pitch = 0, layout = 0, flags = 0, depth = 0;
    std::vector<uint8_t> first_row;
} last_call;

int32_t record_call(int which, const uint8_t* pixels, int32_t width, int32_t height, int32_t pitch, int32_t layout,
                    int32_t flags, int32_t depth) {
    last_call = {which, pixels, width, height, pitch, layout, flags, depth,
                 std::vector<uint8_t>(pixels, pixels + width * (which / 8))};
    return 1;
}
int32_t fake_rgb(const char*, const uint8_t* p, int32_t w, int32_t h, int32_t pitch, int32_t l, int32_t f, int32_t d) {
    return record_call(24, p, w, h, pitch, l, f, d);
}
int32_t fake_rgba(const char*, const uint8_t* p, int32_t w, int32_t h, int32_t pitch, int32_t l, int32_t f,
                  int32_t d) {
    return record_call(32, p, w, h, pitch, l, f, d);
}

EncoderRecord fake_record = {TAG_TEST, fake_rgb, fake_rgba};
EncoderRecord fake_rgb_only = {TAG_TEST2, fake_rgb, nullptr};

void register_fakes() {
    static bool done = false;
    if (done) return;
    done = true;
    register_encoder(&fake_record);
    register_encoder(&fake_rgb_only);
}

int index_of(uint32_t tag) {
    for (int i = 0; i < encoder_table.count; ++i)
        if (encoder_table.records[i]->tag == tag) return i;
    return -1;
}

TEST(EncoderRegistry, PngAndJpegRegisterOnceInThatOrder) {
    register_png_encoder();
    register_jpeg_encoder();
    int count = encoder_table.count;
    register_png_encoder();
    register_jpeg_encoder();
    EXPECT_EQ(encoder_table.count, count);
    int png = index_of(FORMAT_PNG), jpeg = index_of(FORMAT_JPEG);
    ASSERT_GE(png, 0);
    ASSERT_GT(jpeg, png);
    EXPECT_EQ(encoder_table.records[png]->write_rgb24, write_png_rgb);
    EXPECT_EQ(encoder_table.records[png]->write_rgba32, write_png_rgba);
    EXPECT_EQ(encoder_table.records[jpeg]->write_rgb24, write_jpeg);
    EXPECT_EQ(encoder_table.records[jpeg]->write_rgba32, nullptr);
    EXPECT_EQ(FORMAT_BMP, uint32_t('B' | 'M' << 8 | 'P' << 16));
    EXPECT_EQ(FORMAT_JPEG, uint32_t('J' | 'P' << 8 | 'E' << 16 | uint32_t('G') << 24));
}

TEST(SaveDispatch, RoutesByFormatSourceDepthAndRequestedDepth) {
    register_fakes();
    Picture rgba = make_picture(5, 3, 32, busy_pixel);
    Picture rgb = make_picture(5, 3, 24, busy_pixel);
    const char* name = "never-written.bin";

    // 32-bit pixels at depth 32 or the default reach the RGBA writer untouched.
    for (int32_t depth : {32, -1}) {
        last_call = {};
        EXPECT_EQ(save_pixels(name, rgba.bits(), TAG_TEST, 5, 3, rgba.pitch, 32, ROWS_BOTTOM_UP, 9, depth), 1);
        EXPECT_EQ(last_call.which, 32);
        EXPECT_EQ(last_call.pixels, rgba.bits());
        EXPECT_EQ(last_call.pitch, rgba.pitch);
        EXPECT_EQ(last_call.layout, ROWS_BOTTOM_UP);
        EXPECT_EQ(last_call.flags, 9);
        EXPECT_EQ(last_call.depth, depth);
    }
    // Any other depth, or a format without an RGBA writer: the white composite.
    struct {
        uint32_t tag;
        int32_t depth;
    } composited[] = {{TAG_TEST, 24}, {TAG_TEST, 8}, {TAG_TEST, 16}, {TAG_TEST2, 32}, {TAG_TEST2, -1}};
    for (auto c : composited) {
        last_call = {};
        EXPECT_EQ(save_pixels(name, rgba.bits(), c.tag, 5, 3, rgba.pitch, 32, 0, 7, c.depth), 1);
        EXPECT_EQ(last_call.which, 24) << c.depth;
        EXPECT_NE(last_call.pixels, rgba.bits());
        EXPECT_EQ(last_call.pitch, 16);
        EXPECT_EQ(last_call.layout, 0);
        EXPECT_EQ(last_call.depth, c.depth);
        const uint8_t* s = rgba.memory.data();
        for (int ch = 0; ch < 3; ++ch) EXPECT_EQ(last_call.first_row[ch], (s[ch] * s[3] + 255 * (255 - s[3])) / 255);
    }
    // 24-bit pixels go to the RGB writer as they are.
    last_call = {};
    EXPECT_EQ(save_pixels(name, rgb.bits(), TAG_TEST, 5, 3, rgb.pitch, 24, ROWS_BOTTOM_UP, 7, 32), 1);
    EXPECT_EQ(last_call.which, 24);
    EXPECT_EQ(last_call.pixels, rgb.bits());
    EXPECT_EQ(last_call.pitch, rgb.pitch);
    // Other source depths, a missing name or pixels: no writer runs.
    for (int32_t source : {8, 16, 0, 33}) {
        last_call = {};
        EXPECT_EQ(save_pixels(name, rgba.bits(), TAG_TEST, 5, 3, rgba.pitch, source, 0, 7, -1), 0);
        EXPECT_EQ(last_call.which, 0);
    }
    EXPECT_EQ(save_pixels("", rgba.bits(), TAG_TEST, 5, 3, rgba.pitch, 32, 0, 7, -1), 0);
    EXPECT_EQ(save_pixels(nullptr, rgba.bits(), TAG_TEST, 5, 3, rgba.pitch, 32, 0, 7, -1), 0);
    EXPECT_EQ(save_pixels(name, nullptr, TAG_TEST, 5, 3, rgba.pitch, 32, 0, 7, -1), 0);
    EXPECT_EQ(last_call.which, 0);
}

TEST(SaveDispatch, UnknownFormatsWriteNothing) {
    register_png_encoder();
    register_jpeg_encoder();
    ScratchFolder folder;
    Picture p = make_picture(4, 4, 32, busy_pixel);
    for (uint32_t tag : {0u, 0x46464954u /* TIFF */, 0x474E51u, FORMAT_PNG << 8}) {
        EXPECT_EQ(save_pixels(folder.path("out").c_str(), p.bits(), tag, 4, 4, p.pitch, 32, ROWS_BOTTOM_UP, 7, -1), 0);
    }
    EXPECT_TRUE(folder.entries().empty());
}

// ---- BMP ---------------------------------------------------------------------

struct BmpHeader {
    uint32_t file_size, offset, header_size, planes, bits, compression, image_size, colours;
    int32_t width, height;
};

BmpHeader parse_bmp(const std::vector<uint8_t>& f) {
    BmpHeader h{};
    if (f.size() < 54 || f[0] != 'B' || f[1] != 'M') return h;
    h.file_size = u32(f, 2);
    EXPECT_EQ(u32(f, 6), 0u);  // reserved
    h.offset = u32(f, 10);
    h.header_size = u32(f, 14);
    h.width = static_cast<int32_t>(u32(f, 18));
    h.height = static_cast<int32_t>(u32(f, 22));
    h.planes = u16(f, 26);
    h.bits = u16(f, 28);
    h.compression = u32(f, 30);
    h.image_size = u32(f, 34);
    EXPECT_EQ(u32(f, 38), 0u);
    EXPECT_EQ(u32(f, 42), 0u);
    h.colours = u32(f, 46);
    EXPECT_EQ(u32(f, 50), 0u);
    return h;
}

TEST(BmpWriter, CutoutAt24And32BitsHasTheDocumentedHeadersAndPixels) {
    ScratchFolder folder;
    Picture cutout = make_cutout(128);
    struct {
        int32_t depth;
        uint32_t size;
    } cases[] = {{24, 1080054}, {32, 1440054}};
    for (auto c : cases) {
        std::string file = folder.path("cut" + std::to_string(c.depth) + ".bmp");
        ASSERT_EQ(save_pixels(file.c_str(), cutout.bits(), FORMAT_BMP, 600, 600, 2400, 32, ROWS_BOTTOM_UP, 7, c.depth),
                  1);
        std::vector<uint8_t> f = read_bytes(file);
        ASSERT_EQ(f.size(), c.size);
        BmpHeader h = parse_bmp(f);
        EXPECT_EQ(h.file_size, c.size);
        EXPECT_EQ(h.offset, 54u);
        EXPECT_EQ(h.header_size, 40u);
        EXPECT_EQ(h.width, 600);
        EXPECT_EQ(h.height, 600);
        EXPECT_EQ(h.planes, 1u);
        EXPECT_EQ(h.bits, uint32_t(c.depth));
        EXPECT_EQ(h.compression, 0u);
        EXPECT_EQ(h.image_size, c.size - 54);
        EXPECT_EQ(h.colours, 0u);
        if (c.depth == 32) {
            // The pixel block exactly as the image stores it, alpha included.
            EXPECT_EQ(std::memcmp(f.data() + 54, cutout.bits(), 1440000), 0);
        } else {
            // Bottom row first, each pixel over white.
            for (int32_t y : {0, 1, 300, 599})
                for (int32_t x : {0, 5, 299, 599}) {
                    Bgra s = cutout.get(x, y);
                    const uint8_t* d = f.data() + 54 + (599 - y) * 1800 + 3 * x;
                    EXPECT_EQ(d[0], (s.b * s.a + 255 * (255 - s.a)) / 255);
                    EXPECT_EQ(d[1], (s.g * s.a + 255 * (255 - s.a)) / 255);
                    EXPECT_EQ(d[2], (s.r * s.a + 255 * (255 - s.a)) / 255);
                }
        }
    }
    EXPECT_EQ(folder.entries().size(), 2u);
}

// Odd widths pad file rows; a top-down source has its rows reversed; a 24-bit
// source at depth 32 gets a zero fourth byte; a 32-bit source at depth 32
// keeps its alpha whatever its memory order.
TEST(BmpWriter, ConvertsRowsLayoutsAndDepths) {
    ScratchFolder folder;
    Picture rgb = make_picture(7, 5, 24, busy_pixel);   // pitch 24, file rows 24 (24-bit) or 28 (32-bit)
    Picture rgba = make_picture(7, 5, 32, busy_pixel);  // pitch 28
    std::vector<uint8_t> rgb_down = rgb.top_down(), rgba_down = rgba.top_down();
    struct Case {
        const Picture* source;
        const uint8_t* bits;
        int32_t layout, depth;
    } cases[] = {
        {&rgb, rgb.bits(), ROWS_BOTTOM_UP, 24},  {&rgb, rgb_down.data(), 0, 24},
        {&rgb, rgb.bits(), ROWS_BOTTOM_UP, 32},  {&rgb, rgb_down.data(), 0, 32},
        {&rgba, rgba.bits(), ROWS_BOTTOM_UP, 24}, {&rgba, rgba_down.data(), 0, 24},
        {&rgba, rgba.bits(), ROWS_BOTTOM_UP, 32}, {&rgba, rgba_down.data(), 0, 32},
    };
    int n = 0;
    for (const Case& c : cases) {
        std::string file = folder.path("case" + std::to_string(n++) + ".bmp");
        const Picture& p = *c.source;
        ASSERT_EQ(write_bmp(file.c_str(), c.bits, 7, 5, p.pitch, c.layout, 7, c.depth, p.depth), 1) << n;
        std::vector<uint8_t> f = read_bytes(file);
        uint32_t row = c.depth == 24 ? 24 : 28;
        ASSERT_EQ(f.size(), 54 + 5 * row) << n;
        EXPECT_EQ(parse_bmp(f).bits, uint32_t(c.depth));
        for (int32_t y = 0; y < 5; ++y) {
            const uint8_t* r = f.data() + 54 + (4 - y) * row;
            for (int32_t x = 0; x < 7; ++x) {
                Bgra s = p.get(x, y);
                const uint8_t* d = r + x * (c.depth / 8);
                if (p.depth == 32 && c.depth == 24) {
                    EXPECT_EQ(d[0], (s.b * s.a + 255 * (255 - s.a)) / 255) << n;
                    EXPECT_EQ(d[2], (s.r * s.a + 255 * (255 - s.a)) / 255) << n;
                } else {
                    EXPECT_EQ(d[0], s.b) << n;
                    EXPECT_EQ(d[1], s.g) << n;
                    EXPECT_EQ(d[2], s.r) << n;
                }
                if (c.depth == 32) {
                    EXPECT_EQ(d[3], p.depth == 32 ? s.a : 0) << n << " " << x << "," << y;
                }
            }
        }
    }
}

TEST(BmpWriter, RefusesWhatItCannotWriteWithoutMakingAFile) {
    ScratchFolder folder;
    Picture p = make_picture(8, 8, 32, busy_pixel);
    std::string file = folder.path("x.bmp");
    const char* f = file.c_str();
    // Depths a BMP does not have.
    for (int32_t depth : {16, -1, 0, 2, 15, 48})
        EXPECT_EQ(write_bmp(f, p.bits(), 8, 8, 32, ROWS_BOTTOM_UP, 7, depth, 32), 0) << depth;
    EXPECT_EQ(save_pixels(f, p.bits(), FORMAT_BMP, 8, 8, 32, 32, ROWS_BOTTOM_UP, 7, 16), 0);
    // Source depths, sizes and arguments that make no picture.
    EXPECT_EQ(write_bmp(f, p.bits(), 8, 8, 32, ROWS_BOTTOM_UP, 7, 32, 16), 0);
    EXPECT_EQ(write_bmp(f, p.bits(), 0, 8, 32, ROWS_BOTTOM_UP, 7, 32, 32), 0);
    EXPECT_EQ(write_bmp(f, p.bits(), 8, -8, 32, ROWS_BOTTOM_UP, 7, 32, 32), 0);
    EXPECT_EQ(write_bmp(f, nullptr, 8, 8, 32, ROWS_BOTTOM_UP, 7, 32, 32), 0);
    EXPECT_EQ(write_bmp("", p.bits(), 8, 8, 32, ROWS_BOTTOM_UP, 7, 32, 32), 0);
    // Pictures whose file would not fit the 32-bit size fields: refused before
    // a single pixel is read (the pixel block here is far too small for them).
    EXPECT_EQ(write_bmp(f, p.bits(), 32768, 32768, 131072, ROWS_BOTTOM_UP, 7, 32, 32), 0);
    EXPECT_EQ(write_bmp(f, p.bits(), 65536, 21846, 262144, ROWS_BOTTOM_UP, 7, 32, 32), 0);
    EXPECT_EQ(write_bmp(f, p.bits(), 0x7FFFFFFF, 0x7FFFFFFF, 4, ROWS_BOTTOM_UP, 7, 24, 32), 0);
    EXPECT_TRUE(folder.entries().empty());
}

// ---- files on disk --------------------------------------------------------------

struct FormatCase {
    const char* name;
    uint32_t format;
    int32_t flags, depth;
};
// BMP has no default depth of its own: save_image supplies the image's.
const FormatCase all_formats[] = {
    {"bmp", FORMAT_BMP, 7, 32}, {"png", FORMAT_PNG, 32, -1}, {"jpg", FORMAT_JPEG, 32, -1}};

TEST(SaveFiles, AMissingFolderGivesZero) {
    register_png_encoder();
    register_jpeg_encoder();
    ScratchFolder folder;
    Picture p = make_picture(9, 4, 32, busy_pixel);
    for (const FormatCase& c : all_formats) {
        std::string file = folder.path("no such folder/x.") + c.name;
        EXPECT_EQ(save_pixels(file.c_str(), p.bits(), c.format, 9, 4, p.pitch, 32, ROWS_BOTTOM_UP, c.flags, c.depth), 0)
            << c.name;
    }
    EXPECT_TRUE(folder.entries().empty());
}

TEST(SaveFiles, ASaveReplacesAnExistingFileAndLeavesNothingElse) {
    register_png_encoder();
    register_jpeg_encoder();
    ScratchFolder folder;
    Picture p = make_picture(9, 4, 32, busy_pixel);
    for (const FormatCase& c : all_formats) {
        std::string file = folder.path(std::string("picture.") + c.name);
        write_bytes(file, std::vector<uint8_t>(100000, 'x'));
        ASSERT_EQ(save_pixels(file.c_str(), p.bits(), c.format, 9, 4, p.pitch, 32, ROWS_BOTTOM_UP, c.flags, c.depth), 1);
        std::vector<uint8_t> f = read_bytes(file);
        ASSERT_GT(f.size(), 4u);
        EXPECT_LT(f.size(), 100000u);
        EXPECT_NE(f[0], 'x') << c.name;
    }
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"picture.bmp", "picture.jpg", "picture.png"}));
}

// A target that cannot be replaced (a folder of that name): the complete
// temporary file is thrown away and the folder stays.
TEST(SaveFiles, ATargetThatCannotBeReplacedKeepsItsPlace) {
    register_png_encoder();
    register_jpeg_encoder();
    ScratchFolder folder;
    Picture p = make_picture(9, 4, 32, busy_pixel);
    for (const FormatCase& c : all_formats) {
        std::string target = folder.path(std::string("taken.") + c.name);
        ASSERT_TRUE(std::filesystem::create_directory(target));
        write_bytes(target + "/inside", {1, 2, 3});
        EXPECT_EQ(save_pixels(target.c_str(), p.bits(), c.format, 9, 4, p.pitch, 32, ROWS_BOTTOM_UP, c.flags, c.depth), 0)
            << c.name;
        EXPECT_TRUE(std::filesystem::is_directory(target));
        EXPECT_EQ(read_bytes(target + "/inside"), (std::vector<uint8_t>{1, 2, 3}));
    }
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"taken.bmp", "taken.jpg", "taken.png"}));
}

// The libraries refuse a picture only once the file is open (width beyond
// libpng's limit, beyond JPEG's 65500): the old file keeps its bytes and no
// temporary file is left.
TEST(SaveFiles, ALibraryErrorPartWayLeavesTheOldFile) {
    register_png_encoder();
    register_jpeg_encoder();
    ScratchFolder folder;
    std::vector<uint8_t> wide(1000001 * 4, 0x80);
    std::vector<uint8_t> old_bytes = {'o', 'l', 'd'};
    struct {
        const char* name;
        uint32_t format;
        int32_t width;
    } cases[] = {{"wide.png", FORMAT_PNG, 1000001}, {"wide.jpg", FORMAT_JPEG, 70000}};
    for (auto c : cases) {
        std::string file = folder.path(c.name);
        write_bytes(file, old_bytes);
        EXPECT_EQ(save_pixels(file.c_str(), wide.data(), c.format, c.width, 1, c.width * 4, 32, ROWS_BOTTOM_UP, 32, -1),
                  0);
        EXPECT_EQ(read_bytes(file), old_bytes) << c.name;
    }
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"wide.jpg", "wide.png"}));
}

// Files that already carry the next temporary names belong to someone else:
// the save passes them by and leaves them as they are.
TEST(SaveFiles, TemporaryNamesNeverTakeOverExistingFiles) {
    ScratchFolder folder;
    std::string target = folder.path("busy.bmp");
    TempName peek;
    ASSERT_EQ(make_temp_name(target.c_str(), &peek), 1);
    std::string name = std::filesystem::path(peek.text).filename().string();
    // The name ends in the running count as 8 hex digits, then ".tmp".
    ASSERT_EQ(name.substr(0, 8), "~rcsave-");
    ASSERT_EQ(name.substr(name.size() - 4), ".tmp");
    unsigned long count = std::stoul(name.substr(name.size() - 12, 8), nullptr, 16);
    std::vector<std::string> squatters;
    for (unsigned long next = count + 1; next <= count + 2; ++next) {
        char hex[9];
        std::snprintf(hex, sizeof hex, "%08lx", next);
        squatters.push_back(name.substr(0, name.size() - 12) + hex + ".tmp");
        write_bytes(folder.path(squatters.back()), {'m', 'i', 'n', 'e'});
    }
    Picture p = make_picture(3, 2, 24, busy_pixel);
    ASSERT_EQ(save_pixels(target.c_str(), p.bits(), FORMAT_BMP, 3, 2, p.pitch, 24, ROWS_BOTTOM_UP, 7, 24), 1);
    EXPECT_EQ(read_bytes(target).size(), 54u + 2 * 12);
    for (const std::string& s : squatters) EXPECT_EQ(read_bytes(folder.path(s)), (std::vector<uint8_t>{'m', 'i', 'n', 'e'}));
    EXPECT_EQ(folder.entries().size(), 3u);
}

#ifdef __linux__
// Between two opens another process could take the temporary name (or plant
// a link there): every writer opens its temporary file once, creating it
// exclusively, and writes through that handle.
TEST(SaveFiles, TheTemporaryFileIsOpenedOnlyByItsExclusiveCreation) {
    register_png_encoder();
    register_jpeg_encoder();
    ScratchFolder folder;
    Picture p = make_picture(9, 4, 32, busy_pixel);
    for (const FormatCase& c : all_formats) {
        const int watch = inotify_init1(IN_NONBLOCK);
        ASSERT_GE(watch, 0);
        ASSERT_GE(inotify_add_watch(watch, folder.root().c_str(), IN_OPEN | IN_CREATE | IN_CLOSE), 0);
        std::string file = folder.path(std::string("once.") + c.name);
        ASSERT_EQ(save_pixels(file.c_str(), p.bits(), c.format, 9, 4, p.pitch, 32, ROWS_BOTTOM_UP, c.flags, c.depth), 1);
        // (Closes are watched too: identical events in a row would merge.)
        int opens = 0, creations = 0, closes = 0;
        alignas(inotify_event) char buffer[8192];
        ssize_t got;
        while ((got = read(watch, buffer, sizeof buffer)) > 0) {
            for (char* at = buffer; at < buffer + got;) {
                const auto* e = reinterpret_cast<const inotify_event*>(at);
                if (e->len && std::strncmp(e->name, "~rcsave-", 8) == 0) {
                    opens += (e->mask & IN_OPEN) != 0;
                    creations += (e->mask & IN_CREATE) != 0;
                    closes += (e->mask & IN_CLOSE) != 0;
                }
                at += sizeof(inotify_event) + e->len;
            }
        }
        close(watch);
        EXPECT_EQ(creations, 1) << c.name;
        EXPECT_EQ(opens, 1) << c.name;
        EXPECT_EQ(closes, 1) << c.name;
    }
}
#endif

}  // namespace
