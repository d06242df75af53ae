// The Load and crop handlers and the render in a window built like the
// tool's: status bar 0 with its six fields, the two image gadgets and the
// six crop buttons at their places.  Dialogs are answered by a helper
// thread, as a user would answer them.
#include <windows.h>
#include <dlgs.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <string>
#include <thread>

#include "app/output/render.h"
#include "app/picture/source.h"
#include "app/shell/load_command.h"
#include "app/shell/picture_view.h"
#include "app_pictures.h"
#include "app_window.h"

using namespace pictures;
using namespace app_window;

namespace {

// ---- answering the "SELECT IMAGE" dialog from a helper thread

HWND wait_for_dialog(DWORD thread) {
    for (int i = 0; i < 1000; ++i) {
        HWND found = nullptr;
        EnumThreadWindows(
            thread,
            [](HWND window, LPARAM data) -> BOOL {
                char name[64] = {}, text[64] = {};
                GetClassNameA(window, name, sizeof name);
                GetWindowTextA(window, text, sizeof text);
                if (std::strcmp(name, "#32770") || std::strcmp(text, "SELECT IMAGE") || !IsWindowVisible(window))
                    return TRUE;
                *reinterpret_cast<HWND*>(data) = window;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&found));
        if (found) {
            Sleep(150);  // let the dialog fill itself in
            return found;
        }
        Sleep(10);
    }
    return nullptr;
}

HWND name_field(HWND dialog) {
    if (HWND combo = GetDlgItem(dialog, cmb13)) {
        if (auto edit = reinterpret_cast<HWND>(SendMessageA(combo, WM_USER + 7, 0, 0))) return edit;
        if (HWND edit = FindWindowExA(combo, nullptr, "Edit", nullptr)) return edit;
        return combo;
    }
    return GetDlgItem(dialog, edt1);
}

void press(HWND dialog, int button) { PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0); }

void choose_file(HWND dialog, const std::string& path) {
    HWND field = name_field(dialog);
    SendMessageA(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    for (int attempt = 0; attempt < 3 && IsWindowVisible(dialog); ++attempt) {
        press(dialog, IDOK);
        for (int i = 0; i < 30 && IsWindowVisible(dialog); ++i) Sleep(10);
    }
}

// Runs on_load while a helper thread plays the user in its dialog.
bool load_with_user(std::function<void(HWND)> user) {
    DWORD me = GetCurrentThreadId();
    std::atomic<bool> found{false}, returned{false};
    std::thread helper([&] {
        HWND dialog = wait_for_dialog(me);
        if (!dialog) return;
        found = true;
        user(dialog);
        for (int i = 1; !returned; ++i) {
            if (i % 100 == 0) press(dialog, IDCANCEL);  // never leave the test hanging
            Sleep(10);
        }
    });
    on_load();
    returned = true;
    helper.join();
    return found;
}

// The descriptions the dialog offers, in order.
std::vector<std::string> file_types(HWND dialog) {
    std::vector<std::string> out;
    HWND combo = GetDlgItem(dialog, cmb1);
    int n = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        char text[256] = {};
        SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        out.push_back(text);
    }
    return out;
}

class Handlers : public app_window::WindowedApp {
protected:
    std::string folder = scratch_folder("handlers");
};

TEST_F(Handlers, LoadAsksWithItsPatternListAndShowsSizesAndCrop) {
    EXPECT_EQ(status_texts(), (std::vector<std::string>{"\tB:", "\tH:", "\tXS:", "\tYS:", "\tXE:", "\tYE:"}));
    std::string path = folder + "small.png";
    ASSERT_TRUE(write_picture(path, PNG, 400, 300));
    std::vector<std::string> types;
    ASSERT_TRUE(load_with_user([&](HWND dialog) {
        types = file_types(dialog);
        choose_file(dialog, path);
    }));
    ASSERT_GE(types.size(), 14u);
    EXPECT_EQ(types[0], "All supported formats");
    EXPECT_EQ(types[1], "HEIC image (*.heic)");
    EXPECT_EQ(types[4], "WebP image (*.webp)");
    EXPECT_EQ(types[5], "TGA image (*.tga)");
    EXPECT_EQ(types[9], "Icon file (*.ico)");
    EXPECT_EQ(types[10], "*.cur");  // the lone pattern shifts the later pairs
    EXPECT_EQ(types[12], "*.gif");
    EXPECT_EQ(types[13], "*.wmf");

    EXPECT_EQ(app.source_width, 400);
    EXPECT_EQ(app.crop.side, 300);
    EXPECT_EQ(status_texts(), (std::vector<std::string>{"B: 400", "H: 300", "XS: 0", "YS: 0", "XE: 300", "YE: 300"}));
    EXPECT_EQ(get_gadget_state(w.left), image_handle(app.crop_image));
    EXPECT_NE(get_gadget_state(w.left), 0);

    // Cancel changes nothing.
    int64_t crop = app.crop_image, source = app.source_image;
    ASSERT_TRUE(load_with_user([](HWND dialog) { press(dialog, IDCANCEL); }));
    EXPECT_EQ(app.crop_image, crop);
    EXPECT_EQ(app.source_image, source);
    EXPECT_EQ(status_text(0), "B: 400");
    EXPECT_EQ(get_gadget_state(w.left), image_handle(crop));

    // A file that is not a picture gives the black fallback.
    std::string text = folder + "text.png";
    ASSERT_TRUE(write_bytes(text, "hello", 5));
    ASSERT_TRUE(load_with_user([&](HWND dialog) { choose_file(dialog, text); }));
    EXPECT_EQ(status_texts(), (std::vector<std::string>{"B: 600", "H: 600", "XS: 0", "YS: 0", "XE: 600", "YE: 600"}));
    EXPECT_EQ(colour_at(app.crop_image, 300, 300), 0u);
    EXPECT_EQ(get_gadget_state(w.left), image_handle(app.crop_image));
}

