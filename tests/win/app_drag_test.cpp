// The crop square moved and zoomed live in the tool's own main window,
// through real input (SendInput): a drag, the wheel each way, Escape during a
// drag, a double click and the keyboard shortcuts while a spin has the
// focus.  After each, the status fields, the left picture (against grab then
// resize of the same square) and the rendered cut-out are checked.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "app/model/command_table.h"
#include "app/model/window_layout.h"
#include "app/output/output_size.h"
#include "app/output/render.h"
#include "app/picture/source.h"
#include "app/shell/load_command.h"
#include "app/shell/main_window.h"
#include "app/shell/picture_view.h"
#include "app_pictures.h"
#include "main_window_fixture.h"
#include "ui/statusbar.h"
#include "ui_test_support.h"

using namespace pictures;

namespace {


HWND hwnd(int64_t gadget) { return reinterpret_cast<HWND>(gadget_handle(gadget)); }

void run_loop(int ms = 150) {
    const DWORD end = GetTickCount() + ms;
    while (static_cast<LONG>(GetTickCount() - end) < 0) handle_event(wait_window_event(5));
    while (int32_t code = take_next_event()) handle_event(code);
}

void mouse(DWORD flags, int data = 0) {
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    in.mi.mouseData = static_cast<DWORD>(data);
    SendInput(1, &in, sizeof in);
}

std::string status_text(int field) {
    HWND window = reinterpret_cast<HWND>(window_handle(app.window));
    HWND bar = FindWindowExA(window, nullptr, "msctls_statusbar32", nullptr);
    char text[64] = {};
    SendMessageA(bar, SB_GETTEXTA, field, reinterpret_cast<LPARAM>(text));
    return text;
}

std::vector<uint8_t> pixel_bytes(int64_t image) {
    BitmapInfo info{};
    const uint8_t* bits = image_bits(image, &info);
    std::vector<uint8_t> out;
    if (!bits) return out;
    const size_t row = static_cast<size_t>(info.width) * (info.bits_per_pixel / 8);
    for (int32_t y = 0; y < info.height; ++y) out.insert(out.end(), bits + y * info.stride, bits + y * info.stride + row);
    return out;
}

class LiveCrop : public MainWindowFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        use_main_window(true);
        HWND window = reinterpret_cast<HWND>(window_handle(app.window));
        SetForegroundWindow(window);
        SetActiveWindow(window);
        run_loop(50);
    }
    void TearDown() override {
        set_gadget_state(app.left_image_gadget, 0);
        set_gadget_state(app.right_image_gadget, 0);
        run_loop(10);
        AppFixture::TearDown();
    }
    // A pattern picture loaded as Load does it, and rendered.
    void load(int32_t width, int32_t height) {
        const std::string path = scratch_folder("drag") + "picture.png";
        ASSERT_TRUE(write_picture(path, PNG, width, height));
        load_source(path.c_str());
        show_source_size();
        show_crop_square();
        show_crop_image();
        render_cutout(app.background_colour);
        run_loop(30);
    }
    // The pointer at a pixel of the left picture.
    void point_at(int x, int y) {
        POINT p{x, y};
        ClientToScreen(hwnd(app.left_image_gadget), &p);
        SetCursorPos(p.x, p.y);
        mouse(MOUSEEVENTF_MOVE);
    }
    // The square shown everywhere: state, status fields, the left picture
    // as grab then resize give it, and a render made with it.
    void expect_shown(const CropSquare& s) {
        EXPECT_EQ(app.crop.XS, s.XS);
        EXPECT_EQ(app.crop.YS, s.YS);
        EXPECT_EQ(app.crop.side, s.side);
        EXPECT_EQ(status_text(2), "XS: " + std::to_string(s.XS));
        EXPECT_EQ(status_text(3), "YS: " + std::to_string(s.YS));
        EXPECT_EQ(status_text(4), "XE: " + std::to_string(s.side));
        EXPECT_EQ(status_text(5), "YE: " + std::to_string(s.side));
        EXPECT_EQ(get_gadget_state(app.left_image_gadget), image_handle(app.crop_image));
        const int64_t reference = grab_image(app.source_image, AUTO_ID, static_cast<int32_t>(s.XS),
                                             static_cast<int32_t>(s.YS), static_cast<int32_t>(s.side),
                                             static_cast<int32_t>(s.side));
        if (s.side != 600) resize_image(reference, 600, 600, 0);
        EXPECT_TRUE(pixel_bytes(reference) == pixel_bytes(app.crop_image)) << "left picture";
        free_image(reference);
        for (auto [x, y] : {std::pair{299, 299}, {150, 420}})
            EXPECT_EQ(colour_at(app.output_image, x, y), colour_at(app.crop_image, x, y)) << "cut-out " << x << "," << y;
    }
};

