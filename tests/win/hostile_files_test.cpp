// Hostile source files through the real GDI+: truncated, empty and random
// files, headers that claim absurd sizes, pictures too tall for an image,
// 16-bit PNGs, a CMYK JPEG, an animated GIF, icons and a metafile full of
// nonsense records.  Every file is made here, none is kept in the tree.
//
// Each one must give a decoded picture of the size the file really holds or
// the black 600 x 600 fallback; no load may crash or hang; GDI objects do not
// pile up; and a normal picture loads correctly afterwards.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>
// clang-format off
#include <jpeglib.h>  // needs <cstdio> first
// clang-format on

#include "app/picture/load_file.h"
#include "app/picture/source.h"
#include "app_fixture.h"
#include "app_pictures.h"

using namespace pictures;

namespace {

// ---- byte builders ----------------------------------------------------------

void put16le(std::string& s, uint32_t v) {
    s.push_back(static_cast<char>(v & 0xFF));
    s.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void put32le(std::string& s, uint32_t v) {
    put16le(s, v & 0xFFFF);
    put16le(s, v >> 16);
}
void put32be(std::string& s, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) s.push_back(static_cast<char>((v >> shift) & 0xFF));
}

uint32_t crc32(const std::string& data) {
    uint32_t c = 0xFFFFFFFFu;
    for (unsigned char b : data) {
        c ^= b;
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
    }
    return ~c;
}

std::string png_chunk(const char* type, const std::string& data) {
    std::string body = std::string(type, 4) + data;
    std::string chunk;
    put32be(chunk, static_cast<uint32_t>(data.size()));
    chunk += body;
    put32be(chunk, crc32(body));
    return chunk;
}

// A zlib stream of stored (uncompressed) blocks; `complete` false leaves it
// unfinished, as a cut-off file would.
std::string zlib_stored(const std::string& data, bool complete = true) {
    std::string z = "\x78\x01";
    size_t at = 0;
    do {
        size_t n = std::min<size_t>(65535, data.size() - at);
        bool last = complete && at + n == data.size();
        z.push_back(last ? 1 : 0);
        put16le(z, static_cast<uint32_t>(n));
        put16le(z, static_cast<uint32_t>(~n & 0xFFFF));
        z.append(data, at, n);
        at += n;
    } while (at < data.size());
    if (complete) {
        uint32_t a = 1, b = 0;
        for (unsigned char c : data) a = (a + c) % 65521, b = (b + a) % 65521;
        put32be(z, b << 16 | a);
    }
    return z;
}

std::string png_file(uint32_t width, uint32_t height, int bit_depth, int colour_type, const std::string& idat,
                     bool complete = true) {
    std::string ihdr;
    put32be(ihdr, width);
    put32be(ihdr, height);
    ihdr.push_back(static_cast<char>(bit_depth));
    ihdr.push_back(static_cast<char>(colour_type));
    ihdr += std::string("\0\0\0", 3);
    return "\x89PNG\r\n\x1a\n" + png_chunk("IHDR", ihdr) + png_chunk("IDAT", zlib_stored(idat, complete)) +
           png_chunk("IEND", "");
}

// 16-bit samples of the test's 16-bit PNGs: red rises along x, green along y.
uint16_t sample16(int channel, int x, int y) {
    return static_cast<uint16_t>(channel == 0 ? 3000 + x * 9000 : channel == 1 ? 1000 + y * 12000 : channel == 2 ? 0xA0F0 : 0xFFFF);
}

std::string png16(int width, int height, bool alpha) {
    std::string rows;
    int channels = alpha ? 4 : 3;
    for (int y = 0; y < height; ++y) {
        rows.push_back(0);  // filter None
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < channels; ++c) {
                uint16_t v = sample16(c, x, y);
                rows.push_back(static_cast<char>(v >> 8));
                rows.push_back(static_cast<char>(v & 0xFF));
            }
    }
    return png_file(width, height, 16, alpha ? 6 : 2, rows);
}

// A 24-bit BMP of one colour; a negative height makes it top-down.
std::string bmp_file(int32_t width, int32_t height, uint32_t rgb) {
    uint32_t row = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;
    uint32_t rows = static_cast<uint32_t>(height < 0 ? -height : height);
    std::string s = "BM";
    put32le(s, 54 + row * rows);
    put32le(s, 0);
    put32le(s, 54);
    put32le(s, 40);
    put32le(s, static_cast<uint32_t>(width));
    put32le(s, static_cast<uint32_t>(height));
    put16le(s, 1);
    put16le(s, 24);
    for (int i = 0; i < 6; ++i) put32le(s, 0);
    std::string line(row, '\0');
    for (int32_t x = 0; x < width; ++x) {
        line[3 * x] = static_cast<char>(rgb & 0xFF);
        line[3 * x + 1] = static_cast<char>((rgb >> 8) & 0xFF);
        line[3 * x + 2] = static_cast<char>((rgb >> 16) & 0xFF);
    }
    for (uint32_t y = 0; y < rows; ++y) s += line;
    return s;
}