TEST_F(Handlers, CropButtonsShowTheSquareInTheStatusBarAndTheGadget) {
    std::string path = folder + "wide.png";
    ASSERT_TRUE(write_picture(path, PNG, 1000, 700));
    load_source(path.c_str());
    show_source_size();
    show_crop_square();

    for (int i = 0; i < 399; ++i) on_crop_button(w.x_plus);
    EXPECT_EQ(status_texts(), (std::vector<std::string>{"B: 1000", "H: 700", "XS: 399", "YS: 0", "XE: 600", "YE: 600"}));
    EXPECT_EQ(get_gadget_state(w.left), image_handle(app.crop_image));
    EXPECT_EQ(colour_at(app.crop_image, 0, 0), pattern(399, 0));
    int64_t crop = app.crop_image;
    on_crop_button(w.x_plus);  // refused
    EXPECT_EQ(app.crop_image, crop);
    EXPECT_EQ(status_text(2), "XS: 399");

    app.step_y = 40;
    on_crop_button(w.y_plus);
    on_crop_button(w.y_plus);
    on_crop_button(w.y_plus);  // 600 + 80 + 40 < 700 fails
    EXPECT_EQ(status_text(3), "YS: 80");
    on_crop_button(w.y_minus);
    EXPECT_EQ(status_text(3), "YS: 40");
    on_crop_button(w.x_minus);
    EXPECT_EQ(status_text(2), "XS: 398");
    app.step_xy = 9;
    on_crop_button(w.xy_minus);
    EXPECT_EQ(status_text(4), "XE: 591");
    EXPECT_EQ(status_text(5), "YE: 591");
    on_crop_button(w.xy_plus);
    EXPECT_EQ(status_text(4), "XE: 600");
    EXPECT_EQ(get_gadget_state(w.left), image_handle(app.crop_image));
    EXPECT_EQ(colour_at(app.crop_image, 599, 599), pattern(398 + 599, 40 + 599));

    // Other gadgets and values are no crop button.
    crop = app.crop_image;
    for (int64_t other : {w.left, w.right, int64_t{0}, int64_t{-1}, int64_t{12345}}) on_crop_button(other);
    EXPECT_EQ(app.crop_image, crop);
    EXPECT_EQ(app.crop.XS, 398);
    EXPECT_EQ(app.crop.YS, 40);
    EXPECT_EQ(app.crop.side, 600);

    // Typed steps outside the spins' range show as they come out.
    app.step_x = -1000;
    on_crop_button(w.x_plus);
    EXPECT_EQ(status_text(2), "XS: -602");
}

TEST_F(Handlers, RenderShowsTheOutputInTheRightGadget) {
    app.outer_alpha = 255;
    render_cutout(0x0000FF);  // red outside, black disc: nothing loaded
    EXPECT_EQ(get_gadget_state(w.right), image_handle(app.output_image));
    RedrawWindow(reinterpret_cast<HWND>(window_handle(w.window)), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    pump(50);
    HWND right = reinterpret_cast<HWND>(gadget_handle(w.right));
    HDC dc = GetDC(right);
    COLORREF corner = GetPixel(dc, 20, 20), centre = GetPixel(dc, 299, 299);
    ReleaseDC(right, dc);
    EXPECT_EQ(corner, RGB(255, 0, 0));
    EXPECT_EQ(centre, RGB(0, 0, 0));
}

TEST_F(Handlers, NoGdiObjectsLeakOverAThousandPressesAndRenders) {
    std::string path = folder + "leak.png";
    ASSERT_TRUE(write_picture(path, PNG, 900, 700));
    load_source(path.c_str());
    on_crop_button(w.x_plus);
    render_cutout(0);
    pump(20);
    int before = gdi_object_count();
    ASSERT_GT(before, 0);
    const int64_t cycle[] = {w.x_plus, w.y_plus, w.x_minus, w.y_minus};
    for (int i = 0; i < 1000; ++i) {
        on_crop_button(i % 100 == 50 ? w.xy_plus : i % 100 == 51 ? w.xy_minus : cycle[i % 4]);
        render_cutout(0x336699);
        if (i % 50 == 0) pump(1);
    }
    pump(20);
    EXPECT_EQ(gdi_object_count(), before);
}

}  // namespace
