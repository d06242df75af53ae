// Loading pictures through the real GDI+: every format, size and bad file.
#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include "app/picture/load_file.h"
#include "app/picture/source.h"
#include "app_fixture.h"
#include "app_pictures.h"

using namespace pictures;

namespace {

const char* const FORMAT_NAMES[] = {"bmp", "jpg", "gif", "tif", "png"};

class Loading : public AppFixture {
protected:
    std::string folder = scratch_folder("load");
};

// The crop image at canvas (cx, cy) against the source pattern at the
// corresponding point of the square, for canvas points at block centres.
void expect_crop_matches_pattern(int format, int64_t side, int tolerance) {
    int checked = 0;
    for (int64_t sy = 10; sy < side; sy += 20)
        for (int64_t sx = 10; sx < side; sx += 20) {
            // Canvas pixel nearest the source point's centre.
            int32_t cx = static_cast<int32_t>(((2 * sx + 1) * 600 / side - 1) / 2);
            int32_t cy = static_cast<int32_t>(((2 * sy + 1) * 600 / side - 1) / 2);
            uint32_t want = pattern(app.crop.XS + sx, app.crop.YS + sy);
            uint32_t got = colour_at(app.crop_image, cx, cy);
            ++checked;
            ASSERT_TRUE(near_colour(got, want, tolerance))
                    << FORMAT_NAMES[format] << " side " << side << " at source " << sx << "," << sy << " got "
                    << std::hex << got << " want " << want;
        }
}

TEST_F(Loading, EveryFormatAndSize) {
    const struct {
        int32_t width, height;
        int64_t side;
    } sizes[] = {{1000, 700, 600}, {400, 300, 300}, {600, 600, 600}, {599, 2000, 599}};
    for (int format : {GIF, BMP, PNG, TIFF, JPEG}) {
        for (const auto& size : sizes) {
            std::string path = folder + "p" + std::to_string(size.width) + "x" + std::to_string(size.height) + "." +
                               FORMAT_NAMES[format];
            ASSERT_TRUE(write_picture(path, static_cast<Format>(format), size.width, size.height)) << path;
            load_source(path.c_str());
            SCOPED_TRACE(path + " (" + std::to_string(read_bytes(path).size()) + " bytes: " + read_bytes(path).substr(0, 6) + ")");
            EXPECT_EQ(app.source_width, size.width);
            EXPECT_EQ(app.source_height, size.height);
            EXPECT_EQ(image_width(app.source_image), size.width);
            EXPECT_EQ(find_image(app.source_image)->depth, 24);
            EXPECT_EQ(app.crop.XS, 0);
            EXPECT_EQ(app.crop.YS, 0);
            EXPECT_EQ(app.crop.side, size.side);
            EXPECT_EQ(image_width(app.crop_image), 600);
            EXPECT_EQ(image_height(app.crop_image), 600);
            // Lossless formats keep the pattern; JPEG within its loss (its chroma
            // is subsampled and quantised hard at the encoder's default quality).
            int tolerance = format == JPEG ? 80 : (size.side == 600 ? 0 : 3);
            expect_crop_matches_pattern(format, size.side, tolerance);
            if (size.side == 600 && format != JPEG) {
                for (int32_t y = 0; y < 600; y += 61)
                    for (int32_t x = 0; x < 600; x += 7) ASSERT_EQ(colour_at(app.crop_image, x, y), pattern(x, y));
            }
        }
    }
}

TEST_F(Loading, TransparentAreasLoadBlack) {
    std::string path = folder + "half.png";
    ASSERT_TRUE(write_picture(path, PNG, 500, 400, [](int64_t x, int64_t) { return x < 250; }));
    load_source(path.c_str());
    EXPECT_EQ(app.source_width, 500);
    EXPECT_EQ(app.crop.side, 400);
    EXPECT_EQ(colour_at(app.source_image, 10, 10), 0u);
    EXPECT_EQ(colour_at(app.source_image, 249, 399), 0u);
    EXPECT_EQ(colour_at(app.source_image, 250, 0), pattern(250, 0));
    EXPECT_EQ(colour_at(app.source_image, 499, 399), pattern(499, 399));
}

TEST_F(Loading, UndecodableFilesGiveTheBlackFallback) {
    std::string text = folder + "notes.png", empty = folder + "empty.jpg", cut = folder + "cut.png";
    ASSERT_TRUE(write_bytes(text, "this is not a picture\r\n", 23));
    ASSERT_TRUE(write_bytes(empty, "", 0));
    std::string whole = folder + "whole.png";
    ASSERT_TRUE(write_picture(whole, PNG, 300, 200));
    std::string png = read_bytes(whole);
    ASSERT_GT(png.size(), 200u);
    ASSERT_TRUE(write_bytes(cut, png.data(), png.size() / 2));
    for (const std::string& path : {text, empty, cut, folder + "missing.png", std::string()}) {
        // A picture loaded before must not survive a failed load.
        load_source(whole.c_str());
        ASSERT_EQ(app.source_width, 300);
        load_source(path.c_str());
        SCOPED_TRACE(path);
        EXPECT_EQ(app.source_width, 600);
        EXPECT_EQ(app.source_height, 600);
        EXPECT_EQ(app.crop.side, 600);
        EXPECT_EQ(image_width(app.crop_image), 600);
        for (int32_t p = 0; p < 600; p += 37) {
            EXPECT_EQ(colour_at(app.source_image, p, 599 - p), 0u);
            EXPECT_EQ(colour_at(app.crop_image, p, p), 0u);
        }
    }
}

TEST_F(Loading, FileNameOutsideAsciiInTheSystemCodePage) {
    // The first byte above 127 that the system code page maps to a character.
    char special = 0;
    for (int c = 0xE9; c != 0xE8 && !special; c = c == 0xFF ? 0x80 : c + 1) {
        char byte = static_cast<char>(c);
        wchar_t wide[2];
        if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, &byte, 1, wide, 2) == 1 && wide[0] >= 0x80)
            special = byte;
    }
    ASSERT_NE(special, 0) << "code page " << GetACP();
    std::string plain = folder + "plain.bmp";
    std::string name = folder + "caf" + special + "_" + special + ".bmp";
    ASSERT_TRUE(write_picture(plain, BMP, 321, 123));
    ASSERT_TRUE(MoveFileA(plain.c_str(), name.c_str()));
    load_source(name.c_str());
    EXPECT_EQ(app.source_width, 321);
    EXPECT_EQ(app.source_height, 123);
    EXPECT_EQ(app.crop.side, 123);

    wchar_t* wide = to_wide_string(name.c_str());
    ASSERT_NE(wide, nullptr);
    wchar_t expected[MAX_PATH];
    int n = MultiByteToWideChar(CP_ACP, 0, name.c_str(), -1, expected, MAX_PATH);
    EXPECT_EQ(SysStringLen(wide) + 1, static_cast<UINT>(n));
    EXPECT_EQ(wcscmp(wide, expected), 0);
    SysFreeString(wide);
    wide = to_wide_string("");
    ASSERT_NE(wide, nullptr);
    EXPECT_EQ(wide[0], 0);
    SysFreeString(wide);
}

}  // namespace
