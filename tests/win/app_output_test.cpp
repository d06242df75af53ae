// The smooth edge in the real render, saving at the output size, and Copy:
// the clipboard's three forms read back, and Ctrl+C on the main window.
#include <windows.h>

#include <gtest/gtest.h>
#include <png.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/model/command_table.h"
#include "app/output/clipboard.h"
#include "app/output/cutout.h"
#include "app/output/output_size.h"
#include "app/output/render.h"
#include "app/output/save.h"
#include "app/picture/source.h"
#include "app/shell/commands.h"
#include "app/shell/main_window.h"
#include "app_fixture.h"
#include "app_pictures.h"
#include "codecs/jpeg_writer.h"
#include "codecs/png_writer.h"
#include "codecs/save_image.h"
#include "ui/statusbar.h"
#include "ui_test_support.h"

using namespace pictures;

namespace {

// The 32-bit image's words, top row first.
std::vector<uint32_t> words_of(int64_t image) {
    BitmapInfo info{};
    const uint8_t* bits = image_bits(image, &info);
    std::vector<uint32_t> out;
    if (!bits) return out;
    out.resize(static_cast<size_t>(info.width) * info.height);
    for (int32_t y = 0; y < info.height; ++y)
        std::memcpy(&out[static_cast<size_t>(y) * info.width],
                    bits + static_cast<size_t>(info.height - 1 - y) * info.stride, static_cast<size_t>(info.width) * 4);
    return out;
}

// A PNG decoded by libpng: straight RGBA, top row first.
struct Decoded {
    bool ok = false;
    uint32_t width = 0, height = 0;
    std::vector<uint8_t> rgba;
};
Decoded decode_png_bytes(const void* data, size_t size) {
    Decoded d;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, data, size)) return d;
    image.format = PNG_FORMAT_RGBA;
    d.rgba.resize(PNG_IMAGE_SIZE(image));
    d.ok = png_image_finish_read(&image, nullptr, d.rgba.data(), 0, nullptr) != 0;
    d.width = image.width;
    d.height = image.height;
    return d;
}

// The straight RGBA bytes of B, G, R, A words.
std::vector<uint8_t> rgba_of(const std::vector<uint32_t>& words) {
    std::vector<uint8_t> out;
    for (uint32_t w : words) {
        out.push_back(static_cast<uint8_t>(w >> 16));
        out.push_back(static_cast<uint8_t>(w >> 8));
        out.push_back(static_cast<uint8_t>(w));
        out.push_back(static_cast<uint8_t>(w >> 24));
    }
    return out;
}

class OutputOptions : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        register_png_encoder();
        register_jpeg_encoder();
        ASSERT_TRUE(write_picture(folder + "photo.png", PNG, 1000, 700));
        load_source((folder + "photo.png").c_str());
        app.background_colour = 0x2060A0;
        app.inner_alpha = 240;
        app.outer_alpha = 20;
    }
    std::string folder = scratch_folder("output");
};

TEST_F(OutputOptions, RenderOffIsTodaysCircleAndOnBlendsOnlyItsRim) {
    render_output_image(app.background_colour);
    const std::vector<uint32_t> off = words_of(app.output_image);
    // Today's render: the crop's words, the fill and the midpoint circle.
    std::unique_ptr<PixelBuffer> source{new PixelBuffer{}}, today{new PixelBuffer{}};
    bitmap_to_buffer(app.crop_image, source.get());
    compose_cutout(CutoutCanvas{source.get(), today.get(), 240}, app.background_colour, 20, app.radius);
    ASSERT_EQ(off.size(), 360000u);
    EXPECT_EQ(std::memcmp(off.data(), today->words, PIXEL_BUFFER_SIZE), 0);

    app.smooth_edge = 1;
    render_output_image(app.background_colour);
    const std::vector<uint32_t> on = words_of(app.output_image);
    int64_t rim = 0, wrong = 0;
    for (int64_t y = 0; y < 600; ++y)
        for (int64_t x = 0; x < 600; ++x) {
            const size_t i = static_cast<size_t>(x + 600 * y);
            const double d = std::hypot(x - 299.0, y - 299.0);
            if (d < 293.5 || d > 296.5) wrong += on[i] != off[i];
            rim += on[i] != off[i];
            const uint32_t a = on[i] >> 24;
            wrong += a < 20 || a > 240;
        }
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(rim, 1000);
    // The output composed at 600 is the preview, to the byte.
    const int64_t composed = make_output_image(600);
    EXPECT_EQ(words_of(composed), on);
    free_image(composed);
}