// A BMP header claiming a huge top-down 32-bit picture, with no pixels.
std::string bmp_huge_header() {
    std::string s = "BM";
    put32le(s, 54);
    put32le(s, 0);
    put32le(s, 54);
    put32le(s, 40);
    put32le(s, 0x7FFFFFFF);
    put32le(s, 0x80000001u);  // -0x7FFFFFFF: top-down
    put16le(s, 1);
    put16le(s, 32);
    for (int i = 0; i < 6; ++i) put32le(s, 0);
    return s;
}

// GIF image data of one palette index for every pixel: 3-bit codes with a
// clear code before every pair, so the code size never grows.
std::string gif_frame_data(int pixels, int index) {
    std::string codes;
    uint32_t bits = 0;
    int count = 0;
    auto emit = [&](uint32_t code) {
        bits |= code << count;
        count += 3;
        while (count >= 8) codes.push_back(static_cast<char>(bits & 0xFF)), bits >>= 8, count -= 8;
    };
    for (int i = 0; i < pixels; ++i) {
        if (i % 2 == 0) emit(4);
        emit(static_cast<uint32_t>(index));
    }
    emit(5);
    if (count > 0) codes.push_back(static_cast<char>(bits & 0xFF));
    std::string out(1, '\x02');  // minimum code size
    for (size_t at = 0; at < codes.size(); at += 255) {
        size_t n = std::min<size_t>(255, codes.size() - at);
        out.push_back(static_cast<char>(n));
        out.append(codes, at, n);
    }
    out.push_back(0);
    return out;
}

// A looping animation of three frames: red, blue, white (global palette:
// black, red, blue, white).
std::string animated_gif(int width, int height) {
    std::string s = "GIF89a";
    put16le(s, width);
    put16le(s, height);
    s += "\xF1";  // global table of 4 entries
    s.push_back(0), s.push_back(0);
    s += std::string("\x00\x00\x00\xFF\x00\x00\x00\x00\xFF\xFF\xFF\xFF", 12);
    s += std::string("\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00", 19);
    for (int index : {1, 2, 3}) {
        s += std::string("\x21\xF9\x04\x04\x0A\x00\x00\x00", 8);  // 10/100 s, keep the frame
        s.push_back(',');
        put16le(s, 0), put16le(s, 0), put16le(s, width), put16le(s, height);
        s.push_back(0);
        s += gif_frame_data(width * height, index);
    }
    s.push_back(';');
    return s;
}

// An icon of one 16 x 16 32-bit image of one colour, or (hostile) one whose
// directory points far past the end of the file.
std::string icon_file(uint32_t argb, bool hostile) {
    std::string image;
    put32le(image, 40);
    put32le(image, 16);
    put32le(image, 32);  // XOR and AND masks
    put16le(image, 1);
    put16le(image, 32);
    for (int i = 0; i < 6; ++i) put32le(image, 0);
    for (int i = 0; i < 16 * 16; ++i) put32le(image, argb);
    image += std::string(16 * 4, '\0');  // AND mask: all shown
    std::string s;
    put16le(s, 0);
    put16le(s, 1);
    put16le(s, hostile ? 0xFFFF : 1);
    s.push_back(16), s.push_back(16), s.push_back(0), s.push_back(0);
    put16le(s, 1);
    put16le(s, 32);
    put32le(s, hostile ? 0x7FFFFFF0u : static_cast<uint32_t>(image.size()));
    put32le(s, hostile ? 0xFFFFFF00u : 22);
    return s + image;
}

