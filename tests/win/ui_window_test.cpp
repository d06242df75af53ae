// Toolkit windows in real windows: the message-to-event rows of the window
// procedure, wait_window_event, cross-thread posting, closing and colours.
#include <cstring>

#include "core/memory.h"
#include "ui/gadget_list.h"
#include "ui/window_internal.h"
#include "ui_test_support.h"

namespace {

// One window for the whole suite: under Wine without a window manager every
// top-level window that goes away costs about two seconds.
class ToolkitWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        start_toolkit();
        id = open_window(AUTO_ID, 40, 40, 300, 200, "toolkit test", 0x00CA0000);
        hwnd = reinterpret_cast<HWND>(window_handle(id));
    }
    static void TearDownTestSuite() {
        close_window(id);
        pump_events(10);
    }
    void SetUp() override {
        ASSERT_NE(id, 0);
        ASSERT_NE(hwnd, nullptr);
        SetWindowPos(hwnd, HWND_TOP, 40, 40, 0, 0, SWP_NOSIZE);
        pump_events(60);
    }
    static inline int64_t id = 0;
    static inline HWND hwnd = nullptr;
};

TEST_F(ToolkitWindow, OpensWithItsPropertiesClassAndSizes) {
    EXPECT_EQ(reinterpret_cast<intptr_t>(GetPropA(hwnd, "Qz_WindowID")), id + 1);
    char name[80], expected[80];
    GetClassNameA(hwnd, name, sizeof name);
    std::snprintf(expected, sizeof expected, "WindowClass_%lld", static_cast<long long>(id));
    EXPECT_STREQ(name, expected);
    EXPECT_EQ(window_width(id), 300);
    EXPECT_EQ(window_height(id), 200);
    EXPECT_GT(window_width(id, WINDOW_OUTER), 300);
    EXPECT_GT(window_height(id, WINDOW_OUTER), 200);
    EXPECT_EQ(window_width(12345), 0);
    EXPECT_EQ(window_handle(12345), 0);
    EXPECT_EQ(current_gadget_list(), reinterpret_cast<intptr_t>(hwnd));

    // A numbered window returns its HWND; the number works as its id.
    int64_t numbered = open_window(3, IGNORE_ARG, 0, 120, 80, nullptr, WINDOW_HIDDEN);
    ASSERT_NE(numbered, 0);
    EXPECT_EQ(numbered, window_handle(3));
    EXPECT_EQ(window_width(3), 120);
    // A hidden window is shown by no one; its events are still the toolkit's.
    SendMessageA(reinterpret_cast<HWND>(numbered), WM_CLOSE, 0, 0);
    EXPECT_EQ(only(queued_events(), {EVENT_CLOSE_WINDOW}), (std::vector<TakenEvent>{{EVENT_CLOSE_WINDOW, 3, 3, 0}}));
    HWND w3 = reinterpret_cast<HWND>(numbered);
    EXPECT_TRUE(GetWindowLongA(w3, GWL_STYLE) & WS_CAPTION);  // no style bits: a caption is added
    EXPECT_FALSE(IsWindowVisible(w3));
    // Re-using the number replaces the window.
    int64_t again = open_window(3, 0, 0, 100, 60, "again", WINDOW_TOOL | WINDOW_HIDDEN | WINDOW_NO_GADGET_LIST);
    ASSERT_NE(again, 0);
    EXPECT_FALSE(IsWindow(w3));
    HWND tool = reinterpret_cast<HWND>(again);
    EXPECT_TRUE(GetWindowLongA(tool, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    EXPECT_FALSE(IsWindowVisible(tool));
    EXPECT_EQ(current_gadget_list(), 0);  // the list window was replaced; a flag-8 window is no list
    close_window(3);
    EXPECT_FALSE(IsWindow(tool));
    EXPECT_EQ(window_handle(3), 0);
}

TEST_F(ToolkitWindow, SizeMessagesGiveTheirEventSequences) {
    queued_events();
    SendMessageA(hwnd, WM_SIZE, SIZE_MINIMIZED, 0);
    EXPECT_EQ(queued_events(), (std::vector<TakenEvent>{{EVENT_WINDOW_MINIMIZED, 0, id, 0}}));
    SendMessageA(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(300, 200));
    EXPECT_EQ(queued_events(),
              (std::vector<TakenEvent>{{EVENT_WINDOW_RESTORED, 0, id, 0}, {EVENT_WINDOW_SIZED, 0, id, 0}}));
    SendMessageA(hwnd, WM_SIZE, SIZE_MAXIMIZED, MAKELPARAM(600, 400));
    EXPECT_EQ(queued_events(),
              (std::vector<TakenEvent>{{EVENT_WINDOW_MAXIMIZED, 0, id, 0}, {EVENT_WINDOW_SIZED, 0, id, 0}}));
    SendMessageA(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(300, 200));
    EXPECT_EQ(queued_events(),
              (std::vector<TakenEvent>{{EVENT_WINDOW_RESTORED, 0, id, 0}, {EVENT_WINDOW_SIZED, 0, id, 0}}));
    // A plain resize: only the sized event.
    SendMessageA(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(310, 200));
    EXPECT_EQ(queued_events(), (std::vector<TakenEvent>{{EVENT_WINDOW_SIZED, 0, id, 0}}));

    // The same through the platform.
    ShowWindow(hwnd, SW_MINIMIZE);
    auto sized = only(pump_events(), {EVENT_WINDOW_MINIMIZED, EVENT_WINDOW_MAXIMIZED, EVENT_WINDOW_RESTORED,
                                      EVENT_WINDOW_SIZED});
    EXPECT_EQ(sized, (std::vector<TakenEvent>{{EVENT_WINDOW_MINIMIZED, 0, id, 0}}));
    ShowWindow(hwnd, SW_RESTORE);
    sized = only(pump_events(), {EVENT_WINDOW_MINIMIZED, EVENT_WINDOW_MAXIMIZED, EVENT_WINDOW_RESTORED,
                                 EVENT_WINDOW_SIZED});
    EXPECT_EQ(sized, (std::vector<TakenEvent>{{EVENT_WINDOW_RESTORED, 0, id, 0}, {EVENT_WINDOW_SIZED, 0, id, 0}}));
    SetWindowPos(hwnd, nullptr, 0, 0, 400, 300, SWP_NOMOVE | SWP_NOZORDER);
    sized = only(pump_events(), {EVENT_WINDOW_MINIMIZED, EVENT_WINDOW_MAXIMIZED, EVENT_WINDOW_RESTORED,
                                 EVENT_WINDOW_SIZED});
    EXPECT_EQ(sized, (std::vector<TakenEvent>{{EVENT_WINDOW_SIZED, 0, id, 0}}));
}

TEST_F(ToolkitWindow, CloseButtonOnlyPostsTheCloseEvent) {
    queued_events();
    SendMessageA(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    auto events = pump_events();
    EXPECT_EQ(only(events, {EVENT_CLOSE_WINDOW}), (std::vector<TakenEvent>{{EVENT_CLOSE_WINDOW, id, id, 0}}));
    EXPECT_TRUE(IsWindow(hwnd));
    EXPECT_EQ(window_handle(id), reinterpret_cast<intptr_t>(hwnd));
}

TEST_F(ToolkitWindow, MoveActivateEraseTimerAndClickRows) {
    queued_events();
    SetWindowPos(hwnd, nullptr, 70, 90, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(only(pump_events(), {EVENT_WINDOW_MOVED}), (std::vector<TakenEvent>{{EVENT_WINDOW_MOVED, id, id, 0}}));

    SendMessageA(hwnd, WM_ACTIVATE, WA_INACTIVE, 0);
    SendMessageA(hwnd, WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_EQ(queued_events(), (std::vector<TakenEvent>{{EVENT_WINDOW_DEACTIVATED, 0, id, 0},
                                                        {EVENT_WINDOW_ACTIVATED, 0, id, 0}}));

    // Erasing posts a repaint whether or not the window has a brush.
    HDC dc = GetDC(hwnd);
    EXPECT_EQ(SendMessageA(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0), 1);  // class brush, default
    ReleaseDC(hwnd, dc);
    EXPECT_EQ(queued_events(), (std::vector<TakenEvent>{{EVENT_REPAINT, 0, id, 0}}));

    SetTimer(hwnd, 5, 10, nullptr);
    auto timer = only(pump_events(100), {EVENT_TIMER});
    KillTimer(hwnd, 5);
    ASSERT_FALSE(timer.empty());
    EXPECT_EQ(timer[0], (TakenEvent{EVENT_TIMER, 5, id, 0}));
    pump_events(20);

    SendMessageA(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    SendMessageA(hwnd, WM_RBUTTONUP, 0, MAKELPARAM(5, 5));
    SendMessageA(hwnd, WM_LBUTTONDBLCLK, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(queued_events(), (std::vector<TakenEvent>{{EVENT_LEFT_CLICK, 0, id, 0},
                                                        {EVENT_RIGHT_CLICK, 0, id, 0},
                                                        {EVENT_LEFT_DOUBLE_CLICK, 0, id, 0}}));

    const LPARAM tray[] = {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_LBUTTONDBLCLK, WM_RBUTTONDBLCLK, WM_MOUSEMOVE};
    for (LPARAM l : tray) SendMessageA(hwnd, 12501, 44, l);
    EXPECT_EQ(queued_events(), (std::vector<TakenEvent>{{EVENT_TRAY, 44, id, 0},
                                                        {EVENT_TRAY, 44, id, 1},
                                                        {EVENT_TRAY, 44, id, 2},
                                                        {EVENT_TRAY, 44, id, 3}}));
}

TEST_F(ToolkitWindow, CommandRowsForControlsMenusAndTabCommands) {
    HWND control = CreateWindowExA(0, "BUTTON", "b", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 5, 5, 50, 20, hwnd,
                                   reinterpret_cast<HMENU>(77), module_instance(), nullptr);
    HWND menu_control = CreateWindowExA(0, "BUTTON", "m", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 60, 5, 50, 20, hwnd,
                                        nullptr, module_instance(), nullptr);
    SetWindowLongPtrA(menu_control, GWLP_ID, -10000);
    pump_events(30);

    SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(77, BN_CLICKED), reinterpret_cast<LPARAM>(control));
    SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(77, 0x300), reinterpret_cast<LPARAM>(control));
    SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(0x1234, 5), reinterpret_cast<LPARAM>(menu_control));
    SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(901, 0), 0);                       // menu item
    SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(902, 1), 0);                       // accelerator
    SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(0xFA01, 0), 0);                    // a menu item with that number
    EXPECT_EQ(queued_events(), (std::vector<TakenEvent>{{EVENT_GADGET, 77, id, 0},
                                                        {EVENT_GADGET, 77, id, 0x300},
                                                        {EVENT_MENU, 0x1234, id, 0},
                                                        {EVENT_MENU, 901, id, 0},
                                                        {EVENT_MENU, 902, id, EVENT_TYPE_SHORTCUT},
                                                        {EVENT_MENU, 0xFA01, id, 0}}));

    // The two Tab commands move the focus and queue nothing.
    SetActiveWindow(hwnd);
    SetFocus(control);
    queued_events();
    SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(0xFA01, 1), 0);
    EXPECT_EQ(GetFocus(), menu_control);
    SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(0xFA02, 1), 0);
    EXPECT_EQ(GetFocus(), control);
    EXPECT_EQ(count_code(queued_events(), EVENT_MENU), 0);
    DestroyWindow(control);
    DestroyWindow(menu_control);
}

