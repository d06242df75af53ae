// The main window as start-up builds it, and the dispatcher driven by the
// events its real controls raise.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/model/window_layout.h"
#include "app/shell/main_window.h"
#include "codecs/save_image.h"
#include "image/drawing.h"
#include "main_window_fixture.h"
#include "ui/statusbar.h"
#include "ui_test_support.h"

namespace {


HWND hwnd(int64_t gadget) { return reinterpret_cast<HWND>(gadget_handle(gadget)); }

// Runs the main loop's body for about `ms` milliseconds; false when
// handle_event asked to stop.
bool run_loop(int ms = 80) {
    const DWORD end = GetTickCount() + ms;
    bool going = true;
    while (static_cast<LONG>(GetTickCount() - end) < 0) going = handle_event(wait_window_event(5)) && going;
    while (int32_t code = take_next_event()) going = handle_event(code) && going;
    return going;
}

RECT client_rect(HWND control) {
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// Pixel (x, y), counted from the top, of the output image: B, G, R, A.
uint32_t output_pixel(int x, int y) {
    BitmapInfo info;
    const uint8_t* bits = image_bits(app.output_image, &info);
    if (!bits) return 0;
    uint32_t word;
    std::memcpy(&word, bits + static_cast<size_t>(info.height - 1 - y) * info.stride + x * 4, 4);
    return word;
}

// The text of the tooltip tool that belongs to this control, from the
// thread's tooltip windows; empty when there is none.
std::string tooltip_text(HWND control) {
    struct Search {
        HWND control;
        std::string text;
    } search{control, {}};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            char name[64] = {};
            GetClassNameA(window, name, sizeof name);
            if (lstrcmpiA(name, TOOLTIPS_CLASSA) != 0) return TRUE;
            const LRESULT count = SendMessageA(window, TTM_GETTOOLCOUNT, 0, 0);
            for (LRESULT i = 0; i < count; ++i) {
                char text[80] = {};
                TOOLINFOA info = {};
                info.cbSize = sizeof info;
                info.lpszText = text;
                if (SendMessageA(window, TTM_ENUMTOOLSA, i, reinterpret_cast<LPARAM>(&info)) &&
                    reinterpret_cast<HWND>(info.uId) == s->control)
                    s->text = text;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.text;
}

class MainWindow : public MainWindowFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        if (use_main_window(false)) {
            // What building queued: handled as the main loop would.
            building_events = pump_events(100);
            for (const TakenEvent& e : building_events) handle_event(e.code);
        }
        ASSERT_NE(app.window, 0);
    }
    void TearDown() override {
        set_gadget_state(app.left_image_gadget, 0);
        set_gadget_state(app.right_image_gadget, 0);
        run_loop(10);
        AppFixture::TearDown();
    }
    static inline std::vector<TakenEvent> building_events;
};

TEST_F(MainWindow, LayoutTextsAndInitialStates) {
    EXPECT_EQ(window_width(app.window), 1330);
    EXPECT_EQ(window_height(app.window), 680);
    HWND window = reinterpret_cast<HWND>(window_handle(app.window));
    char title[16] = "x";
    GetWindowTextA(window, title, sizeof title);
    EXPECT_STREQ(title, "");
    const LONG style = GetWindowLongA(window, GWL_STYLE);
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX), WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX);
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX), WS_THICKFRAME | WS_MAXIMIZEBOX);

    const struct {
        int64_t gadget;
        int32_t kind;
        const char* text;
    } table[] = {
        {app.left_image_gadget, GADGET_IMAGE, nullptr},  {app.right_image_gadget, GADGET_IMAGE, nullptr},
        {app.load_button, GADGET_BUTTON, "Load"},         {app.radius_frame, GADGET_FRAME, "Radius"},
        {app.start_button, GADGET_BUTTON, "Start"},       {app.save_png_button, GADGET_BUTTON, "Save PNG"},
        {app.outer_alpha_trackbar, GADGET_TRACKBAR, nullptr},
        {app.inner_alpha_trackbar, GADGET_TRACKBAR, nullptr},
        {app.back_color_button, GADGET_BUTTON, "Back-Color"},
        {app.x_plus_button, GADGET_BUTTON, "X+"},         {app.y_plus_button, GADGET_BUTTON, "Y+"},
        {app.x_minus_button, GADGET_BUTTON, "X-"},        {app.y_minus_button, GADGET_BUTTON, "Y-"},
        {app.xy_plus_button, GADGET_BUTTON, "XY+"},       {app.xy_minus_button, GADGET_BUTTON, "XY-"},
        {app.save_jpg_button, GADGET_BUTTON, "Save JPG"}, {app.radius_spin, GADGET_SPIN, "295"},
        {app.step_x_spin, GADGET_SPIN, "1"},              {app.step_y_spin, GADGET_SPIN, "1"},
        {app.step_xy_spin, GADGET_SPIN, "1"},
    };
    // The up-down control whose buddy is the spin's edit.
    auto arrows_of = [&](int64_t spin) {
        HWND arrows = nullptr;
        for (HWND c = nullptr; (c = FindWindowExA(window, c, UPDOWN_CLASSA, nullptr));)
            if (reinterpret_cast<HWND>(SendMessageA(c, UDM_GETBUDDY, 0, 0)) == hwnd(spin)) arrows = c;
        return arrows;
    };
    // Where each control lies: a spin from its edit's left to its arrows' right.
    RECT status;
    GetWindowRect(FindWindowExA(window, nullptr, STATUSCLASSNAMEA, nullptr), &status);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&status), 2);
    std::vector<HWND> order;
    std::vector<RECT> places;
    for (const auto& g : table) {
        SCOPED_TRACE(g.text ? g.text : "image or trackbar");
        ASSERT_NE(g.gadget, 0);
        EXPECT_EQ(gadget_kind(g.gadget), g.kind);
        RECT r = client_rect(hwnd(g.gadget));
        if (g.kind == GADGET_SPIN) {
            HWND arrows = arrows_of(g.gadget);
            ASSERT_NE(arrows, nullptr);
            const RECT a = client_rect(arrows);
            EXPECT_TRUE(a.right > r.right && a.top == r.top && a.bottom == r.bottom);
            r.right = a.right;
        }
        if (g.kind == GADGET_IMAGE) {
            EXPECT_TRUE(r.right - r.left == 600 && r.bottom - r.top == 600);
        }
        EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= 1330 && r.bottom <= status.top && r.left < r.right &&
                    r.top < r.bottom);
        if (g.text) {
            EXPECT_EQ(get_gadget_text(g.gadget), g.text);
        }
        order.push_back(hwnd(g.gadget));
        places.push_back(r);
    }
    // No two overlap, but for the frame around the radius spin.
    for (size_t i = 0; i < places.size(); ++i)
        for (size_t j = i + 1; j < places.size(); ++j) {
            RECT both;
            const bool framed = table[i].gadget == app.radius_frame && table[j].gadget == app.radius_spin;
            EXPECT_EQ(IntersectRect(&both, &places[i], &places[j]) != 0, framed) << i << " " << j;
            if (framed) {
                EXPECT_TRUE(EqualRect(&both, &places[j]));
            }
        }
    EXPECT_EQ(get_gadget_state(app.outer_alpha_trackbar), 255);
    EXPECT_EQ(get_gadget_state(app.inner_alpha_trackbar), 255);
    EXPECT_EQ(get_gadget_state(app.radius_spin), 295);
    EXPECT_EQ(get_gadget_state(app.step_xy_spin), 1);
    // Ranges: 0-255 for both trackbars, 1-500 for the radius, 1-200 for the steps.
    const struct {
        int64_t gadget;
        int64_t minimum, maximum;
    } ranges[] = {{app.outer_alpha_trackbar, 0, 255}, {app.inner_alpha_trackbar, 0, 255}, {app.radius_spin, 1, 500},
                  {app.step_x_spin, 1, 200},          {app.step_y_spin, 1, 200},          {app.step_xy_spin, 1, 200}};
    for (const auto& range : ranges) {
        EXPECT_EQ(get_gadget_attribute(range.gadget, GADGET_MINIMUM), range.minimum) << range.gadget;
        EXPECT_EQ(get_gadget_attribute(range.gadget, GADGET_MAXIMUM), range.maximum) << range.gadget;
    }
    EXPECT_EQ(tooltip_text(hwnd(app.radius_spin)), "Radius");

    // Trackbars: vertical with tick marks; spins: arrows that write the
    // number into the edit.
    for (int64_t trackbar : {app.outer_alpha_trackbar, app.inner_alpha_trackbar})
        EXPECT_EQ(GetWindowLongA(hwnd(trackbar), GWL_STYLE) & (TBS_VERT | TBS_AUTOTICKS), TBS_VERT | TBS_AUTOTICKS);
    for (int64_t spin : {app.radius_spin, app.step_x_spin, app.step_y_spin, app.step_xy_spin}) {
        HWND arrows = arrows_of(spin);
        ASSERT_NE(arrows, nullptr);
        EXPECT_EQ(GetWindowLongA(arrows, GWL_STYLE) & UDS_SETBUDDYINT, UDS_SETBUDDYINT);
        EXPECT_EQ(GetWindowLongA(hwnd(spin), GWL_STYLE) & ES_READONLY, 0);
    }
    EXPECT_EQ(tooltip_text(hwnd(app.step_x_spin)), "");

    // Creation order is the order of the window's children, which is the
    // tab order.
    std::vector<HWND> children;
    for (HWND c = GetWindow(window, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        for (HWND g : order)
            if (c == g) children.push_back(c);
    std::vector<HWND> reversed(order.rbegin(), order.rend());
    EXPECT_TRUE(children == order || children == reversed);
}

TEST_F(MainWindow, StatusBarStartsWithTheSixCentredLabels) {
    HWND window = reinterpret_cast<HWND>(window_handle(app.window));
    HWND bar = FindWindowExA(window, nullptr, STATUSCLASSNAMEA, nullptr);
    ASSERT_NE(bar, nullptr);
    // The six, then the field that says why a picture is black: empty and
    // without a border until then.
    EXPECT_EQ(SendMessageA(bar, SB_GETPARTS, 0, 0), 7);
    int edges[7] = {};
    SendMessageA(bar, SB_GETPARTS, 7, reinterpret_cast<LPARAM>(edges));
    EXPECT_EQ(LOWORD(SendMessageA(bar, SB_GETTEXTLENGTHA, 6, 0)), 0);
    EXPECT_EQ(HIWORD(SendMessageA(bar, SB_GETTEXTLENGTHA, 6, 0)) & SBT_NOBORDERS, SBT_NOBORDERS);
    const char* labels[] = {"B:", "H:", "XS:", "YS:", "XE:", "YE:"};
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(labels[i]);
        EXPECT_EQ(edges[i] - (i ? edges[i - 1] : 0), 60);
        char text[64] = {};
        const LRESULT info = SendMessageA(bar, SB_GETTEXTA, i, reinterpret_cast<LPARAM>(text));
        EXPECT_EQ(std::string(text), std::string("\t") + labels[i]);  // a leading tab centres it
        EXPECT_EQ(HIWORD(info) & SBT_POPOUT, SBT_POPOUT);
    }
}