TEST_F(OutputOptions, At600TheSavedFilesAreTodaysAndOtherSizesAreComposedAfresh) {
    for (int64_t smooth : {0, 1}) {
        app.smooth_edge = smooth;
        app.output_size = 600;
        render_output_image(app.background_colour);
        // Today's saves write the output image as it is.
        ASSERT_EQ(save_image(app.output_image, (folder + "today.png").c_str(), FORMAT_PNG, SAVE_FLAGS), 1);
        ASSERT_EQ(save_image(app.output_image, (folder + "today.jpg").c_str(), FORMAT_JPEG, SAVE_FLAGS), 1);
        ASSERT_EQ(save_output_as((folder + "now").c_str(), SAVE_PNG), 1);
        ASSERT_EQ(save_output_as((folder + "now").c_str(), SAVE_JPG), 1);
        EXPECT_EQ(read_bytes(folder + "now.png"), read_bytes(folder + "today.png")) << smooth;
        EXPECT_EQ(read_bytes(folder + "now.jpg"), read_bytes(folder + "today.jpg")) << smooth;
    }

    app.output_size = 256;
    ASSERT_EQ(save_output_as((folder + "small").c_str(), SAVE_PNG), 1);
    ASSERT_EQ(save_output_as((folder + "small").c_str(), SAVE_JPG), 1);
    const std::string png = read_bytes(folder + "small.png");
    const Decoded d = decode_png_bytes(png.data(), png.size());
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.width, 256u);
    EXPECT_EQ(d.height, 256u);
    const int64_t expected = make_output_image(256);
    EXPECT_EQ(d.rgba, rgba_of(words_of(expected)));
    free_image(expected);
    // The JPEG's frame header says 256 x 256 too.
    const std::string jpg = read_bytes(folder + "small.jpg");
    const size_t sof = jpg.find("\xFF\xC0");
    ASSERT_NE(sof, std::string::npos);
    EXPECT_EQ((uint8_t(jpg[sof + 5]) << 8) | uint8_t(jpg[sof + 6]), 256);
    EXPECT_EQ((uint8_t(jpg[sof + 7]) << 8) | uint8_t(jpg[sof + 8]), 256);
    // The window's preview stays 600 x 600.
    EXPECT_EQ(image_width(app.output_image), 600);
}