TEST_F(ToolkitWindow, WaitReturnsAtOnceTimesOutOrWaitsForAMessage) {
    pump_events(30);
    EXPECT_EQ(wait_window_event(0), 0);
    // (How long the waits take is measured by a benchmark.)
    int32_t got = -1;
    for (int i = 0; i < 5 && got != 0; ++i) got = wait_window_event(20);
    EXPECT_EQ(got, 0);

    // -1 waits until a message arrives from elsewhere.
    struct Poster {
        HWND target;
        static DWORD WINAPI run(void* p) {
            Sleep(80);
            PostMessageA(static_cast<Poster*>(p)->target, WM_USER + 7, 0, 0);
            return 0;
        }
    } poster{hwnd};
    DWORD start = GetTickCount();
    HANDLE thread = CreateThread(nullptr, 0, Poster::run, &poster, 0, nullptr);
    // Meanwhile 0 answers at once: had it waited, it would give the message.
    EXPECT_EQ(wait_window_event(0), 0);
    int32_t code;
    do code = wait_window_event(-1);
    while (code != WM_USER + 7);
    EXPECT_GE(GetTickCount() - start, 60u);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);

    // A queued event comes before any message; a message whose dispatch
    // queues events is returned first, its events follow.
    post_event(EVENT_GADGET, 5, id, 0);
    PostMessageA(hwnd, WM_LBUTTONUP, 0, 0);
    EXPECT_EQ(wait_window_event(0), EVENT_GADGET);
    do code = wait_window_event(0);
    while (code != WM_LBUTTONUP && code != 0);
    EXPECT_EQ(code, WM_LBUTTONUP);
    EXPECT_EQ(wait_window_event(0), EVENT_LEFT_CLICK);
    EXPECT_EQ(event_window(), id);
}