TEST_F(MainWindow, BuildingQueuesASizeEventThatKeepsTheRightImageInPlace) {
    EXPECT_GE(count_code(building_events, EVENT_WINDOW_SIZED), 1);
    const LONG right_left = client_rect(hwnd(app.right_image_gadget)).left;
    // Whatever else building queued left the defaults alone.
    EXPECT_EQ(app.radius, 295);
    EXPECT_EQ(app.step_x, 1);
    EXPECT_EQ(app.step_y, 1);
    EXPECT_EQ(app.step_xy, 1);

    resize_gadget(app.right_image_gadget, 5, 10, 600, 600);
    EXPECT_EQ(handle_event(EVENT_WINDOW_SIZED), 1);
    EXPECT_EQ(client_rect(hwnd(app.right_image_gadget)).left, right_left);
}

// At the screen's DPI (the test prefix's LogPixels) the real window is its
// layout: every gadget where the layout puts it, the font's height scaled,
// the window inside the work area.  With ROUNDCUT_DPI_REPORT set, a line of
// measures goes to that file and the client area beside it as a BMP.
TEST_F(MainWindow, RealWindowIsItsLayoutAtTheScreensDpi) {
    HWND window = reinterpret_cast<HWND>(window_handle(app.window));
    const int32_t dpi = window_dpi(app.window);
    RECT client;
    GetClientRect(window, &client);
    const WindowLayout layout = layout_for_client(dpi, client.right, client.bottom);
    for (int i = 0; i < LAYOUT_CONTROL_COUNT; ++i) {
        HWND control = hwnd(*(&app.left_image_gadget + i));  // the state holds them in layout order
        RECT r = client_rect(control);
        for (HWND c = nullptr; (c = FindWindowExA(window, c, UPDOWN_CLASSA, nullptr));)
            if (reinterpret_cast<HWND>(SendMessageA(c, UDM_GETBUDDY, 0, 0)) == control) r.right = client_rect(c).right;
        const LayoutRect& at = layout.controls[i];
        EXPECT_TRUE(r.left == at.x && r.top == at.y && r.right - r.left == at.width && r.bottom - r.top == at.height)
            << i << " at " << dpi << " dpi";
    }
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor);
    RECT outer, inside;
    GetWindowRect(window, &outer);
    EXPECT_TRUE(IntersectRect(&inside, &outer, &monitor.rcWork) && EqualRect(&inside, &outer));
    LOGFONTA font{};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(hwnd(app.load_button), WM_GETFONT, 0, 0)), sizeof font, &font);
    EXPECT_EQ(font.lfHeight, -scale_length(11, dpi));
    EXPECT_EQ(app.shown_size == 0 ? DESIGN_SHOWN_SIZE : app.shown_size, layout.shown);

    if (const char* report = std::getenv("ROUNDCUT_DPI_REPORT")) {
        if (FILE* f = std::fopen(report, "a")) {
            std::fprintf(f, "%d %ldx%ld %ldx%ld %ldx%ld %d %ld\n", static_cast<int>(dpi),
                         monitor.rcMonitor.right - monitor.rcMonitor.left, monitor.rcMonitor.bottom - monitor.rcMonitor.top,
                         outer.right - outer.left, outer.bottom - outer.top, client.right, client.bottom,
                         static_cast<int>(layout.shown), -font.lfHeight);
            std::fclose(f);
        }
        const int64_t shot = create_image(AUTO_ID, client.right, client.bottom, 24);
        HDC from = GetDC(window), to = CreateCompatibleDC(from);
        HGDIOBJ old = SelectObject(to, reinterpret_cast<HBITMAP>(image_handle(shot)));
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        BitBlt(to, 0, 0, client.right, client.bottom, from, 0, 0, SRCCOPY);
        SelectObject(to, old);
        DeleteDC(to);
        ReleaseDC(window, from);
        save_image(shot, (std::string(report) + "-" + std::to_string(dpi) + ".bmp").c_str());
        free_image(shot);
    }
}

