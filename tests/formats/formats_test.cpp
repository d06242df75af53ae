// WebP, HEIF, AVIF and embedded colour profiles through the whole load path
// (natively, and under Wine with the DLLs beside the program), against
// pictures and references that make_fixtures.py made with Debian's tools.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/picture/decode.h"
#include "app/picture/load_file.h"
#include "codecs/colour_profile.h"
#include "codecs/heif_reader.h"
#include "codecs/webp_reader.h"
#include "core/dynlib.h"
#include "image/image.h"

namespace {

const std::string dir = "formats/";

std::string contents(const std::string& name) {
    std::ifstream in(dir + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class Formats : public ::testing::Test {
protected:
    void SetUp() override {
        static bool started = false;
        if (!started) {
            init_image_library();
            init_dynamic_libraries();
            started = true;
        }
        if (contents("cases.txt").empty()) GTEST_SKIP() << "no fixtures (make_fixtures.py)";
    }
    void TearDown() override { free_all_images(); }
};

// The largest difference of any channel between the image and the
// reference, 256 when their sizes differ.
int largest_difference(int64_t image, const std::string& reference) {
    std::istringstream in(reference);
    int32_t width = 0, height = 0;
    in >> width >> height;
    const size_t start = reference.find('\n') + 1;
    BitmapInfo info{};
    const uint8_t* bits = image_bits(image, &info);
    if (!bits || info.width != width || info.height != height || reference.size() != start + size_t(width) * height * 3)
        return 256;
    int largest = 0;
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* row = bits + static_cast<ptrdiff_t>(height - 1 - y) * info.stride;
        for (int32_t i = 0; i < width * 3; ++i)
            largest = std::max(largest, std::abs(row[i] - uint8_t(reference[start + size_t(y) * width * 3 + i])));
    }
    return largest;
}

TEST_F(Formats, EachDecodesAsItsReference) {
    std::istringstream cases(contents("cases.txt"));
    std::string picture, reference;
    int tolerance = 0, count = 0;
    while (cases >> picture >> reference >> tolerance) {
        SCOPED_TRACE(picture);
        const int64_t image = decode_picture_file((dir + picture).c_str());
        ASSERT_NE(image, 0);
        EXPECT_LE(largest_difference(image, contents(reference)), tolerance);
        free_image(image);
        ++count;
    }
    EXPECT_GE(count, 10);
}

TEST_F(Formats, FailuresSayWhy) {
    PictureProblem problem = PictureProblem::NONE;
    std::string webp = contents("lossy.webp");
    webp.resize(webp.size() / 2);
    EXPECT_EQ(decode_picture(reinterpret_cast<const uint8_t*>(webp.data()), webp.size(), &problem), 0);
    EXPECT_EQ(problem, PictureProblem::DAMAGED_WEBP);
    // 16383 x 16383 claimed by a few hundred bytes: refused before a picture is asked for.
    std::string claims = contents("lossy.webp");
    ASSERT_EQ(claims.substr(12, 4), "VP8 ");
    claims[26] = claims[28] = char(0xFF), claims[27] = claims[29] = char(0x3F);
    static int asked = 0;
    const MakeTarget count = [](void*, int32_t, int32_t, DecodeTarget*) { return ++asked, false; };
    EXPECT_EQ(decode_webp(reinterpret_cast<const uint8_t*>(claims.data()), claims.size(), 1, count, nullptr), 0);
    EXPECT_EQ(asked, 0);

    const std::string heic = contents("photo.heic");
    if (heic.empty()) GTEST_SKIP() << "no HEIF encoder";
    const char* library = heif_library_file;
    heif_library_file = "no-such-libheif.dll";
    EXPECT_EQ(decode_picture(reinterpret_cast<const uint8_t*>(heic.data()), heic.size(), &problem), 0);
    heif_library_file = library;
    EXPECT_STREQ(picture_problem_text(problem), "HEIC needs libheif.dll beside roundcut.exe");
}

TEST_F(Formats, ProfileFoundInEachContainerAndJpegPiecesJoinedInOrder) {
    const std::string icc = contents("adobe.icc");
    auto profile = [](const std::string& file) {
        const std::vector<uint8_t> p = embedded_profile(reinterpret_cast<const uint8_t*>(file.data()), file.size());
        return std::string(p.begin(), p.end());
    };
    for (const char* name : {"adobe.jpg", "adobe.png", "adobe.webp"}) EXPECT_EQ(profile(contents(name)), icc) << name;

    // The one APP2 chunk split in two, stored second piece first.
    const std::string jpeg = contents("adobe.jpg");
    const size_t at = jpeg.find("ICC_PROFILE");
    ASSERT_NE(at, std::string::npos);
    const std::string head = icc.substr(0, 100), tail = icc.substr(100);
    auto chunk = [](int number, const std::string& piece) {
        const size_t length = 2 + 14 + piece.size();
        return std::string("\xFF\xE2") + char(length >> 8) + char(length & 255) + std::string("ICC_PROFILE\0", 12) +
               char(number) + char(2) + piece;
    };
    const std::string split = jpeg.substr(0, at - 4) + chunk(2, tail) + chunk(1, head) + jpeg.substr(at + 14 + icc.size());
    EXPECT_EQ(profile(split), icc);
    EXPECT_EQ(profile(jpeg.substr(0, at - 4) + chunk(2, tail) + jpeg.substr(at + 14 + icc.size())), "");
}

}  // namespace