// A placeable metafile whose records make no sense: sizes of 0 and of far
// more than the file, unknown functions, drawing calls without their
// parameters, objects that were never made; the end record comes last.
std::string nonsense_wmf() {
    std::string s;
    put32le(s, 0x9AC6CDD7u);
    put16le(s, 0);
    put16le(s, 0), put16le(s, 0), put16le(s, 1440), put16le(s, 720);  // 1 x 0.5 inch
    put16le(s, 1440);
    put32le(s, 0);
    uint16_t sum = 0;
    for (size_t i = 0; i < s.size(); i += 2) sum ^= static_cast<uint16_t>(uint8_t(s[i]) | uint8_t(s[i + 1]) << 8);
    put16le(s, sum);
    std::string records;
    auto record = [&](uint32_t words, uint16_t function, std::initializer_list<uint16_t> params) {
        put32le(records, words);
        put16le(records, function);
        for (uint16_t p : params) put16le(records, p);
    };
    record(0, 0x0103, {});                  // size 0
    record(5, 0x020C, {0xFFFF, 0x8000});    // SetWindowExt to nonsense
    record(4, 0x012D, {9999});              // select an object never made
    record(3, 0x0B41, {});                  // stretch a DIB that is not there
    record(0x00FFFFFF, 0x0626, {1, 2});     // text out, claiming 32 MiB
    record(7, 0x7777, {1, 2, 3, 4});        // no such function
    record(4, 0x01F0, {65535});             // delete an object never made
    record(8, 0x0324, {0xFFFF, 0, 0});      // polygon of 65535 points, none given
    record(3, 0, {});                       // end
    std::string header;
    put16le(header, 1);
    put16le(header, 9);
    put16le(header, 0x300);
    put32le(header, static_cast<uint32_t>((18 + records.size()) / 2));
    put16le(header, 65535);  // objects
    put32le(header, 0x00FFFFFF);  // largest record
    put16le(header, 0);
    return s + header + records;
}

// A 48 x 32 four-component (CMYK) JPEG written by libjpeg.
std::string cmyk_jpeg(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return {};
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, f);
    info.image_width = 48;
    info.image_height = 32;
    info.input_components = 4;
    info.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 90, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<uint8_t> row(48 * 4);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 48; ++x) {
            row[4 * x] = static_cast<uint8_t>(x * 5);
            row[4 * x + 1] = static_cast<uint8_t>(y * 7);
            row[4 * x + 2] = 128;
            row[4 * x + 3] = 200;
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&info, &r, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::fclose(f);
    return read_bytes(path);
}

std::string random_bytes(uint32_t seed, size_t n) {
    std::string s(n, '\0');
    for (char& c : s) {
        seed = seed * 1664525u + 1013904223u;
        c = static_cast<char>(seed >> 24);
    }
    return s;
}

// ---- loading with a time limit ----------------------------------------------

struct LoadJob {
    const char* file;
    bool through_app;  // load_source (with the fallback) or decode_picture_file alone
    int64_t image;
};

DWORD WINAPI run_load(void* argument) {
    auto* job = static_cast<LoadJob*>(argument);
    if (job->through_app) load_source(job->file);
    else job->image = decode_picture_file(job->file);
    return 0;
}

// Runs the load on a thread of its own so that a hang shows as a failure
// instead of stopping the whole test program.  The main thread only waits.
bool load_within(LoadJob* job, DWORD milliseconds) {
    HANDLE thread = CreateThread(nullptr, 0, run_load, job, 0, nullptr);
    if (!thread) return false;
    bool done = WaitForSingleObject(thread, milliseconds) == WAIT_OBJECT_0;
    if (!done) TerminateThread(thread, 1);
    CloseHandle(thread);
    return done;
}

enum Expect { FALLBACK, DECODED, EITHER };

struct Hostile {
    std::string name;      // file name, extension included
    std::string bytes;
    Expect expect;
    int32_t width, height; // the picture the file holds, for DECODED and EITHER
    uint32_t colour;       // 0xRRGGBB expected at (1, 1) when decoded, or NO_COLOUR
};
constexpr uint32_t NO_COLOUR = 0xFFFFFFFFu;

bool all_black(int64_t image, int32_t width, int32_t height) {
    for (int32_t y = 0; y < height; y += 7)
        for (int32_t x = 0; x < width; x += 5)
            if (colour_at(image, x, y) != 0) return false;
    return colour_at(image, width - 1, height - 1) == 0;
}

class HostileFiles : public AppFixture {
protected:
    std::string folder = scratch_folder("hostile");
};

