// The JPEG and PNG decoders and the orientation reader, portable: placement
// of all eight orientations, bad and hostile inputs with the result each
// must give, and silence.
#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "codecs/claimed_size.h"
#include "codecs/jpeg_reader.h"
#include "codecs/orientation.h"
#include "codecs/png_reader.h"
#include "unit/decode_pictures.h"

namespace dp = decode_pictures;

namespace {

// A decoded picture in plain memory, top row first.
struct Decoded {
    int32_t width = 0, height = 0, calls = 0;
    std::vector<uint8_t> pixels;
    bool refuse = false;
};

bool make_buffer(void* context, int32_t width, int32_t height, DecodeTarget* target) {
    auto* d = static_cast<Decoded*>(context);
    ++d->calls;
    if (d->refuse) return false;
    d->width = width, d->height = height;
    d->pixels.assign(static_cast<size_t>(width) * height * 3, 0xAB);
    target->top = d->pixels.data();
    target->stride = static_cast<ptrdiff_t>(width) * 3;
    return true;
}

int32_t decode(const std::string& bytes, int32_t orientation, Decoded* d) {
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    return looks_like_png(data, bytes.size()) ? decode_png(data, bytes.size(), orientation, make_buffer, d)
                                              : decode_jpeg(data, bytes.size(), orientation, make_buffer, d);
}

int32_t orientation_of(const std::string& bytes) {
    return read_orientation(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

TEST(Orientation, ReadFromEachContainerAndByteOrder) {
    for (int32_t o = 1; o <= 8; ++o) {
        SCOPED_TRACE(o);
        EXPECT_EQ(orientation_of(dp::jpeg(16, 8, {3, 2, 2, false, 80}, o)), o);
        EXPECT_EQ(orientation_of(dp::png(5, 3, {2, 8, false, false}, o)), o);
        for (bool big : {false, true}) {
            const std::string tiff = dp::exif_block(o, big).substr(6);
            EXPECT_EQ(orientation_of(tiff), o);
            // A TIFF file's header and first directory alone say as much.
            const auto* bytes = reinterpret_cast<const uint8_t*>(tiff.data());
            const uint32_t at = tiff_directory_offset(bytes, tiff.size());
            ASSERT_TRUE(at >= 8 && at < tiff.size());
            EXPECT_EQ(tiff_directory_orientation(bytes, bytes + at, tiff.size() - at), o);
        }
    }
    EXPECT_EQ(orientation_of(dp::jpeg(16, 8, {1, 1, 1, false, 80})), 1);
    EXPECT_EQ(orientation_of(dp::png(5, 3, {6, 8, false, false})), 1);
}

TEST(Orientation, MalformedMeansAsStored) {
    const std::string good = dp::exif_block(6, false).substr(6);  // a TIFF block, orientation 6
    ASSERT_EQ(orientation_of(good), 6);
    auto with = [&](size_t at, std::initializer_list<uint8_t> bytes) {
        std::string s = good;
        for (uint8_t b : bytes) s[at++] = static_cast<char>(b);
        return s;
    };
    // The second entry (the orientation) starts at 8 + 2 + 12 = 22.
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
            {"empty", ""},
            {"cut in the header", good.substr(0, 6)},
            {"cut in the entries", good.substr(0, 30)},
            {"wrong magic", with(2, {43})},
            {"directory past the end", with(4, {0xF0, 0xFF, 0xFF, 0x7F})},
            {"directory at the very end", with(4, {uint8_t(good.size()), 0, 0, 0})},
            {"entry count past the end", with(8, {0xFF, 0xFF})},
            {"type LONG", with(24, {4})},
            {"count 2", with(26, {2})},
            {"value 0", with(30, {0})},
            {"value 9", with(30, {9})},
            {"value 256 + 6", with(30, {6, 1})},
            {"unknown byte order", with(0, {'I', 'M'})},
    };
    for (const auto& c : cases) EXPECT_EQ(orientation_of(c.bytes), 1) << c.what;

    // Containers: an APP1 longer than the file, an eXIf chunk past the end,
    // an APP1 after the frame header (not looked at).
    std::string jpeg = dp::jpeg(16, 8, {3, 1, 1, false, 80}, 6);
    size_t app1 = jpeg.find("Exif");
    ASSERT_NE(app1, std::string::npos);
    std::string long_app1 = jpeg.substr(0, app1 + 40);
    EXPECT_EQ(orientation_of(long_app1), 1);
    std::string png = dp::png(4, 4, {2, 8, false, false}, 6);
    size_t exif = png.find("eXIf");
    ASSERT_NE(exif, std::string::npos);
    EXPECT_EQ(orientation_of(png.substr(0, exif + 20)), 1);
    std::string late = dp::jpeg(16, 8, {3, 1, 1, false, 80});
    size_t sof = late.find("\xFF\xC0");
    ASSERT_NE(sof, std::string::npos);
    std::string segment = "\xFF\xE1" + std::string(1, char((good.size() + 8) >> 8)) + char((good.size() + 8) & 0xFF) +
                          std::string("Exif\0\0", 6) + good;
    EXPECT_EQ(orientation_of(late.substr(0, sof + 2) + segment), 1);
    EXPECT_EQ(orientation_of(late.substr(0, 2) + segment + late.substr(2)), 6);
}

// Every orientation writes the same pixels as orientation 1, moved where
// the EXIF definition puts them.
TEST(Decoders, OrientationsMovePixelsAsDefined) {
    const std::string files[] = {dp::png(7, 4, {6, 8, false, false}), dp::jpeg(13, 6, {3, 2, 2, false, 90}),
                                 dp::jpeg(9, 5, {1, 1, 1, true, 90}), dp::png(6, 5, {3, 4, true, true}),
                                 dp::jpeg(37, 41, {3, 2, 1, false, 90})};
    for (const std::string& file : files) {
        Decoded plain;
        ASSERT_EQ(decode(file, 1, &plain), 1);
        const int32_t W = plain.width, H = plain.height;
        for (int32_t o = 2; o <= 8; ++o) {
            Decoded turned;
            ASSERT_EQ(decode(file, o, &turned), 1);
            const bool swap = o >= 5;
            ASSERT_EQ(turned.width, swap ? H : W);
            ASSERT_EQ(turned.height, swap ? W : H);
            for (int32_t y = 0; y < H; ++y)
                for (int32_t x = 0; x < W; ++x) {
                    const int32_t w = W - 1, h = H - 1;
                    const int32_t u[9] = {0, x, w - x, w - x, x, y, h - y, h - y, y};
                    const int32_t v[9] = {0, y, y, h - y, h - y, x, x, w - x, w - x};
                    const uint8_t* a = &plain.pixels[(static_cast<size_t>(y) * W + x) * 3];
                    const uint8_t* b = &turned.pixels[(static_cast<size_t>(v[o]) * turned.width + u[o]) * 3];
                    ASSERT_EQ(std::memcmp(a, b, 3), 0) << "orientation " << o << " at " << x << "," << y;
                }
        }
    }
}

#if !defined(_WIN32)  // djpeg and cjpeg run natively
#include <unistd.h>

// What a shell command prints, the bytes given to it as the file $IN.
std::string shell_output(const std::string& command, const std::string& input) {
    char name[] = "/tmp/roundcut-in-XXXXXX";
    const int fd = mkstemp(name);
    if (fd < 0 || write(fd, input.data(), input.size()) != static_cast<ssize_t>(input.size())) return {};
    close(fd);
    std::string out;
    if (std::FILE* p = popen(("IN=" + std::string(name) + "; " + command + " 2>/dev/null").c_str(), "r")) {
        for (int c; (c = std::fgetc(p)) != EOF;) out += char(c);
        pclose(p);
    }
    std::remove(name);
    return out;
}

// djpeg's reading of the file, top row first, as blue, green, red; empty
// when djpeg cannot be run.
std::vector<uint8_t> djpeg(const std::string& file) {
    const std::string pnm = shell_output("djpeg -pnm \"$IN\"", file);
    int width = 0, height = 0, at = 0;
    std::vector<uint8_t> out;
    if (std::sscanf(pnm.c_str(), "P%*c %d %d 255%n", &width, &height, &at) != 2 || at == 0) return out;
    const int n = pnm[1] == '5' ? 1 : 3;
    for (size_t i = at + 1; i + n <= pnm.size(); i += n)
        for (int c = 2; c >= 0; --c) out.push_back(static_cast<uint8_t>(pnm[i + (n == 1 ? 0 : c)]));
    return out;
}

// Every kind of JPEG decodes byte for byte as djpeg decodes it by default.
// One cut short shows the rows before the cut and grey after it; a header
// claiming far more than the data holds, or a progression of too many
// scans, is refused before the picture is asked for.
TEST(Decoders, JpegMatchesDjpegAndEndsAtTheDamage) {
    const dp::JpegKind kinds[] = {
            {3, 1, 1, false, 90}, {3, 2, 1, false, 90}, {3, 1, 2, false, 90},      {3, 2, 2, false, 90},
            {3, 4, 1, false, 90}, {1, 1, 1, false, 90}, {3, 2, 2, true, 75},       {3, 2, 1, true, 75},
            {1, 1, 1, true, 50},  {3, 2, 2, false, 85, 1}, {3, 2, 2, true, 85, 0, true},
    };
    for (const auto& kind : kinds)
        for (const auto& size : {std::pair{333, 201}, {17, 9}, {1, 1}}) {
            const std::string file = dp::jpeg(size.first, size.second, kind);
            Decoded ours;
            ASSERT_EQ(decode(file, 1, &ours), JPEG_COMPLETE);
            ASSERT_TRUE(ours.pixels == djpeg(file)) << "sampling " << kind.h_sampling << "x" << kind.v_sampling << ", "
                                                    << size.first << " x " << size.second << " (djpeg missing?)";
        }

    const std::string whole = dp::jpeg(64, 96, {3, 2, 2, false, 90});
    const std::vector<uint8_t> full = djpeg(whole);
    Decoded cut;
    ASSERT_EQ(decode(whole.substr(0, whole.size() / 2), 1, &cut), JPEG_DAMAGED);
    ASSERT_EQ(cut.pixels.size(), full.size());
    const size_t row = 64 * 3;
    EXPECT_TRUE(std::equal(full.begin(), full.begin() + 16 * row, cut.pixels.begin()));
    EXPECT_EQ(std::count(cut.pixels.end() - 16 * row, cut.pixels.end(), DAMAGED_GREY), static_cast<long>(16 * row));
    Decoded cut_progressive;  // what its scans so far hold, over the whole picture
    EXPECT_EQ(decode(dp::jpeg(64, 96, {3, 2, 2, true, 90}).substr(0, whole.size() / 2), 1, &cut_progressive), JPEG_DAMAGED);
    EXPECT_EQ(cut_progressive.height, 96);

    std::string claims = dp::jpeg(16, 16, {3, 2, 2, false, 90});
    const size_t sof = claims.find("\xFF\xC0");
    ASSERT_NE(sof, std::string::npos);
    claims[sof + 5] = claims[sof + 7] = char(0x7F), claims[sof + 6] = claims[sof + 8] = char(0xFF);  // 32767 x 32767
    Decoded refused;
    EXPECT_EQ(decode(claims, 1, &refused), JPEG_FAILED);
    EXPECT_EQ(refused.calls, 0);

    // The first 31 coefficients of each component in scans of their own: a
    // valid progression of 97 scans.
    const std::string many = shell_output(
            "s=$IN.scans; (echo '0,1,2: 0 0 0 0;'; for c in 0 1 2; do for k in $(seq 31); do echo \"$c: $k $k 0 0;\"; "
            "done; echo \"$c: 32 63 0 0;\"; done) >$s; djpeg -pnm \"$IN\" | cjpeg -scans $s; rm -f $s", whole);
    ASSERT_GT(many.size(), 1000u) << "cjpeg (libjpeg-turbo-progs) missing";
    Decoded scans;
    EXPECT_EQ(decode(many, 1, &scans), JPEG_FAILED);
    EXPECT_EQ(scans.calls, 0);
}
#endif

// PNG against the library's own simplified reader, composited over black
// the way the decoder does it.
TEST(Decoders, PngMatchesLibpngsOwnReading) {
    const dp::PngKind kinds[] = {{0, 2, false, false}, {0, 8, true, false}, {4, 8, false, true}, {3, 8, true, false},
                                 {3, 1, false, true},  {2, 8, true, false}, {6, 8, false, false}, {6, 8, false, true}};
    for (const auto& kind : kinds) {
        std::string file = dp::png(37, 23, kind);
        Decoded ours;
        ASSERT_EQ(decode(file, 1, &ours), 1);
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        ASSERT_TRUE(png_image_begin_read_from_memory(&image, file.data(), file.size()));
        image.format = PNG_FORMAT_BGRA;
        std::vector<uint8_t> bgra(PNG_IMAGE_SIZE(image));
        ASSERT_TRUE(png_image_finish_read(&image, nullptr, bgra.data(), 0, nullptr));
        for (size_t i = 0; i < static_cast<size_t>(ours.width) * ours.height; ++i)
            for (int c = 0; c < 3; ++c)
                ASSERT_EQ(ours.pixels[3 * i + c], over_black(bgra[4 * i + c], bgra[4 * i + 3]))
                        << "type " << kind.colour_type << " pixel " << i;
    }
}

// Sides beyond the image library's limit are refused from the header,
// before the target is asked for; cut files never count as complete;
// refused targets fail; and none of it prints a thing.
TEST(Decoders, HostileFilesAreDeclinedQuietly) {
    std::string png = dp::png(20, 10, {2, 8, false, false});
    std::string wide_png = png;
    wide_png[16] = 0, wide_png[17] = 0, wide_png[18] = char(0x80), wide_png[19] = 0;  // width 32768
    std::string claiming_png = png;  // 30000 x 30000 from a few hundred bytes, its header's checksum right
    claiming_png[18] = claiming_png[22] = char(0x75), claiming_png[19] = claiming_png[23] = char(0x30);
    const uint32_t crc = crc32(0, reinterpret_cast<const Bytef*>(claiming_png.data() + 12), 17);
    for (int i = 0; i < 4; ++i) claiming_png[29 + i] = char(crc >> (24 - 8 * i));
    std::string jpeg = dp::jpeg(20, 10, {3, 2, 2, false, 90});
    // Tall enough for several bands of rows.
    std::string tall = dp::jpeg(24, 200, {3, 2, 2, false, 90});
    std::string wide_jpeg = jpeg;
    size_t sof = wide_jpeg.find("\xFF\xC0");
    ASSERT_NE(sof, std::string::npos);
    wide_jpeg[sof + 7] = char(0x80), wide_jpeg[sof + 8] = 0;  // width 32768
    testing::internal::CaptureStderr();
    for (const std::string& big : {wide_png, wide_jpeg, claiming_png}) {
        Decoded d;
        EXPECT_LE(decode(big, 1, &d), 0);
        EXPECT_EQ(d.calls, 0);
    }
    for (const std::string* file : {&png, &jpeg, &tall}) {
        const std::string& good = *file;
        for (size_t cut = 0; cut < good.size(); cut += 1 + cut / 8) {
            Decoded d;
            EXPECT_NE(decode(good.substr(0, cut), 1, &d), 1) << cut;
        }
        Decoded refused;
        refused.refuse = true;
        EXPECT_EQ(decode(good, 6, &refused), 0);
        EXPECT_EQ(refused.calls, 1);
        std::string damaged = good;
        for (size_t i = good.size() / 2; i < good.size() - 2; i += 7) damaged[i] = char(damaged[i] ^ 0x5A);
        Decoded d;
        decode(damaged, 1, &d);  // either result, but silently
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

}  // namespace

// What the headers of the platform decoder's formats claim, and whether a
// file of that size can hold it.
TEST(ClaimedSize, HeadersOfThePlatformsFormats) {
    auto bytes = [](std::initializer_list<int> b) { return std::string(b.begin(), b.end()); };
    const std::string bmp = "BM" + std::string(12, 0) + bytes({40, 0, 0, 0, 0x30, 0x75, 0, 0, 0xE0, 0xB1, 0xFF, 0xFF});
    const std::string core = "BM" + std::string(12, 0) + bytes({12, 0, 0, 0, 0x80, 2, 0xE0, 1});
    const std::string gif = "GIF89a" + bytes({0x41, 1, 0x7B, 0});
    const struct {
        std::string start;
        int64_t width, height;  // -1: no size
    } cases[] = {{bmp, 30000, 20000}, {core, 640, 480}, {gif, 321, 123}, {gif.substr(0, 9), -1, -1},
                 {"GIF90a" + gif.substr(6), -1, -1}, {bmp.substr(0, 25), -1, -1}};
    for (const auto& c : cases) {
        int64_t w = -1, h = -1;
        EXPECT_EQ(claimed_size(reinterpret_cast<const uint8_t*>(c.start.data()), c.start.size(), &w, &h), c.width >= 0);
        EXPECT_EQ(std::make_pair(w, h), std::make_pair(c.width, c.height));
    }
    // A TIFF directory (big-endian): its width a SHORT, its height a LONG.
    const std::string header = "MM" + bytes({0, 42, 0, 0, 0, 8});
    const std::string directory = bytes({0, 2, 1, 0, 0, 3, 0, 0, 0, 1, 1, 0xF4, 0, 0, 1, 1, 0, 4, 0, 0, 0, 1, 0, 1, 0x11, 0x70});
    const auto* d = reinterpret_cast<const uint8_t*>(directory.data());
    int64_t w = 0, h = 0;
    ASSERT_TRUE(tiff_claimed_size(reinterpret_cast<const uint8_t*>(header.data()), d, directory.size(), &w, &h));
    EXPECT_EQ(std::make_pair(w, h), std::make_pair(int64_t{500}, int64_t{70000}));
    EXPECT_FALSE(tiff_claimed_size(reinterpret_cast<const uint8_t*>(header.data()), d, 14, &w, &h));
    EXPECT_FALSE(plausible_size(30000, 20000, 700));
    EXPECT_TRUE(plausible_size(30000, 20000, (30000ull * 20000 + MOST_PIXELS_PER_BYTE - 1) / MOST_PIXELS_PER_BYTE));
}
