// The image library on real GDI: drawing outputs, alpha display through
// AlphaBlend, and the alpha test of device-dependent bitmaps.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "image/drawing.h"
#include "image/image.h"

namespace {

class ImageGdi : public ::testing::Test {
protected:
    void SetUp() override {
        load_alpha_blend();
        init_image_library();
    }
    void TearDown() override {
        while (current_output()) stop_drawing();
        free_all_images();
    }
};

HBITMAP as_bitmap(int64_t h) { return reinterpret_cast<HBITMAP>(static_cast<intptr_t>(h)); }

// Top-down 32-bit copy of any bitmap's pixels.
std::vector<uint8_t> read_pixels(HBITMAP bitmap, int width, int height) {
    std::vector<uint8_t> out(static_cast<size_t>(width) * height * 4);
    BITMAPINFOHEADER h = {};
    h.biSize = sizeof h;
    h.biWidth = width;
    h.biHeight = -height;
    h.biPlanes = 1;
    h.biBitCount = 32;
    h.biCompression = BI_RGB;
    HDC dc = CreateCompatibleDC(nullptr);
    int rows = GetDIBits(dc, bitmap, 0, height, out.data(), reinterpret_cast<BITMAPINFO*>(&h), DIB_RGB_COLORS);
    DeleteDC(dc);
    EXPECT_EQ(rows, height);
    return out;
}

TEST_F(ImageGdi, DrawingThroughAnOutputLandsInTheImageAndTheBatchLimitComesBack) {
    DWORD before = GdiGetBatchLimit();
    int64_t img = create_image(AUTO_ID, 7, 5, 24);
    ASSERT_NE(img, 0);
    DrawingOutput* out = image_output(img);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(GdiGetBatchLimit(), 1u);
    HDC dc = reinterpret_cast<HDC>(static_cast<intptr_t>(start_drawing(out)));
    ASSERT_NE(dc, nullptr);
    HBRUSH brush = CreateSolidBrush(RGB(10, 20, 30));
    RECT r = {1, 1, 4, 3};  // columns 1..3 of rows 1..2 from the top
    FillRect(dc, &r, brush);
    DeleteObject(brush);
    stop_drawing();
    EXPECT_EQ(GdiGetBatchLimit(), before);
    EXPECT_EQ(current_output(), nullptr);

    BitmapInfo info;
    uint8_t* bits = image_bits(img, &info);
    ASSERT_NE(bits, nullptr);
    ASSERT_EQ(info.stride, 24);
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 7; ++x) {
            const uint8_t* p = bits + (4 - y) * 24 + 3 * x;  // rows bottom-up
            bool inside = x >= 1 && x <= 3 && y >= 1 && y <= 2;
            uint8_t b = inside ? 30 : 0, g = inside ? 20 : 0, rr = inside ? 10 : 0;
            EXPECT_EQ(p[0], b) << x << "," << y;
            EXPECT_EQ(p[1], g) << x << "," << y;
            EXPECT_EQ(p[2], rr) << x << "," << y;
        }
    }
    // The padding bytes at the end of each row are not pixels and stay zero.
    EXPECT_EQ(bits[21], 0);
}

TEST_F(ImageGdi, OutputsAreOnlyMadeOfDibSections) {
    int64_t img = create_image(4, 3, 3, 32);
    ASSERT_NE(img, 0);
    // Put a device-dependent bitmap into the record: not an output.
    HDC screen = GetDC(nullptr);
    HBITMAP ddb = CreateCompatibleBitmap(screen, 3, 3);
    ReleaseDC(nullptr, screen);
    ImageObject* record = find_image(4);
    int64_t dib = record->handle;
    record->handle = reinterpret_cast<intptr_t>(ddb);
    EXPECT_EQ(image_output(4), nullptr);
    EXPECT_EQ(current_output(), nullptr);
    record->handle = dib;
    DeleteObject(ddb);
}

TEST_F(ImageGdi, AlphaBitmapBlendsOntoAGreyContext) {
    ASSERT_TRUE(alpha_blend_available());
    // Source: 3 x 2, distinct channels; straight alpha.
    int64_t img = create_image(AUTO_ID, 3, 2, 32);
    BitmapInfo info;
    uint8_t* bits = image_bits(img, &info);
    ASSERT_NE(bits, nullptr);
    const uint8_t top[12] = {200, 100, 50, 128, 10, 20, 30, 255, 90, 80, 70, 0};     // top row
    const uint8_t bottom[12] = {0, 0, 255, 255, 255, 0, 0, 64, 40, 160, 220, 192};  // bottom row
    std::memcpy(bits + info.stride, top, 12);
    std::memcpy(bits, bottom, 12);

    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP target = CreateCompatibleBitmap(screen, 5, 4);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, target);
    HBRUSH grey = CreateSolidBrush(RGB(128, 128, 128));
    RECT all = {0, 0, 5, 4};
    FillRect(dc, &all, grey);
    DeleteObject(grey);

    int64_t copy = make_premultiplied_copy(image_handle(img));
    ASSERT_NE(copy, 0);
    draw_alpha_bitmap(reinterpret_cast<intptr_t>(dc), 1, 1, 0, 0, copy, 255);
    free_premultiplied_copy(copy);
    SelectObject(dc, old);
    DeleteDC(dc);

    std::vector<uint8_t> px = read_pixels(target, 5, 4);
    DeleteObject(target);
    auto expect_blend = [&](int x, int y, const uint8_t* s) {
        for (int c = 0; c < 3; ++c) {
            int a = s[3];
            int premultiplied = a == 255 ? s[c] : (s[c] * a) >> 8;
            double want = premultiplied + 128.0 * (255 - a) / 255.0;
            int got = px[(y * 5 + x) * 4 + c];
            EXPECT_NEAR(got, want, 1.0) << "pixel " << x << "," << y << " channel " << c;
        }
    };
    for (int x = 0; x < 3; ++x) {
        expect_blend(1 + x, 1, top + 4 * x);
        expect_blend(1 + x, 2, bottom + 4 * x);
    }
    // Outside the drawn rectangle the grey stays.
    EXPECT_EQ(px[0], 128);
    EXPECT_EQ(px[(3 * 5 + 4) * 4 + 2], 128);
}