TEST_F(LiveCrop, ADragMovesTheSquareLiveAndEscapePutsItBack) {
    load(1000, 700);
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_ARROW));  // set before the picture came
    point_at(300, 300);
    run_loop(30);
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_SIZEALL));

    // The picture follows the pointer: left and up moves the square right and down.
    mouse(MOUSEEVENTF_LEFTDOWN);
    run_loop(30);
    point_at(260, 290);
    run_loop();
    expect_shown({40, 10, 600});  // live, before the release
    point_at(200, 260);
    run_loop();
    mouse(MOUSEEVENTF_LEFTUP);
    run_loop();
    expect_shown({100, 40, 600});

    // Escape during a drag: the square goes back to where the drag began,
    // and the release after it changes nothing.
    mouse(MOUSEEVENTF_LEFTDOWN);
    run_loop(30);
    point_at(250, 280);
    run_loop();
    expect_shown({50, 20, 600});
    send_keys({VK_ESCAPE});
    run_loop();
    expect_shown({100, 40, 600});
    point_at(100, 100);
    mouse(MOUSEEVENTF_LEFTUP);
    run_loop();
    expect_shown({100, 40, 600});

    // Losing the capture ends the drag where it is; later moves and the
    // release change nothing.
    mouse(MOUSEEVENTF_LEFTDOWN);
    run_loop(30);
    point_at(90, 90);
    run_loop();
    expect_shown({110, 50, 600});
    SetCapture(reinterpret_cast<HWND>(window_handle(app.window)));
    run_loop();
    ReleaseCapture();
    point_at(50, 50);
    mouse(MOUSEEVENTF_LEFTUP);
    run_loop();
    expect_shown({110, 50, 600});

    // A crop press in the middle of a drag: the drag goes on from the pressed square.
    mouse(MOUSEEVENTF_LEFTDOWN);
    run_loop(30);
    point_at(40, 50);
    run_loop();
    app.step_x = 30;
    on_crop_button(app.x_plus_button);
    point_at(30, 50);
    run_loop();
    mouse(MOUSEEVENTF_LEFTUP);
    run_loop();
    expect_shown({160, 50, 600});
}

TEST_F(LiveCrop, AClickIsNoDragAndANewPictureEndsTheDrag) {
    load(1000, 700);
    // Jitter inside the system's drag rectangle moves nothing.
    point_at(300, 300);
    mouse(MOUSEEVENTF_LEFTDOWN);
    run_loop(30);
    point_at(302, 299);
    run_loop();
    mouse(MOUSEEVENTF_LEFTUP);
    run_loop();
    expect_shown({0, 0, 600});

    // A picture dropped while the button is held: the drag is over, so
    // neither the later moves nor Escape reach the new picture's square.
    const std::string other = scratch_folder("drag") + "other.png";
    ASSERT_TRUE(write_picture(other, PNG, 900, 800));
    mouse(MOUSEEVENTF_LEFTDOWN);
    run_loop(30);
    point_at(250, 280);
    run_loop();
    on_dropped_file(other.c_str());
    point_at(200, 200);
    run_loop();
    send_keys({VK_ESCAPE});
    run_loop();
    mouse(MOUSEEVENTF_LEFTUP);
    run_loop();
    EXPECT_EQ(app.source_width, 900);
    expect_shown({0, 0, 600});
}