TEST_F(HostileFiles, DecodeOrFallBackWithoutHarm) {
    // Healthy pictures to cut short.
    std::vector<Hostile> files;
    const struct {
        Format format;
        const char* extension;
    } wholes[] = {{PNG, "png"}, {JPEG, "jpg"}, {BMP, "bmp"}, {GIF, "gif"}, {TIFF, "tif"}};
    for (const auto& w : wholes) {
        std::string path = folder + "whole." + w.extension;
        ASSERT_TRUE(write_picture(path, w.format, 90, 70)) << path;
        std::string whole = read_bytes(path);
        ASSERT_GT(whole.size(), 100u) << path;
        for (size_t keep : {size_t{8}, size_t{40}, whole.size() / 3, whole.size() - 1})
            files.push_back({"cut" + std::to_string(keep) + "." + w.extension, whole.substr(0, keep), EITHER, 90, 70,
                             NO_COLOUR});
        // Damaged rather than cut: a few bytes changed anywhere after the
        // signature, headers included, so the size may change too.
        uint32_t seed = static_cast<uint32_t>(whole.size());
        for (int mutant = 0; mutant < 12; ++mutant) {
            std::string damaged = whole;
            for (int k = 0; k < 1 + mutant; ++k) {
                seed = seed * 1664525u + 1013904223u;
                size_t at = 6 + (seed >> 8) % (damaged.size() - 6);
                seed = seed * 1664525u + 1013904223u;
                damaged[at] = static_cast<char>(seed >> 24);
            }
            files.push_back({"damaged" + std::to_string(mutant) + "." + w.extension, damaged, EITHER, -1, -1, NO_COLOUR});
        }
    }
    for (const char* extension : {"png", "jpg", "bmp", "gif", "ico", "wmf", "tif"}) {
        files.push_back({std::string("empty.") + extension, "", FALLBACK, 0, 0, NO_COLOUR});
        files.push_back({std::string("random.") + extension, random_bytes(extension[0] * 131 + extension[1], 4096),
                         FALLBACK, 0, 0, NO_COLOUR});
    }
    // Right signatures followed by junk.
    files.push_back({"junk_after_signature.png", "\x89PNG\r\n\x1a\n" + random_bytes(7, 3000), FALLBACK, 0, 0, NO_COLOUR});
    files.push_back({"junk_after_signature.gif", "GIF89a" + random_bytes(8, 3000), EITHER, -1, -1, NO_COLOUR});
    files.push_back({"junk_after_signature.jpg", "\xFF\xD8\xFF\xE0" + random_bytes(9, 3000), EITHER, -1, -1, NO_COLOUR});
    files.push_back({"huge_header.bmp", bmp_huge_header(), FALLBACK, 0, 0, NO_COLOUR});
    // 30000 x 30000 claimed by 700 bytes: refused before any decoder allocates it.
    std::string claims_bmp = bmp_file(1, 1, 0);
    claims_bmp.resize(700);
    for (int at : {18, 22}) claims_bmp[at] = char(0x30), claims_bmp[at + 1] = char(0x75);
    files.push_back({"claims_30000x30000.bmp", claims_bmp, FALLBACK, 0, 0, NO_COLOUR});
    // Headers that claim what no image can hold.
    files.push_back({"claims_100000x100000.png", png_file(100000, 100000, 8, 2, std::string(3000, '\x40'), false),
                     FALLBACK, 0, 0, NO_COLOUR});
    files.push_back({"claims_8000x8000.png", png_file(8000, 8000, 8, 2, std::string(3000, '\x40'), false), EITHER,
                     8000, 8000, NO_COLOUR});
    files.push_back({"claims_0x0.png", png_file(0, 0, 8, 2, std::string(1, '\0')), FALLBACK, 0, 0, NO_COLOUR});
    // Taller than an image may be (its sides are 16-bit), and just within.
    files.push_back({"tall_1x40000.bmp", bmp_file(1, 40000, 0x3070B0), FALLBACK, 0, 0, NO_COLOUR});
    files.push_back({"tall_1x30000.bmp", bmp_file(1, -30000, 0x3070B0), DECODED, 1, 30000, 0x3070B0});
    // Sixteen bits per sample: GDI+ hands them over at 48 and 64 bits.
    files.push_back({"deep16.png", png16(7, 5, false), DECODED, 7, 5,
                     uint32_t(sample16(0, 1, 1) >> 8) << 16 | uint32_t(sample16(1, 1, 1) >> 8) << 8 | (sample16(2, 1, 1) >> 8)});
    files.push_back({"deep16_alpha.png", png16(6, 9, true), DECODED, 6, 9,
                     uint32_t(sample16(0, 1, 1) >> 8) << 16 | uint32_t(sample16(1, 1, 1) >> 8) << 8 | (sample16(2, 1, 1) >> 8)});
    files.push_back({"cmyk.jpg", cmyk_jpeg(folder + "cmyk_source.jpg"), EITHER, 48, 32, NO_COLOUR});
    ASSERT_GT(files.back().bytes.size(), 100u);
    files.push_back({"animated.gif", animated_gif(12, 10), DECODED, 12, 10, 0xFF0000});
    files.push_back({"green.ico", icon_file(0xFF00FF00u, false), DECODED, 16, 16, 0x00FF00});
    files.push_back({"pointing_nowhere.ico", icon_file(0xFF00FF00u, true), FALLBACK, 0, 0, NO_COLOUR});
    files.push_back({"nonsense.wmf", nonsense_wmf(), EITHER, -1, -1, NO_COLOUR});

    // A normal load first, so that whatever GDI+ keeps for the process is
    // made before the objects are counted.
    std::string normal = folder + "normal.png";
    ASSERT_TRUE(write_picture(normal, PNG, 321, 123));
    load_source(normal.c_str());
    ASSERT_EQ(app.source_width, 321);
    free_image(app.source_image);
    free_image(app.crop_image);
    app.source_image = app.crop_image = 0;
    const int gdi_before = gdi_object_count();

    for (const Hostile& h : files) {
        SCOPED_TRACE(h.name + " (" + std::to_string(h.bytes.size()) + " bytes)");
        std::string path = folder + h.name;
        ASSERT_TRUE(write_bytes(path, h.bytes.data(), h.bytes.size()));

        // The decoder alone: no image, or one of the size the file holds.
        LoadJob direct{path.c_str(), false, 0};
        ASSERT_TRUE(load_within(&direct, 60000)) << "decode_picture_file hangs";
        bool decoded = direct.image != 0;
        if (decoded) {
            ASSERT_TRUE(is_image(direct.image));
            EXPECT_EQ(find_image(direct.image)->depth, 24);
            if (h.width > 0) {
                EXPECT_EQ(image_width(direct.image), h.width);
                EXPECT_EQ(image_height(direct.image), h.height);
            }
            free_image(direct.image);
        }
        if (h.expect == FALLBACK) {
            EXPECT_FALSE(decoded) << "decoded as " << h.name;
        }
        if (h.expect == DECODED) {
            EXPECT_TRUE(decoded) << "not decoded";
        }

        // Through the tool's load: the picture, or the black fallback.
        LoadJob through{path.c_str(), true, 0};
        ASSERT_TRUE(load_within(&through, 60000)) << "load_source hangs";
        ASSERT_TRUE(is_image(app.source_image));
        ASSERT_TRUE(is_image(app.crop_image));
        EXPECT_EQ(image_width(app.crop_image), 600);
        EXPECT_EQ(image_height(app.crop_image), 600);
        if (!decoded) {
            EXPECT_EQ(app.source_width, 600);
            EXPECT_EQ(app.source_height, 600);
            EXPECT_EQ(app.crop.side, 600);
            EXPECT_TRUE(all_black(app.source_image, 600, 600));
        } else {
            if (h.width > 0) {
                EXPECT_EQ(app.source_width, h.width);
                EXPECT_EQ(app.source_height, h.height);
            }
            int64_t smaller = app.source_width < app.source_height ? app.source_width : app.source_height;
            EXPECT_EQ(app.crop.side, smaller < 600 ? smaller : 600);
            if (h.colour != NO_COLOUR) {
                uint32_t got = colour_at(app.source_image, h.width > 1 ? 1 : 0, 1);
                EXPECT_TRUE(near_colour(got, h.colour, 2)) << std::hex << got << " want " << h.colour;
            }
        }
        // One line per file, for the record of what the platform made of it.
        std::printf("  %-28s %6zu bytes: %s\n", h.name.c_str(), h.bytes.size(),
                    decoded ? ("decoded " + std::to_string(app.source_width) + " x " +
                               std::to_string(app.source_height)).c_str()
                            : "black 600 x 600 fallback");
        DeleteFileA(path.c_str());
    }

    // A normal picture still loads as it should.
    load_source(normal.c_str());
    EXPECT_EQ(app.source_width, 321);
    EXPECT_EQ(app.source_height, 123);
    EXPECT_EQ(app.crop.side, 123);
    for (int32_t y = 0; y < 123; y += 11)
        for (int32_t x = 0; x < 321; x += 13) ASSERT_EQ(colour_at(app.source_image, x, y), pattern(x, y)) << x << "," << y;
    free_image(app.source_image);
    free_image(app.crop_image);
    app.source_image = app.crop_image = 0;
    // Nothing the loads made is left behind.
    EXPECT_EQ(gdi_object_count(), gdi_before);
}

}  // namespace
