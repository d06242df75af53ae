// What the left gadget and the render get when the crop image is replaced,
// missing or of the wrong size: never a freed bitmap, never a sheared or
// stale picture, never a gadget resized over its neighbours.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/output/render.h"
#include "app/picture/source.h"
#include "app/shell/picture_view.h"
#include "app_pictures.h"
#include "app_window.h"
#include "image/pixels.h"

using namespace pictures;
using namespace app_window;

namespace {

class CropDisplay : public WindowedApp {
protected:
    // What the left gadget holds is a live bitmap, or nothing.
    static bool gadget_holds_live_bitmap() {
        const int64_t shown = get_gadget_state(w.left);
        return shown == 0 || GetObjectType(reinterpret_cast<HGDIOBJ>(shown)) == OBJ_BITMAP;
    }
    static int64_t filled(int32_t width, int32_t height, int32_t depth, uint32_t value) {
        const int64_t image = create_image(AUTO_ID, width, height, depth);
        BitmapInfo info{};
        uint8_t* bits = image_bits(image, &info);
        for (int32_t y = 0; bits && y < height; ++y)
            for (int32_t x = 0; x < width; ++x)
                for (int c = 0; c < depth / 8; ++c) bits[y * info.stride + x * (depth / 8) + c] = (value >> (8 * c)) & 0xFF;
        return image;
    }
};

TEST_F(CropDisplay, TheLeftGadgetNeverHoldsAFreedBitmap) {
    const std::string folder = scratch_folder("display");
    ASSERT_TRUE(write_picture(folder + "a.png", PNG, 900, 700));
    ASSERT_TRUE(write_picture(folder + "b.png", PNG, 640, 480));
    load_source((folder + "a.png").c_str());
    on_crop_button(w.x_plus);
    ASSERT_NE(get_gadget_state(w.left), 0);
    // Between the new crop and its showing (status texts, messages pumped
    // meanwhile) the gadget must not hold freed memory.
    for (CropButton b : {CROP_X_PLUS, CROP_XY_PLUS, CROP_XY_MINUS}) {
        ASSERT_TRUE(apply_crop_press(b));
        EXPECT_TRUE(gadget_holds_live_bitmap()) << b;
        show_crop_image();
    }
    load_source((folder + "b.png").c_str());
    EXPECT_TRUE(gadget_holds_live_bitmap());
    show_crop_image();
    // A crop image that has to be made anew (another depth) is taken off the
    // gadget before it goes.
    free_image(app.crop_image);
    app.crop_image = filled(600, 600, 32, 0xFF112233);
    show_crop_image();
    grab_crop_square();
    EXPECT_TRUE(gadget_holds_live_bitmap());
    show_crop_image();
    EXPECT_EQ(colour_at(app.crop_image, 0, 0), pattern(0, 0));
}

TEST_F(CropDisplay, ACropOfAnotherSizeOrNoneShowsBlack) {
    // A crop image of another size renders black, not its rows sheared
    // across the canvas.
    for (auto [width, height] : {std::pair{300, 200}, {700, 700}, {601, 600}}) {
        free_image(app.crop_image);
        app.crop_image = filled(width, height, 24, 0xFFFFFF);
        render_output_image(0x0000FF);
        EXPECT_EQ(colour_at(app.output_image, 299, 299), 0u) << width << "x" << height;
        EXPECT_EQ(colour_at(app.output_image, 10, 300), 0u) << width << "x" << height;
        EXPECT_EQ(colour_at(app.output_image, 0, 0), 0xFF0000u);  // red, as colour values hold it
    }
    // A square the source cannot give (the source is gone) is the black
    // 600 x 600 canvas in the gadget and the render, not the last picture.
    std::string path = scratch_folder("display") + "c.png";
    ASSERT_TRUE(write_picture(path, PNG, 800, 600));
    load_source(path.c_str());
    show_crop_image();
    render_output_image(0);
    ASSERT_NE(colour_at(app.output_image, 299, 299), 0u);
    free_image(app.source_image);
    on_crop_button(w.x_plus);
    ASSERT_TRUE(is_image(app.crop_image));
    EXPECT_EQ(image_width(app.crop_image), 600);
    EXPECT_EQ(image_height(app.crop_image), 600);
    EXPECT_EQ(get_gadget_state(w.left), image_handle(app.crop_image));
    RECT r;
    GetWindowRect(reinterpret_cast<HWND>(gadget_handle(w.left)), &r);
    EXPECT_EQ(r.right - r.left, 600);
    EXPECT_EQ(r.bottom - r.top, 600);
    render_output_image(0);
    EXPECT_EQ(colour_at(app.output_image, 299, 299), 0u);
}

TEST_F(CropDisplay, DirectTransfersGiveWhatTheDisplayContextGave) {
    // The words the platform's 32-bit top-down transfer gives for both
    // depths, against the direct copy of the render.
    HDC dc = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    for (int32_t depth : {24, 32}) {
        const int64_t image = create_image(AUTO_ID, 600, 600, depth);
        BitmapInfo info{};
        uint8_t* bits = image_bits(image, &info);
        for (int32_t i = 0; i < info.stride * 600; ++i) bits[i] = static_cast<uint8_t>(i * 7 + i / 1800);
        BITMAPINFOHEADER header{};
        header.biSize = sizeof header;
        header.biWidth = 600;
        header.biHeight = -600;
        header.biPlanes = 1;
        header.biBitCount = 32;
        header.biCompression = BI_RGB;
        std::vector<uint32_t> platform(360000), direct(360000);
        ASSERT_EQ(GetDIBits(dc, reinterpret_cast<HBITMAP>(image_handle(image)), 0, 600, platform.data(),
                            reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS),
                  600);
        bitmap_to_buffer(image, reinterpret_cast<PixelBuffer*>(direct.data()));
        EXPECT_TRUE(platform == direct) << depth;
        // And back: what SetDIBits writes from the words.
        const int64_t other = create_image(AUTO_ID, 600, 600, depth);
        SetDIBits(dc, reinterpret_cast<HBITMAP>(image_handle(other)), 0, 600, platform.data(),
                  reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS);
        buffer_to_bitmap(reinterpret_cast<PixelBuffer*>(platform.data()), image);
        BitmapInfo a{}, b{};
        const uint8_t* pa = image_bits(image, &a);
        const uint8_t* pb = image_bits(other, &b);
        int differ = 0;
        for (int32_t y = 0; y < 600; ++y) differ += std::memcmp(pa + y * a.stride, pb + y * b.stride, 600 * depth / 8) != 0;
        EXPECT_EQ(differ, 0) << depth;
        free_image(image);
        free_image(other);
    }
    DeleteDC(dc);
}

}  // namespace