// A record laid out as the hidden window's message describes it, in a live
// block of the runtime heap, but not made by post_event_from_thread.
unsigned char* lookalike_record(int32_t code) {
    auto* record = static_cast<unsigned char*>(runtime_alloc(48));
    const int64_t object = 32, window = 5, type = 9;
    std::memcpy(record + 8, &code, 4);
    std::memcpy(record + 16, &object, 8);
    std::memcpy(record + 24, &window, 8);
    std::memcpy(record + 32, &type, 8);
    return record;
}

unsigned char* lookalike = nullptr;

DWORD WINAPI post_from_thread(void*) {
    EXPECT_TRUE(post_event_from_thread(20001, 31, 5, 9));
    // Anything else is ignored, not read or freed: a live block of ours
    // (what another process could name), a foreign address, a small value.
    PostMessageA(reinterpret_cast<HWND>(post_event_window()), post_event_message(), 0,
                 reinterpret_cast<LPARAM>(lookalike));
    static unsigned char foreign[48];
    PostMessageA(reinterpret_cast<HWND>(post_event_window()), post_event_message(), 0,
                 reinterpret_cast<LPARAM>(foreign));
    PostMessageA(reinterpret_cast<HWND>(post_event_window()), post_event_message(), 0, 0x1234);
    return 0;
}