TEST_F(LiveCrop, ABigSquareDragsAsAPreviewAndEndsExact) {
    load(2000, 1400);
    app.step_xy = 700;
    on_crop_button(app.xy_plus_button);  // side 1300
    ASSERT_EQ(app.crop.side, 1300);
    point_at(300, 300);
    mouse(MOUSEEVENTF_LEFTDOWN);
    run_loop(30);
    point_at(200, 250);
    run_loop();
    // Live: the square moved, and everything that shows its numbers with
    // it; the picture is the sampled likeness, in the left picture and the
    // cut-out alike.
    const CropSquare moved = app.crop;
    EXPECT_TRUE(moved.XS > 0 && moved.YS > 0 && moved.side == 1300);
    EXPECT_EQ(status_text(2), "XS: " + std::to_string(moved.XS));
    const int64_t likeness = create_image(AUTO_ID, 600, 600, 24);
    ASSERT_EQ(sample_square_into(likeness, app.source_image, moved.XS, moved.YS, 1300), 1);
    EXPECT_TRUE(pixel_bytes(likeness) == pixel_bytes(app.crop_image));
    EXPECT_EQ(colour_at(app.output_image, 299, 299), colour_at(likeness, 299, 299));
    // A save or copy by shortcut in the middle of the drag gets the exact
    // picture, and the drag goes on.
    settle_crop_preview();
    expect_shown(moved);
    point_at(190, 250);
    run_loop();
    EXPECT_GT(app.crop.XS, moved.XS);
    point_at(200, 250);
    run_loop();
    // The release shows the exact picture, even without a move before it.
    mouse(MOUSEEVENTF_LEFTUP);
    run_loop();
    expect_shown(moved);
    // Escape after a previewed move: exact, at the start.
    mouse(MOUSEEVENTF_LEFTDOWN);
    run_loop(30);
    point_at(300, 300);
    run_loop();
    send_keys({VK_ESCAPE});
    run_loop();
    expect_shown(moved);
    mouse(MOUSEEVENTF_LEFTUP);
    run_loop();
    expect_shown(moved);
}

TEST_F(LiveCrop, TheWheelZoomsAndADoubleClickFits) {
    load(1000, 700);
    point_at(450, 150);
    run_loop(30);
    // In, then out twice: the square shrinks, then grows past where it was.
    mouse(MOUSEEVENTF_WHEEL, WHEEL_DELTA);  // away from the user: in
    run_loop();
    const CropSquare in = app.crop;
    EXPECT_LT(in.side, 600);
    expect_shown(in);
    mouse(MOUSEEVENTF_WHEEL, -WHEEL_DELTA);  // towards: out, twice
    mouse(MOUSEEVENTF_WHEEL, -WHEEL_DELTA);
    run_loop();
    EXPECT_GT(app.crop.side, 600);
    expect_shown(app.crop);

    for (int i = 0; i < 2; ++i) {
        mouse(MOUSEEVENTF_LEFTDOWN);
        mouse(MOUSEEVENTF_LEFTUP);
    }
    run_loop(250);
    expect_shown({150, 0, 700});
}

