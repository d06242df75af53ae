// Our JPEG and PNG decoders against GDI+ under the same conditions: every
// kind of picture the tests make goes through both paths, and the source
// images must have the same size, depth and bytes (JPEG: close, since ours
// decodes as libjpeg does by default, which the native tests check against
// djpeg: here the brightness).  Orientations likewise.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "app/model/state.h"
#include "app/picture/decode.h"
#include "app/picture/load_file.h"
#include "app/picture/picture_bytes.h"
#include "app/picture/source.h"
#include "app_fixture.h"
#include "app_pictures.h"
#include "codecs/orientation.h"
#include "unit/decode_pictures.h"

using namespace pictures;
namespace dp = decode_pictures;

namespace {

class Decoders : public AppFixture {
protected:
    std::string folder = scratch_folder("decode");
};

struct Difference {
    int64_t bytes = 0;
    int largest = 0;
    double luma = 0;  // mean difference of the pixels' brightness
};

// Bytes of the two images' pixels that differ (padding left out).
Difference compare_images(int64_t a, int64_t b) {
    Difference d;
    BitmapInfo ia{}, ib{};
    const uint8_t* pa = image_bits(a, &ia);
    const uint8_t* pb = image_bits(b, &ib);
    if (!pa || !pb || ia.width != ib.width || ia.height != ib.height || ia.bits_per_pixel != ib.bits_per_pixel) {
        d.bytes = -1;
        return d;
    }
    for (int32_t y = 0; y < ia.height; ++y)
        for (int32_t i = 0; i < ia.width * ia.bits_per_pixel / 8; ++i) {
            int diff = std::abs(int(pa[y * ia.stride + i]) - int(pb[y * ib.stride + i]));
            if (diff) ++d.bytes, d.largest = diff > d.largest ? diff : d.largest;
        }
    if (ia.bits_per_pixel == 24) {
        for (int32_t y = 0; y < ia.height; ++y)
            for (int32_t x = 0; x < ia.width; ++x) {
                const uint8_t* p = pa + y * ia.stride + 3 * x;
                const uint8_t* q = pb + y * ib.stride + 3 * x;
                d.luma += std::abs(0.114 * (p[0] - q[0]) + 0.587 * (p[1] - q[1]) + 0.299 * (p[2] - q[2]));
            }
        d.luma /= double(ia.width) * ia.height;
    }
    return d;
}

std::string describe(const dp::JpegKind& k) {
    return "jpeg c" + std::to_string(k.components) + " " + std::to_string(k.h_sampling) + "x" +
           std::to_string(k.v_sampling) + (k.progressive ? " progressive" : " baseline") + " q" + std::to_string(k.quality) +
           (k.restart_rows ? " restarts" : "") + (k.arithmetic ? " arithmetic" : "");
}
std::string describe(const dp::PngKind& k) {
    return "png type " + std::to_string(k.colour_type) + " depth " + std::to_string(k.bit_depth) +
           (k.transparency ? " tRNS" : "") + (k.interlaced ? " interlaced" : "") +
           (k.gamma > 0 ? " gamma " + std::to_string(k.gamma) : "") + (k.srgb ? " sRGB" : "");
}

// Loads the bytes through our decoder and the file through GDI+; expects
// ours to decode (or decline, when `ours_decodes` is false) and the same
// picture as GDI+: the same bytes, or for a JPEG the same brightness within
// a level on average (the chroma upsampling differs: ours is libjpeg's).
void expect_same(const std::string& folder, const std::string& name, const std::string& bytes, bool ours_decodes,
                 int32_t orientation = 1) {
    const bool jpeg = name.size() > 4 && name.compare(name.size() - 4, 4, ".jpg") == 0;
    std::string path = folder + name;
    ASSERT_TRUE(write_bytes(path, bytes.data(), bytes.size()));
    int64_t ours = decode_picture(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    int64_t theirs = decode_with_gdiplus(path.c_str(), orientation);
    ASSERT_TRUE(is_image(theirs)) << name;
    EXPECT_EQ(is_image(ours) != 0, ours_decodes) << name;
    if (is_image(ours)) {
        Difference d = compare_images(ours, theirs);
        if (jpeg)
            EXPECT_LE(d.luma, 1.0) << name << ": largest difference " << d.largest;
        else
            EXPECT_EQ(d.bytes, 0) << name << ": largest difference " << d.largest << " of "
                              << image_width(ours) * image_height(ours) * 3 << " bytes";
        EXPECT_EQ(find_image(ours)->depth, find_image(theirs)->depth) << name;
        free_image(ours);
    }
    free_image(theirs);
}

TEST_F(Decoders, JpegKindsMatchGdiplus) {
    const dp::JpegKind kinds[] = {
            {3, 1, 1, false, 90}, {3, 2, 2, false, 90}, {3, 2, 2, false, 100}, {3, 2, 1, false, 90}, {3, 1, 2, true, 90},
            {3, 1, 1, true, 75},  {3, 2, 2, true, 75},  {1, 1, 1, false, 90}, {1, 1, 1, true, 50},
            {3, 2, 2, false, 85, 1}, {3, 2, 2, true, 85, 0, true},
    };
    const int32_t sizes[][2] = {{64, 48}, {333, 201}, {17, 9}, {1, 1}, {31, 257}};
    for (const auto& kind : kinds)
        for (const auto& size : sizes) {
            std::string name = describe(kind) + " " + std::to_string(size[0]) + "x" + std::to_string(size[1]);
            SCOPED_TRACE(name);
            expect_same(folder, "k.jpg", dp::jpeg(size[0], size[1], kind), true);
        }
}

TEST_F(Decoders, PngKindsMatchGdiplus) {
    const dp::PngKind kinds[] = {
            {0, 1, false, false}, {0, 2, false, false}, {0, 4, false, false}, {0, 8, false, false},
            {0, 16, false, false}, {0, 8, true, false}, {4, 8, false, false}, {4, 16, false, false},
            {3, 1, false, false}, {3, 2, true, false},  {3, 4, false, false}, {3, 8, false, false},
            {3, 8, true, false},  {2, 8, false, false}, {2, 8, true, false},  {2, 16, false, false},
            {6, 8, false, false}, {6, 16, false, false}, {6, 8, false, true}, {0, 4, false, true},
            {3, 8, true, true},   {2, 16, false, true}, {2, 8, false, false, 1.0},
            {6, 8, false, false, 0.45455, true}, {0, 16, false, false, 2.2}, {3, 8, true, false, 1.0},
    };
    const int32_t sizes[][2] = {{64, 48}, {333, 201}, {1, 1}};
    for (const auto& kind : kinds)
        for (const auto& size : sizes) {
            std::string name = describe(kind) + " " + std::to_string(size[0]) + "x" + std::to_string(size[1]);
            SCOPED_TRACE(name);
            expect_same(folder, "k.png", dp::png(size[0], size[1], kind), true);
        }
    // A PNG cut before its IEND chunk: GDI+ refuses it although every row
    // is there, and so does ours.
    std::string whole = dp::png(45, 31, {6, 8, false, false});
    std::string cut = whole.substr(0, whole.size() - 12);
    ASSERT_TRUE(write_bytes(folder + "no_end.png", cut.data(), cut.size()));
    EXPECT_EQ(decode_picture(reinterpret_cast<const uint8_t*>(cut.data()), cut.size()), 0);
    EXPECT_EQ(decode_with_gdiplus((folder + "no_end.png").c_str(), 1), 0);
    // Every colour value under every alpha, composited over black.
    std::string table = dp::png(256, 256, {6, 8, false, false}, 0, false, true);
    expect_same(folder, "alpha.png", table, true);
}

// All eight orientations, each stored turned so that it comes out as the
// same upright picture: through the whole load (our decoders), and ours as
// GDI+ turns it with GdipImageRotateFlip.
TEST_F(Decoders, OrientationsComeOutUpright) {
    const int32_t W = 64, H = 40;
    for (int32_t o = 1; o <= 8; ++o) {
        const bool swap = o >= 5;
        const int32_t sw = swap ? H : W, sh = swap ? W : H;
        const struct {
            const char* name;
            std::string bytes;
            bool ours;
            int tolerance;
        } files[] = {
                {"o.jpg", dp::jpeg(sw, sh, {3, 2, 2, false, 95}, o, true), true, 12},
                {"o422.jpg", dp::jpeg(sw, sh, {3, 2, 1, true, 95}, o, true), true, 12},
                {"o.png", dp::png(sw, sh, {2, 8, false, false}, o, true), true, 0},
        };
        for (const auto& f : files) {
            SCOPED_TRACE(std::string(f.name) + " orientation " + std::to_string(o));
            const uint8_t* data = reinterpret_cast<const uint8_t*>(f.bytes.data());
            EXPECT_EQ(read_orientation(data, f.bytes.size()), o);
            std::string path = folder + f.name;
            ASSERT_TRUE(write_bytes(path, f.bytes.data(), f.bytes.size()));
            load_source(path.c_str());
            EXPECT_EQ(app.source_width, W);
            EXPECT_EQ(app.source_height, H);
            // Quarter centres, well inside each quarter.
            for (int32_t qy = 0; qy < 2; ++qy)
                for (int32_t qx = 0; qx < 2; ++qx) {
                    int32_t x = qx * W / 2 + W / 4, y = qy * H / 2 + H / 4;
                    uint32_t want = dp::corners(x, y, W, H) & 0xFFFFFF;
                    EXPECT_TRUE(near_colour(colour_at(app.source_image, x, y), want, f.tolerance))
                            << "quarter " << qx << "," << qy << std::hex << " got " << colour_at(app.source_image, x, y)
                            << " want " << want;
                }
            expect_same(folder, f.name, f.bytes, f.ours, o);
        }
    }
}

// Pasted bytes decode as the same file loads, upright.
TEST_F(Decoders, BytesInMemoryDecodeAsTheFile) {
    const struct {
        const char* name;
        std::string bytes;
    } files[] = {
            {"m420.jpg", dp::jpeg(40, 64, {3, 2, 2, false, 90}, 6, true)},
            {"m422.jpg", dp::jpeg(40, 64, {3, 2, 1, false, 90}, 8, true)},
            {"m.png", dp::png(37, 23, {6, 8, false, false}, 3)},
    };
    for (const auto& f : files) {
        SCOPED_TRACE(f.name);
        std::string path = folder + f.name;
        ASSERT_TRUE(write_bytes(path, f.bytes.data(), f.bytes.size()));
        int64_t from_file = decode_picture_file(path.c_str());
        int64_t from_memory = decode_picture_bytes(reinterpret_cast<const uint8_t*>(f.bytes.data()), f.bytes.size());
        ASSERT_TRUE(is_image(from_file));
        ASSERT_TRUE(is_image(from_memory));
        EXPECT_EQ(compare_images(from_file, from_memory).bytes, 0);
        free_image(from_file);
        free_image(from_memory);
    }
}

}  // namespace