TEST_F(ToolkitWindow, AnotherThreadHandsAnEventOverThroughTheHiddenWindow) {
    ASSERT_NE(post_event_window(), 0);
    ASSERT_NE(post_event_message(), 0u);
    char name[64];
    GetClassNameA(reinterpret_cast<HWND>(post_event_window()), name, sizeof name);
    EXPECT_STREQ(name, "PostEventClass");
    EXPECT_FALSE(IsWindowVisible(reinterpret_cast<HWND>(post_event_window())));
    pump_events(20);
    lookalike = lookalike_record(20002);
    HANDLE thread = CreateThread(nullptr, 0, post_from_thread, nullptr, 0, nullptr);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    auto events = only(pump_events(), {20001, 20002});
    EXPECT_EQ(events, (std::vector<TakenEvent>{{20001, 31, 5, 9}}));
    // The look-alike is still ours, untouched.
    ASSERT_TRUE(runtime_block_valid(lookalike));
    int32_t code = 0;
    std::memcpy(&code, lookalike + 8, 4);
    EXPECT_EQ(code, 20002);
    runtime_free(lookalike);
}

TEST_F(ToolkitWindow, ClosingPurgesExactlyThatWindowsEvents) {
    int64_t other = open_window(AUTO_ID, 10, 10, 100, 100, "other", 0x10CA0000);
    ASSERT_NE(other, 0);
    pump_events(40);
    post_event(EVENT_GADGET, 1, id, 0);
    post_event(EVENT_GADGET, 2, other, 0);
    post_event(EVENT_MENU, 3, id, 0);
    post_event(EVENT_GADGET, 4, other, 0);
    post_event(EVENT_TIMER, 5, id, 0);
    close_window(other);
    auto events = queued_events();
    // Closing may deactivate and repaint; only our window's three events and
    // nothing of the other's may be there.
    std::vector<TakenEvent> ours;
    for (const TakenEvent& e : events) {
        EXPECT_NE(e.window, other);
        if (e.code == EVENT_GADGET || e.code == EVENT_MENU || e.code == EVENT_TIMER) ours.push_back(e);
    }
    EXPECT_EQ(ours, (std::vector<TakenEvent>{{EVENT_GADGET, 1, id, 0}, {EVENT_MENU, 3, id, 0},
                                             {EVENT_TIMER, 5, id, 0}}));
    EXPECT_EQ(window_handle(other), 0);
    close_window(other);  // closing again does nothing
}