// The clipboard's data of one format, empty when it holds none.
std::string clipboard_bytes(UINT format) {
    std::string out;
    if (!OpenClipboard(nullptr)) return out;
    if (HANDLE data = GetClipboardData(format)) {
        if (const void* at = GlobalLock(data)) {
            out.assign(static_cast<const char*>(at), GlobalSize(data));
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return out;
}

uint32_t le32(const std::string& b, size_t at) {
    uint32_t v;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}
uint16_t le16(const std::string& b, size_t at) {
    uint16_t v;
    std::memcpy(&v, b.data() + at, 2);
    return v;
}

class Copying : public OutputOptions {
protected:
    // One window for the suite: destroying a top-level window costs seconds here.
    static void SetUpTestSuite() {
        start_toolkit();
        window = open_window(AUTO_ID, 0, 0, 200, 100, "copy", 0xCA0001);
    }
    static void TearDownTestSuite() {
        close_window(window);
        pump_events(10);
    }
    void SetUp() override {
        OutputOptions::SetUp();
        app.window = window;
    }
    static inline int64_t window = 0;
};

TEST_F(Copying, ThePngFileAndBothBitmapsAtTheOutputSize) {
    app.output_size = 128;
    app.smooth_edge = 1;
    ASSERT_EQ(copy_cutout(), 1);
    ASSERT_EQ(save_output_as((folder + "copy").c_str(), SAVE_PNG), 1);
    const std::string png = clipboard_bytes(RegisterClipboardFormatA("PNG"));
    const std::string file = read_bytes(folder + "copy.png");
    // The clipboard's block may be rounded up beyond the file's length.
    ASSERT_GE(png.size(), file.size());
    EXPECT_EQ(png.substr(0, file.size()), file);
    const Decoded d = decode_png_bytes(png.data(), png.size());
    ASSERT_TRUE(d.ok);
    ASSERT_EQ(d.width, 128u);

    const std::string v5 = clipboard_bytes(CF_DIBV5);
    ASSERT_GE(v5.size(), 124u + 128 * 128 * 4);
    EXPECT_EQ(le32(v5, 0), 124u);
    EXPECT_EQ(le32(v5, 4), 128u);
    EXPECT_EQ(le32(v5, 8), 128u);
    EXPECT_EQ(le16(v5, 14), 32);
    EXPECT_EQ(le32(v5, 16), static_cast<uint32_t>(BI_BITFIELDS));
    EXPECT_EQ(le32(v5, 40), 0x00FF0000u);
    EXPECT_EQ(le32(v5, 52), 0xFF000000u);
    const std::string dib = clipboard_bytes(CF_DIB);
    ASSERT_GE(dib.size(), 40u + 128 * 128 * 3);
    EXPECT_EQ(le32(dib, 0), 40u);
    EXPECT_EQ(le16(dib, 14), 24);
    EXPECT_EQ(le32(dib, 16), static_cast<uint32_t>(BI_RGB));
    // Every pixel of both bitmaps (rows bottom-up) against the PNG's.
    int64_t wrong = 0;
    for (uint32_t y = 0; y < 128; ++y)
        for (uint32_t x = 0; x < 128; ++x) {
            const uint8_t* p = &d.rgba[(y * 128 + x) * 4];
            const auto* q = reinterpret_cast<const uint8_t*>(&v5[124 + ((127 - y) * 128 + x) * 4]);
            wrong += q[0] != p[2] || q[1] != p[1] || q[2] != p[0] || q[3] != p[3];
            const auto* w = reinterpret_cast<const uint8_t*>(&dib[40 + (127 - y) * 384 + x * 3]);
            wrong += w[0] != over_white(p[2], p[3]) || w[2] != over_white(p[0], p[3]);
        }
    EXPECT_EQ(wrong, 0);
}

TEST_F(Copying, FailsCleanlyWithoutAWindowOrAnImage) {
    app.window = 0;
    EXPECT_EQ(copy_cutout(), 0);
    app.window = window;
    const int64_t image = app.output_image;
    app.output_image = 0;
    EXPECT_EQ(copy_cutout(), 0);
    app.output_image = image;
}

// The main loop's body for about `ms` milliseconds.
void run_loop(int ms) {
    const DWORD end = GetTickCount() + ms;
    while (static_cast<LONG>(GetTickCount() - end) < 0) handle_event(wait_window_event(5));
    while (int32_t code = take_next_event()) handle_event(code);
}

class MainWindowCopy : public AppFixture {
protected:
    static void SetUpTestSuite() {
        start_toolkit();
        init_status_bars();
    }
};

// Ctrl+C typed, then the main loop run until the clipboard holds `format`.
std::string copy_by_keys(UINT format) {
    send_keys({VK_CONTROL, 'C'});
    std::string copied;
    for (int i = 0; i < 40 && copied.empty(); ++i) {
        run_loop(25);
        copied = clipboard_bytes(format);
    }
    return copied;
}

void empty_clipboard(HWND owner) {
    ASSERT_TRUE(OpenClipboard(owner));
    EmptyClipboard();
    CloseClipboard();
}

TEST_F(MainWindowCopy, CtrlCCopiesTheCutoutOrAnEditsSelectedText) {
    register_png_encoder();
    build_main_window(0, 0, MAIN_WINDOW_WIDTH, MAIN_WINDOW_HEIGHT);
    add_main_window_shortcuts();
    HWND hwnd = reinterpret_cast<HWND>(window_handle(app.window));
    ASSERT_NE(hwnd, nullptr);
    run_loop(100);
    render_cutout(app.background_colour);
    empty_clipboard(hwnd);
    const UINT png = RegisterClipboardFormatA("PNG");
    EXPECT_TRUE(clipboard_bytes(png).empty());

    SetForegroundWindow(hwnd);
    SetFocus(hwnd);
    pump_events(50);
    const std::string copied = copy_by_keys(png);
    ASSERT_FALSE(copied.empty());
    const Decoded d = decode_png_bytes(copied.data(), copied.size());
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.width, 600u);
    EXPECT_EQ(d.rgba, rgba_of(words_of(app.output_image)));

    // A spin's edit with its text selected copies the text, as it would
    // without the shortcut, and leaves no picture behind.
    HWND edit = reinterpret_cast<HWND>(gadget_handle(app.radius_spin));
    SetFocus(edit);
    SendMessageA(edit, EM_SETSEL, 1, 3);
    pump_events(30);
    const std::string text = copy_by_keys(CF_TEXT);
    EXPECT_STREQ(text.c_str(), "95");
    EXPECT_TRUE(clipboard_bytes(png).empty());
    // The same edit with only a caret: the cut-out again.
    SendMessageA(edit, EM_SETSEL, 2, 2);
    EXPECT_FALSE(copy_by_keys(png).empty());
    EXPECT_EQ(GetFocus(), edit);
    // The menu's Copy is the cut-out's, whatever the edit holds selected.
    empty_clipboard(hwnd);
    SendMessageA(edit, EM_SETSEL, 1, 3);
    PostMessageA(hwnd, WM_COMMAND, MAKEWPARAM(COMMAND_COPY, 0), 0);
    run_loop(100);
    EXPECT_FALSE(clipboard_bytes(png).empty());

    close_window(app.window);
    free_status_bar(STATUS_BAR);
    pump_events(10);
}

}  // namespace