TEST_F(MainWindow, OnlyTheCloseEventEndsTheLoop) {
    EXPECT_EQ(handle_event(EVENT_CLOSE_WINDOW), 0);
    for (int32_t code : {0, EVENT_MENU, EVENT_REPAINT, EVENT_WINDOW_MOVED, EVENT_TIMER, WM_PAINT, 0x7FFF, -1})
        EXPECT_EQ(handle_event(code), 1) << code;
}

TEST_F(MainWindow, TypedSpinTextIsStoredUnclamped) {
    const struct {
        int64_t AppState::*variable;
        int64_t gadget;
        const char* text;
        int64_t value;
    } cases[] = {
        {&AppState::radius, app.radius_spin, "12abc", 12},   {&AppState::radius, app.radius_spin, "-3", -3},
        {&AppState::radius, app.radius_spin, "9999", 9999},  {&AppState::radius, app.radius_spin, "", 0},
        {&AppState::step_x, app.step_x_spin, "$1F", 31},     {&AppState::step_y, app.step_y_spin, "%101", 5},
        {&AppState::step_xy, app.step_xy_spin, "0", 0},      {&AppState::step_xy, app.step_xy_spin, "250", 250},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        // As typed: the edit's own change notification.
        SetWindowTextA(hwnd(c.gadget), c.text);
        EXPECT_TRUE(run_loop());
        EXPECT_EQ(app.*c.variable, c.value);
    }
    // Only a text change counts.
    SetWindowTextA(hwnd(app.radius_spin), "77");
    while (take_next_event()) {
    }
    on_spin_change(app.radius_spin, 1024);
    on_spin_change(app.radius_spin, GADGET_TYPE_SPIN_UP);
    EXPECT_EQ(app.radius, 0);  // still the last stored value, from the empty text
    on_spin_change(app.radius_spin, EVENT_TYPE_CHANGE);
    EXPECT_EQ(app.radius, 77);
    on_spin_change(app.load_button, EVENT_TYPE_CHANGE);
    on_spin_change(0, EVENT_TYPE_CHANGE);
    EXPECT_EQ(app.radius, 77);
}

