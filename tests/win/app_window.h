// A window built like the tool's for the handler tests: status bar 0 with
// its six fields, the two image gadgets and the six crop buttons at their
// places; the fixture gives the application state their handles.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "app_fixture.h"
#include "ui/events.h"
#include "ui/gadget_list.h"
#include "ui/gadgets.h"
#include "ui/statusbar.h"
#include "ui/window.h"

namespace app_window {

struct Window {
    int64_t window = 0;
    HWND status = nullptr;
    int64_t left = 0, right = 0, x_plus = 0, y_plus = 0, x_minus = 0, y_minus = 0, xy_plus = 0, xy_minus = 0;
};
inline Window w;

// The status fields as a fresh start shows them: raised, centred labels.
inline void show_labels() {
    const char* labels[] = {"B:", "H:", "XS:", "YS:", "XE:", "YE:"};
    for (int i = 0; i < 6; ++i) status_bar_text(0, i, labels[i], 5);
}

inline void build_window() {
    init_event_posting();
    init_window_library();
    init_gadget_library();
    init_common_controls();
    init_status_bars();
    w.window = open_window(AUTO_ID, 0, 0, 1330, 680, "", 0xCA0001);
    set_window_color(w.window, RGB(192, 192, 192));
    w.status = reinterpret_cast<HWND>(create_status_bar(0, window_handle(w.window)));
    for (int i = 0; i < 6; ++i) add_status_bar_field(60);
    show_labels();
    w.left = image_gadget(AUTO_ID, 10, 10, 600, 600, 0);
    w.right = image_gadget(AUTO_ID, 720, 10, 600, 600, 0);
    w.x_plus = button_gadget(AUTO_ID, 10, 620, 30, 30, "X+");
    w.y_plus = button_gadget(AUTO_ID, 170, 620, 30, 30, "Y+");
    w.x_minus = button_gadget(AUTO_ID, 110, 620, 30, 30, "X-");
    w.y_minus = button_gadget(AUTO_ID, 270, 620, 30, 30, "Y-");
    w.xy_plus = button_gadget(AUTO_ID, 340, 620, 30, 30, "XY+");
    w.xy_minus = button_gadget(AUTO_ID, 440, 620, 30, 30, "XY-");
}

inline std::string status_text(int field) {
    char text[256] = {};
    SendMessageA(w.status, SB_GETTEXTA, field, reinterpret_cast<LPARAM>(text));
    return text;
}

inline std::vector<std::string> status_texts() {
    std::vector<std::string> out;
    for (int i = 0; i < 6; ++i) out.push_back(status_text(i));
    return out;
}

inline void pump(int ms) {
    const DWORD end = GetTickCount() + ms;
    while (static_cast<LONG>(GetTickCount() - end) < 0) wait_window_event(5);
    while (take_next_event()) {
    }
}

class WindowedApp : public AppFixture {
protected:
    static void SetUpTestSuite() {
        if (!w.window) build_window();
    }
    void SetUp() override {
        AppFixture::SetUp();
        ASSERT_NE(w.window, 0);
        ASSERT_NE(w.status, nullptr);
        app.window = w.window;
        app.left_image_gadget = w.left;
        app.right_image_gadget = w.right;
        app.x_plus_button = w.x_plus;
        app.y_plus_button = w.y_plus;
        app.x_minus_button = w.x_minus;
        app.y_minus_button = w.y_minus;
        app.xy_plus_button = w.xy_plus;
        app.xy_minus_button = w.xy_minus;
        set_gadget_state(w.left, 0);
        set_gadget_state(w.right, 0);
        show_labels();
    }
    void TearDown() override {
        set_gadget_state(w.left, 0);
        set_gadget_state(w.right, 0);
        pump(10);
        AppFixture::TearDown();
    }
};

}  // namespace app_window