TEST_F(ImageGdi, DeviceDependentBitmapsHaveAlphaOnlyWhenSomeAlphaByteIsSet) {
    std::vector<uint32_t> pixels(6, 0x00102030);
    HBITMAP clear = CreateBitmap(3, 2, 1, 32, pixels.data());
    ASSERT_NE(clear, nullptr);
    EXPECT_EQ(bitmap_has_alpha(reinterpret_cast<intptr_t>(clear)), 0);
    pixels[4] = 0x01102030;
    HBITMAP some = CreateBitmap(3, 2, 1, 32, pixels.data());
    ASSERT_NE(some, nullptr);
    EXPECT_EQ(bitmap_has_alpha(reinterpret_cast<intptr_t>(some)), 1);
    DeleteObject(clear);
    DeleteObject(some);

    // A 32-bit DIB section counts whatever its alpha bytes; a 24-bit one never.
    int64_t deep = create_image(AUTO_ID, 3, 2, 32);
    std::memset(image_bits(deep, nullptr), 0, 24);
    EXPECT_EQ(bitmap_has_alpha(image_handle(deep)), 1);
    EXPECT_EQ(bitmap_has_alpha(image_handle(create_image(AUTO_ID, 3, 2, 24))), 0);
    HBRUSH brush = CreateSolidBrush(0);
    EXPECT_EQ(bitmap_has_alpha(reinterpret_cast<intptr_t>(brush)), 0);
    DeleteObject(brush);
}

TEST_F(ImageGdi, OnlyBitmapsMakeCopiesAndTopDownSectionsGiveNoPixelMemory) {
    ASSERT_TRUE(alpha_blend_available());
    // A font answers GetObjectA with numbers of its own (here 10 x 7 read as
    // a bitmap's), and GetDIBits then fails: no copy, nothing drawn.
    LOGFONTA lf = {};
    lf.lfWidth = 10;
    lf.lfEscapement = 7;
    HFONT font = CreateFontIndirectA(&lf);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(make_premultiplied_copy(reinterpret_cast<intptr_t>(font)), 0);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP target = CreateCompatibleBitmap(screen, 4, 4);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, target);
    RECT all = {0, 0, 4, 4};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    const std::vector<uint8_t> before = read_pixels(target, 4, 4);
    draw_alpha_bitmap(reinterpret_cast<intptr_t>(dc), 0, 0, 0, 0, reinterpret_cast<intptr_t>(font), 255);
    SelectObject(dc, old);
    DeleteDC(dc);
    EXPECT_EQ(read_pixels(target, 4, 4), before);
    DeleteObject(target);
    DeleteObject(font);

    // A top-down section's memory starts with its top row, where readers of
    // bitmap_info expect the bottom one: refused.  Its premultiplied copy
    // (bottom-up) keeps the picture the right way up.
    BITMAPINFOHEADER h = {};
    h.biSize = sizeof h;
    h.biWidth = 2;
    h.biHeight = -2;
    h.biPlanes = 1;
    h.biBitCount = 32;
    h.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP top_down = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&h), DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(top_down, nullptr);
    const uint8_t rows[16] = {0, 0, 255, 255, 0, 0, 255, 255,    // top: red
                              255, 0, 0, 255, 255, 0, 0, 255};  // bottom: blue
    std::memcpy(bits, rows, sizeof rows);
    BitmapInfo info;
    EXPECT_FALSE(bitmap_info(reinterpret_cast<intptr_t>(top_down), &info));
    const int64_t copy = make_premultiplied_copy(reinterpret_cast<intptr_t>(top_down));
    ASSERT_NE(copy, 0);
    ASSERT_TRUE(bitmap_info(copy, &info));
    EXPECT_EQ(info.bits[0], 255);                // bottom row first: blue
    EXPECT_EQ(info.bits[info.stride + 2], 255);  // then the top row: red
    free_premultiplied_copy(copy);
    DeleteObject(top_down);
}

TEST_F(ImageGdi, TwentyFourBitImagesArePlainDibSectionsBottomUp) {
    int64_t bitmap = create_image(6, 601, 3, 24);
    ASSERT_NE(bitmap, 0);
    DIBSECTION ds;
    ASSERT_EQ(GetObjectA(as_bitmap(bitmap), sizeof ds, &ds), static_cast<int>(sizeof ds));
    EXPECT_EQ(ds.dsBmih.biHeight, 3);
    EXPECT_EQ(ds.dsBmih.biBitCount, 24);
    EXPECT_EQ(ds.dsBm.bmWidthBytes, 1804);
    // The first row in memory is the bottom row: what SetPixel puts at the
    // top-left lands at the start of the last memory row.
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, as_bitmap(bitmap));
    SetPixel(dc, 0, 0, RGB(1, 2, 3));
    GdiFlush();
    SelectObject(dc, old);
    DeleteDC(dc);
    auto* bits = static_cast<uint8_t*>(ds.dsBm.bmBits);
    EXPECT_EQ(bits[2 * 1804 + 0], 3);
    EXPECT_EQ(bits[2 * 1804 + 1], 2);
    EXPECT_EQ(bits[2 * 1804 + 2], 1);
    EXPECT_EQ(bits[0], 0);
}

}  // namespace