TEST_F(ToolkitWindow, CentringOnANarrowScreenAndSystemPlacement) {
    const int screen = GetSystemMetrics(SM_CXSCREEN);
    int64_t wide = open_window(AUTO_ID, 500, 500, screen + 300, 100, "wide", 0x10C80001);
    ASSERT_NE(wide, 0);
    RECT r;
    GetWindowRect(reinterpret_cast<HWND>(window_handle(wide)), &r);
    EXPECT_EQ(r.left, 0);
    close_window(wide);

    int64_t small = open_window(AUTO_ID, 500, 500, 200, 100, "small", 0x10C80001);
    ASSERT_NE(small, 0);
    GetWindowRect(reinterpret_cast<HWND>(window_handle(small)), &r);
    EXPECT_EQ(r.left, (screen - (r.right - r.left)) / 2);
    EXPECT_EQ(r.top, (GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2);

    // Centred on a parent.
    int64_t child = open_window(AUTO_ID, 0, 0, 60, 40, "child", 0x10C80002, window_handle(small));
    ASSERT_NE(child, 0);
    RECT c;
    GetWindowRect(reinterpret_cast<HWND>(window_handle(child)), &c);
    EXPECT_EQ(c.left, r.left + ((r.right - r.left) - (c.right - c.left)) / 2);
    close_window(child);
    close_window(small);
    pump_events(20);
}

COLORREF client_pixel(HWND w) {
    pump_events(60);
    HDC dc = GetDC(w);
    COLORREF c = GetPixel(dc, 150, 100);
    ReleaseDC(w, dc);
    return c;
}

TEST_F(ToolkitWindow, BackgroundColourRedrawsOnlyOnChangeAndMinusOneRestoresTheClassBrush) {
    SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
    pump_events(40);
    set_window_color(id, RGB(192, 192, 192) ^ 0x102030);
    EXPECT_EQ(client_pixel(hwnd), static_cast<COLORREF>(RGB(192, 192, 192) ^ 0x102030));

    set_window_color(id, RGB(192, 192, 192));
    auto events = pump_events(60);
    EXPECT_GE(count_code(events, EVENT_REPAINT), 1);
    EXPECT_EQ(client_pixel(hwnd), RGB(192, 192, 192));

    set_window_color(id, RGB(192, 192, 192));  // unchanged: no redraw
    EXPECT_EQ(count_code(pump_events(60), EVENT_REPAINT), 0);

    set_window_color(id, -1);
    EXPECT_EQ(client_pixel(hwnd), GetSysColor(COLOR_BTNFACE));
    set_window_color(987654, 0);  // no such window: nothing happens
}

}  // namespace

namespace {

int syscolor_messages = 0;
WNDPROC static_procedure = nullptr;
LRESULT CALLBACK count_syscolor(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_SYSCOLORCHANGE) ++syscolor_messages;
    return CallWindowProcA(static_procedure, w, m, wp, lp);
}

TEST_F(ToolkitWindow, TrackingSizeOfToolWindowsAndSystemColoursForDescendants) {
    const int64_t tool = open_window(AUTO_ID, 0, 0, 100, 50, "tool", WINDOW_TOOL | WINDOW_HIDDEN | WINDOW_NO_GADGET_LIST);
    ASSERT_NE(tool, 0);
    HWND tool_window = reinterpret_cast<HWND>(window_handle(tool));
    EXPECT_TRUE(GetWindowLongA(tool_window, GWL_STYLE) & WS_CAPTION);
    MINMAXINFO mm = {};
    mm.ptMinTrackSize = {100, 100};
    EXPECT_EQ(SendMessageA(tool_window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mm)), 0);
    EXPECT_EQ(mm.ptMinTrackSize.x, 1);
    EXPECT_EQ(mm.ptMinTrackSize.y, 100);
    mm.ptMinTrackSize = {100, 100};
    SendMessageA(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mm));
    EXPECT_EQ(mm.ptMinTrackSize.x, 100);
    close_window(tool);

    // A system colour change reaches every descendant, grandchildren too.
    HWND child = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 0, 0, 20, 20, hwnd, nullptr,
                                 module_instance(), nullptr);
    HWND grandchild = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 0, 0, 5, 5, child, nullptr,
                                      module_instance(), nullptr);
    static_procedure = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(child, GWLP_WNDPROC));
    SetWindowLongPtrA(child, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(count_syscolor));
    SetWindowLongPtrA(grandchild, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(count_syscolor));
    syscolor_messages = 0;
    SendMessageA(hwnd, WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_EQ(syscolor_messages, 2);
    DestroyWindow(child);
}

}  // namespace
