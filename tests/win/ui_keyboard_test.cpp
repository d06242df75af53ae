// Keyboard navigation and the sizing loop, driven through the system's input
// path (SendInput) and through the messages the loop handles.
#include "app/model/command_table.h"
#include "ui/window_internal.h"
#include "ui_test_support.h"

namespace {

class KeyboardWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        start_toolkit();
        id = open_window(AUTO_ID, 100, 100, 400, 200, "keys", 0x00CA0000);
        ASSERT_NE(id, 0);
        hwnd = reinterpret_cast<HWND>(window_handle(id));
        const char* names[] = {"one", "disabled", "two", "hidden", "plain", "three"};
        for (int i = 0; i < 6; ++i) {
            DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
            if (i == 3) style &= ~WS_VISIBLE;
            if (i == 4) style &= ~WS_TABSTOP;
            buttons[i] = CreateWindowExA(0, "BUTTON", names[i], style, 5 + 60 * i, 5, 55, 24, hwnd,
                                         reinterpret_cast<HMENU>(static_cast<intptr_t>(100 + i)), module_instance(),
                                         nullptr);
        }
        EnableWindow(buttons[1], FALSE);
    }
    static void TearDownTestSuite() {
        close_window(id);
        pump_events(10);
    }
    void SetUp() override {
        ASSERT_NE(id, 0);
        SetForegroundWindow(hwnd);
        SetActiveWindow(hwnd);
        pump_events(60);
    }
    void press(std::initializer_list<WORD> keys) {
        send_keys(keys);
        events = pump_events(80);
    }
    static inline int64_t id = 0;
    static inline HWND hwnd = nullptr;
    static inline HWND buttons[6] = {};
    std::vector<TakenEvent> events;
};

TEST_F(KeyboardWindow, TabAndShiftTabWrapAndSkipWhatIsNoTabStop) {
    ASSERT_EQ(GetActiveWindow(), hwnd);
    SetFocus(buttons[0]);
    // Forward: one -> two -> three -> (wrap) one; disabled, hidden and plain are skipped.
    HWND forward[] = {buttons[2], buttons[5], buttons[0]};
    for (HWND expected : forward) {
        press({VK_TAB});
        EXPECT_EQ(GetFocus(), expected);
        EXPECT_EQ(count_code(events, EVENT_MENU) + count_code(events, EVENT_GADGET), 0);
    }
    // Backward from the first wraps to the last.
    HWND backward[] = {buttons[5], buttons[2], buttons[0]};
    for (HWND expected : backward) {
        press({VK_SHIFT, VK_TAB});
        EXPECT_EQ(GetFocus(), expected);
        EXPECT_EQ(count_code(events, EVENT_MENU) + count_code(events, EVENT_GADGET), 0);
    }

    // With nothing focused: Tab gives the first, Shift+Tab the last.
    SetFocus(nullptr);
    SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(COMMAND_FOCUS_NEXT, 1), 0);
    EXPECT_EQ(GetFocus(), buttons[0]);
    SetFocus(nullptr);
    SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(COMMAND_FOCUS_PREVIOUS, 1), 0);
    EXPECT_EQ(GetFocus(), buttons[5]);
    // From a control that is no tab stop, forward stays and backward goes to the last.
    SetFocus(buttons[4]);
    SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(COMMAND_FOCUS_NEXT, 1), 0);
    EXPECT_EQ(GetFocus(), buttons[4]);
    SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(COMMAND_FOCUS_PREVIOUS, 1), 0);
    EXPECT_EQ(GetFocus(), buttons[5]);
}

// Wine keeps no keyboard-cue state (WM_QUERYUISTATE always answers 0), so the
// window keeps it here the way the platform does, and records the updates.
LRESULT ui_state = 0;
std::vector<WPARAM> ui_updates;
WNDPROC toolkit_proc = nullptr;
LRESULT CALLBACK cue_state_proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_QUERYUISTATE) return ui_state;
    if (m == WM_UPDATEUISTATE) {
        ui_updates.push_back(wp);
        if (LOWORD(wp) == UIS_SET) ui_state |= HIWORD(wp);
        if (LOWORD(wp) == UIS_CLEAR) ui_state &= ~static_cast<LRESULT>(HIWORD(wp));
    }
    return CallWindowProcA(toolkit_proc, w, m, wp, lp);
}

TEST_F(KeyboardWindow, AltShowsHiddenCuesAndDeactivationHidesThem) {
    toolkit_proc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(cue_state_proc)));
    SetFocus(buttons[0]);
    ui_state = 3;
    ui_updates.clear();
    press({VK_MENU});
    EXPECT_EQ(ui_state, 0);
    EXPECT_EQ(ui_updates, (std::vector<WPARAM>{0x30002}));
    ui_updates.clear();
    press({VK_MENU});  // already shown: nothing to update
    EXPECT_TRUE(ui_updates.empty());

    SendMessageA(hwnd, WM_ACTIVATE, WA_INACTIVE, 0);
    EXPECT_EQ(ui_state, 3);
    EXPECT_EQ(ui_updates, (std::vector<WPARAM>{0x30001}));
    ui_updates.clear();
    SendMessageA(hwnd, WM_ACTIVATE, WA_INACTIVE, 0);  // already hidden
    EXPECT_TRUE(ui_updates.empty());

    // The focus at deactivation comes back with activation.
    SetFocus(buttons[5]);
    SendMessageA(hwnd, WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_EQ(GetFocus(), buttons[0]);
    SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(toolkit_proc));
}

class SizingWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        start_toolkit();
        BOOL full = FALSE;
        SystemParametersInfoA(SPI_GETDRAGFULLWINDOWS, 0, &full, 0);
        if (!full) SystemParametersInfoA(SPI_SETDRAGFULLWINDOWS, TRUE, nullptr, 0);
        id = open_window(AUTO_ID, 200, 150, 300, 200, "size me", 0x00CF0000);
        hwnd = reinterpret_cast<HWND>(window_handle(id));
    }
    static void TearDownTestSuite() {
        close_window(id);
        pump_events(10);
    }
    void SetUp() override {
        ASSERT_NE(id, 0);
        SetWindowPos(hwnd, HWND_TOP, 200, 150, 320, 240, 0);
        SetForegroundWindow(hwnd);
        SetActiveWindow(hwnd);
        SetFocus(hwnd);
        pump_events(60);
    }
    void TearDown() override {
        if (GetCapture() == hwnd) ReleaseCapture();
    }
    RECT outer() {
        RECT r;
        GetWindowRect(hwnd, &r);
        return r;
    }
    void mouse_to_screen(int x, int y) {
        POINT p = {x, y};
        ScreenToClient(hwnd, &p);
        SendMessageA(hwnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(p.x, p.y));
    }
    static inline int64_t id = 0;
    static inline HWND hwnd = nullptr;
};

TEST_F(SizingWindow, MouseMovesTheEdgeWithinTheTrackingSizes) {
    const RECT start = outer();
    SendMessageA(hwnd, WM_SYSCOMMAND, SC_SIZE | WMSZ_RIGHT, 0);
    ASSERT_EQ(GetCapture(), hwnd);

    mouse_to_screen(start.right + 48, start.top + 20);
    RECT r = outer();
    EXPECT_EQ(r.left, start.left);
    EXPECT_EQ(r.right, start.right + 50);

    // Far to the left: held at the minimum tracking width.
    mouse_to_screen(start.left - 500, start.top + 20);
    r = outer();
    EXPECT_EQ(r.right - r.left, GetSystemMetrics(SM_CXMINTRACK));
    EXPECT_EQ(r.left, start.left);
    // Far to the right: never wider than the maximum.
    mouse_to_screen(start.left + 30000, start.top + 20);
    r = outer();
    EXPECT_LE(r.right - r.left, GetSystemMetrics(SM_CXMAXTRACK));
    EXPECT_GE(r.right - r.left, GetSystemMetrics(SM_CXMAXTRACK) - 2);

    // The button's release ends the loop; later moves size nothing.
    SendMessageA(hwnd, WM_LBUTTONUP, 0, 0);
    EXPECT_NE(GetCapture(), hwnd);
    const RECT after = outer();
    mouse_to_screen(start.right, start.top + 20);
    r = outer();
    EXPECT_EQ(r.right, after.right);
    pump_events(40);
}

TEST_F(SizingWindow, ArrowKeysPickAnEdgeResizeInStepsAndEscapeKeepsTheSize) {
    const RECT start = outer();
    SetCursorPos(start.left + 50, start.top + 50);
    SendMessageA(hwnd, WM_SYSCOMMAND, SC_SIZE, 0);  // from the system menu: no edge yet
    ASSERT_EQ(GetCapture(), hwnd);

    SendMessageA(hwnd, WM_KEYDOWN, VK_RIGHT, 0);  // picks the right edge, cursor onto it
    POINT p;
    GetCursorPos(&p);
    EXPECT_EQ(p.x, start.right - 2);
    EXPECT_EQ(outer().right, start.right);
    SendMessageA(hwnd, WM_KEYDOWN, VK_RIGHT, 0);
    SendMessageA(hwnd, WM_KEYDOWN, VK_RIGHT, 0);
    EXPECT_EQ(outer().right, start.right + 20);
    EXPECT_EQ(outer().left, start.left);

    // Down turns the right edge into the bottom-right corner.
    SendMessageA(hwnd, WM_KEYDOWN, VK_DOWN, 0);
    SendMessageA(hwnd, WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(outer().bottom, start.bottom + 10);

    // Shrinking stops at the minimum tracking width.
    for (int i = 0; i < 80; ++i) SendMessageA(hwnd, WM_KEYDOWN, VK_LEFT, 0);
    RECT r = outer();
    EXPECT_EQ(r.right - r.left, GetSystemMetrics(SM_CXMINTRACK));

    SendMessageA(hwnd, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_NE(GetCapture(), hwnd);
    pump_events(60);
    RECT kept = outer();
    EXPECT_EQ(kept.right - kept.left, GetSystemMetrics(SM_CXMINTRACK));
    EXPECT_EQ(kept.bottom, start.bottom + 10);
    // Keyboard sizing puts the cursor back where it was.
    GetCursorPos(&p);
    EXPECT_EQ(p.x, start.left + 50);
    EXPECT_EQ(p.y, start.top + 50);
}

}  // namespace