TEST_F(LiveCrop, ShortcutsPressTheCropButtonsWhileASpinHasTheFocus) {
    load(1000, 700);
    HWND spin = hwnd(app.step_x_spin);
    SetFocus(spin);
    run_loop(30);
    ASSERT_EQ(GetFocus(), spin);
    // Ctrl+Left and Ctrl+Right stay the edit's (a word back, a word on).
    const struct {
        std::initializer_list<WORD> keys;
        CropSquare after;
    } cases[] = {
        {{VK_CONTROL, VK_RIGHT}, {0, 0, 600}},           {{VK_CONTROL, VK_DOWN}, {0, 1, 600}},
        {{VK_CONTROL, VK_LEFT}, {0, 1, 600}},            {{VK_CONTROL, VK_UP}, {0, 0, 600}},
        {{VK_CONTROL, VK_OEM_PLUS}, {0, 0, 601}},        {{VK_CONTROL, VK_SHIFT, VK_OEM_PLUS}, {0, 0, 602}},
        {{VK_CONTROL, VK_ADD}, {0, 0, 603}},             {{VK_CONTROL, VK_OEM_MINUS}, {0, 0, 602}},
        {{VK_CONTROL, VK_SUBTRACT}, {0, 0, 601}},        {{VK_CONTROL, VK_UP}, {0, 0, 601}},  // refused: still renders
    };
    int64_t alpha = 10;
    for (const auto& c : cases) {
        const bool pressed = c.keys.end()[-1] != VK_LEFT && c.keys.end()[-1] != VK_RIGHT;
        app.outer_alpha = ++alpha;  // each press renders, as the button does
        send_keys(c.keys);
        run_loop();
        SCOPED_TRACE(alpha);
        expect_shown(c.after);
        if (pressed) {
            EXPECT_EQ(alpha_at(app.output_image, 0, 0), alpha);
        }
    }
    // Elsewhere they press X+ and X-.
    SetFocus(hwnd(app.load_button));
    send_keys({VK_CONTROL, VK_RIGHT});
    run_loop();
    EXPECT_EQ(app.crop.XS, 1);
    send_keys({VK_CONTROL, VK_LEFT});
    run_loop();
    EXPECT_EQ(app.crop.XS, 0);
    SetFocus(spin);
    EXPECT_EQ(GetFocus(), spin);
    EXPECT_EQ(get_gadget_text(app.step_x_spin), "1");  // nothing typed into it
    EXPECT_EQ(app.step_x, 1);
}

}  // namespace

namespace {

// Sizes the main window for pictures of this side.
void show_at(int32_t shown) {
    HWND window = reinterpret_cast<HWND>(window_handle(app.window));
    const WindowLayout layout = layout_for_shown(window_dpi(app.window), shown);
    RECT outer{0, 0, layout.client_width, layout.client_height};
    AdjustWindowRectEx(&outer, GetWindowLongA(window, GWL_STYLE), TRUE, 0);
    SetWindowPos(window, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top, SWP_NOMOVE | SWP_NOZORDER);
    run_loop();
}

}  // namespace

TEST_F(LiveCrop, AResizedWindowShowsBothPicturesAtItsSizeAndDragsInCanvasPixels) {
    load(1500, 700);
    const int32_t opening =
        layout_for_client(window_dpi(app.window), window_width(app.window), window_height(app.window)).shown;
    show_at(400);
    ASSERT_EQ(app.shown_size, 400);
    RECT left;
    GetClientRect(hwnd(app.left_image_gadget), &left);
    EXPECT_TRUE(left.right == 400 && left.bottom == 400);
    EXPECT_EQ(get_gadget_state(app.left_image_gadget), image_handle(app.shown_crop_image));
    EXPECT_EQ(get_gadget_state(app.right_image_gadget), image_handle(app.shown_output_image));
    // The right picture is the cut-out as an output of 400 is drawn.
    const int64_t reference = make_output_image(400);
    EXPECT_TRUE(pixel_bytes(reference) == pixel_bytes(app.shown_output_image));
    free_image(reference);

    // A drag across the whole picture moves the square by one side.
    point_at(390, 200);
    mouse(MOUSEEVENTF_LEFTDOWN);
    run_loop(30);
    point_at(-10, 200);
    run_loop();
    mouse(MOUSEEVENTF_LEFTUP);
    run_loop();
    EXPECT_EQ(app.crop.XS, 600);
    EXPECT_EQ(get_gadget_state(app.right_image_gadget), image_handle(app.shown_output_image));

    // Back to the opening size; where that is 600, the crop and output images themselves.
    show_at(opening);
    EXPECT_EQ(app.shown_size, opening);
    if (opening != 600) return;
    expect_shown({600, 0, 600});
    EXPECT_EQ(get_gadget_state(app.right_image_gadget), image_handle(app.output_image));
}