TEST_F(MainWindow, ASpinChangeDoesNotRenderButTrackbarsAndStartDo) {
    // The output image starts opaque black; a render paints the corner with
    // the background colour and the outer alpha.
    app.background_colour = rgb(10, 20, 30);
    SetWindowTextA(hwnd(app.radius_spin), "100");
    EXPECT_TRUE(run_loop());
    EXPECT_EQ(app.radius, 100);
    EXPECT_EQ(output_pixel(0, 0), 0xFF000000u);

    // The outer trackbar moved to 100 by its own scroll notification.
    HWND outer = hwnd(app.outer_alpha_trackbar);
    SendMessageA(outer, TBM_SETPOS, TRUE, 255 - 100);
    SendMessageA(GetParent(outer), WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 155), reinterpret_cast<LPARAM>(outer));
    EXPECT_TRUE(run_loop());
    EXPECT_EQ(app.outer_alpha, 100);
    EXPECT_EQ(output_pixel(0, 0), 0x640A141Eu);
    EXPECT_EQ(output_pixel(299, 299) >> 24, 255u);
    EXPECT_EQ(output_pixel(299 + 100, 299) >> 24, 255u);
    EXPECT_EQ(output_pixel(299 + 101, 299) >> 24, 100u);

    HWND inner = hwnd(app.inner_alpha_trackbar);
    SendMessageA(inner, TBM_SETPOS, TRUE, 255 - 7);
    SendMessageA(GetParent(inner), WM_VSCROLL, MAKEWPARAM(SB_ENDSCROLL, 0), reinterpret_cast<LPARAM>(inner));
    EXPECT_TRUE(run_loop());
    EXPECT_EQ(app.inner_alpha, 7);
    EXPECT_EQ(output_pixel(299, 299) >> 24, 7u);

    // Start renders with what the spins hold now.
    app.background_colour = rgb(200, 0, 1);
    app.radius = 0;
    SendMessageA(hwnd(app.start_button), BM_CLICK, 0, 0);
    EXPECT_TRUE(run_loop());
    EXPECT_EQ(output_pixel(0, 0), 0x64C80001u);
    EXPECT_EQ(output_pixel(299, 299), 0x07000000u);
    EXPECT_EQ(output_pixel(300, 299), 0x64C80001u);
}

TEST_F(MainWindow, CropButtonsRenderEvenWhenNothingMoves) {
    // Nothing loaded: every press is refused, and each renders all the same.
    app.outer_alpha = 1;
    for (int64_t button : {app.x_plus_button, app.x_minus_button, app.y_plus_button, app.y_minus_button,
                           app.xy_plus_button, app.xy_minus_button}) {
        app.outer_alpha += 1;
        SendMessageA(hwnd(button), BM_CLICK, 0, 0);
        EXPECT_TRUE(run_loop());
        EXPECT_EQ(output_pixel(0, 0) >> 24, static_cast<uint32_t>(app.outer_alpha));
        EXPECT_EQ(app.crop.XS, 0);
        EXPECT_EQ(app.crop.side, 0);
    }
    // The frame and the image gadgets are no buttons: nothing renders.
    const uint32_t before = output_pixel(0, 0);
    app.outer_alpha = 99;
    for (int64_t other : {app.radius_frame, app.left_image_gadget, int64_t{0}}) {
        post_event(EVENT_GADGET, other, app.window, 0);
        EXPECT_TRUE(run_loop(20));
    }
    EXPECT_EQ(output_pixel(0, 0), before);
}

}  // namespace
