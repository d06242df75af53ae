// Status bars in real windows: the layout read back from the status window,
// the texts and styles it reports, re-layout on resizing and the clean-up.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/statusbar.h"
#include "ui/theme.h"
#include "ui_test_support.h"

namespace {

int parent_sizes = 0;      // WM_SIZE messages the plain parents' own procedure saw
LPARAM last_parent_size = 0;

LRESULT CALLBACK parent_proc(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_SIZE) {
        ++parent_sizes;
        last_parent_size = l;
    }
    return DefWindowProcA(window, message, w, l);
}

HWND plain_parent(DWORD style, int width, int height, HWND owner = nullptr) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = parent_proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = "StatusBarTestParent";
    RegisterClassA(&wc);  // once; later calls fail harmlessly
    RECT r = {0, 0, width, height};
    if (!(style & WS_CHILD)) AdjustWindowRect(&r, style, FALSE);
    return CreateWindowA("StatusBarTestParent", "status bar test", style | WS_VISIBLE, 0, 0, r.right - r.left,
                         r.bottom - r.top, owner, nullptr, wc.hInstance, nullptr);
}

void set_client_size(HWND window, int width, int height) {
    RECT r = {0, 0, width, height};
    AdjustWindowRect(&r, static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)), FALSE);
    SetWindowPos(window, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER);
}

HWND as_hwnd(int64_t value) { return reinterpret_cast<HWND>(static_cast<intptr_t>(value)); }

HWND status_window(int64_t id) {
    struct Record {
        HWND handle;
    };
    auto* record = static_cast<Record*>(find_object(status_bar_registry(), id));
    return record ? record->handle : nullptr;
}

std::vector<int> parts(HWND status) {
    int n = static_cast<int>(SendMessageA(status, SB_GETPARTS, 0, 0));
    std::vector<int> edges(n > 0 ? n : 0);
    if (n > 0) SendMessageA(status, SB_GETPARTS, n, reinterpret_cast<LPARAM>(edges.data()));
    return edges;
}

struct FieldText {
    std::string text;
    int style;  // SBT_POPOUT, SBT_NOBORDERS or 0
    bool operator==(const FieldText&) const = default;
};

void PrintTo(const FieldText& f, std::ostream* os) { *os << "{\"" << f.text << "\", " << std::hex << f.style << "}"; }

FieldText field_text(HWND status, int field) {
    char text[300] = {};
    LRESULT answer = SendMessageA(status, SB_GETTEXTA, field, reinterpret_cast<LPARAM>(text));
    return {text, HIWORD(answer) & (SBT_POPOUT | SBT_NOBORDERS)};
}

const std::vector<int> SIXTY = {60, 120, 180, 240, 300, 360};

// Top-level windows are made once: under Wine without a window manager each
// one that goes away costs about two seconds.
class StatusBar : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        start_toolkit();
        fixed = plain_parent(WS_CAPTION | WS_SYSMENU, 500, 300);
        sizeable = plain_parent(WS_OVERLAPPEDWINDOW, 400, 300);
        toolkit = open_window(AUTO_ID, 0, 0, 1330, 680, "status bar test", 0x00CA0000);
    }
    static void TearDownTestSuite() {
        free_status_bar(-1);
        DestroyWindow(fixed);
        DestroyWindow(sizeable);
        close_window(toolkit);
        pump_events(10);
    }
    void SetUp() override {
        ASSERT_TRUE(fixed && sizeable && toolkit);
        pump_events(20);
    }
    void TearDown() override { free_status_bar(-1); }

    static inline HWND fixed = nullptr, sizeable = nullptr;
    static inline int64_t toolkit = 0;
};

TEST_F(StatusBar, CreationSubclassesDocksAndTellsTheParent) {
    parent_sizes = 0;
    int64_t made = create_status_bar(7, reinterpret_cast<intptr_t>(fixed));
    HWND status = FindWindowExA(fixed, nullptr, STATUSCLASSNAMEA, nullptr);
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(as_hwnd(made), status);  // a number gives the status window
    EXPECT_EQ(status_window(7), status);
    EXPECT_EQ(static_cast<UINT>(GetDlgCtrlID(status)), 0xE404040Fu);

    EXPECT_EQ(reinterpret_cast<intptr_t>(GetPropA(fixed, "qz_statusbar_id")), 8);
    EXPECT_NE(GetPropA(fixed, "qz_statusbar_callback"), nullptr);
    EXPECT_NE(GetPropA(status, "qz_statusbar_callback"), nullptr);
    EXPECT_GE(parent_sizes, 1);  // the parent's own procedure heard of the new bar
    EXPECT_EQ(last_parent_size, MAKELPARAM(500, 300));

    // Docked along the bottom, across the whole client width.
    RECT bar, client;
    GetWindowRect(status, &bar);
    MapWindowPoints(nullptr, fixed, reinterpret_cast<POINT*>(&bar), 2);
    GetClientRect(fixed, &client);
    EXPECT_EQ(bar.bottom, client.bottom);
    EXPECT_EQ(bar.left, 0);
    EXPECT_EQ(bar.right, client.right);
    EXPECT_GE(bar.bottom - bar.top, 18);

    free_status_bar(7);
    EXPECT_FALSE(IsWindow(status));
    EXPECT_EQ(status_window(7), nullptr);
    EXPECT_EQ(GetPropA(fixed, "qz_statusbar_id"), nullptr);
    // The parent stays subclassed, and its messages still reach its procedure.
    parent_sizes = 0;
    SendMessageA(fixed, WM_SIZE, SIZE_RESTORED, MAKELPARAM(500, 300));
    EXPECT_EQ(parent_sizes, 1);

    // AUTO_ID gives the record's handle, which works as the id.
    int64_t automatic = create_status_bar(AUTO_ID, reinterpret_cast<intptr_t>(fixed));
    ASSERT_NE(automatic, 0);
    HWND auto_status = status_window(automatic);
    ASSERT_NE(auto_status, nullptr);
    EXPECT_NE(as_hwnd(automatic), auto_status);
    EXPECT_EQ(reinterpret_cast<intptr_t>(GetPropA(fixed, "qz_statusbar_id")), automatic + 1);
    free_status_bar(automatic);
    EXPECT_FALSE(IsWindow(auto_status));
    EXPECT_EQ(status_window(automatic), nullptr);

    // Re-using a number replaces the old bar.
    HWND first = as_hwnd(create_status_bar(7, reinterpret_cast<intptr_t>(fixed)));
    HWND second = as_hwnd(create_status_bar(7, reinterpret_cast<intptr_t>(fixed)));
    EXPECT_FALSE(IsWindow(first));
    EXPECT_TRUE(IsWindow(second));
    EXPECT_EQ(status_window(7), second);

    // Without a parent there is no status window, and no record is left.
    EXPECT_EQ(create_status_bar(9, 0), 0);
    EXPECT_EQ(status_window(9), nullptr);
}

TEST_F(StatusBar, SixFieldsOf60InAToolkitWindowWhateverItsWidth) {
    HWND window = as_hwnd(window_handle(toolkit));
    queued_events();
    ASSERT_NE(create_status_bar(0, window_handle(toolkit)), 0);
    EXPECT_EQ(count_code(queued_events(), EVENT_WINDOW_SIZED), 1);
    for (int i = 0; i < 6; ++i) add_status_bar_field(60);
    for (int i = 0; i < 6; ++i) status_bar_text(0, i, "label", STATUS_RAISED | STATUS_CENTRED);
    HWND status = status_window(0);
    EXPECT_EQ(parts(status), SIXTY);
    EXPECT_EQ(field_text(status, 5), (FieldText{"\tlabel", SBT_POPOUT}));

    // Narrower: the status window docks to the new width, the fields stay.
    set_client_size(window, 400, 680);
    pump_events(30);
    RECT r;
    GetClientRect(status, &r);
    EXPECT_EQ(r.right, 400);
    EXPECT_EQ(parts(status), SIXTY);
    set_client_size(window, 1330, 680);
    pump_events(30);
}

TEST_F(StatusBar, SharedFieldsSplitTheWidthLeftAndLeaveRoomForTheGrip) {
    create_status_bar(1, reinterpret_cast<intptr_t>(fixed));
    add_status_bar_field(100);
    add_status_bar_field(IGNORE_ARG);
    add_status_bar_field(IGNORE_ARG);
    RECT r;
    GetClientRect(status_window(1), &r);
    ASSERT_EQ(r.right, 500);
    EXPECT_EQ(parts(status_window(1)), (std::vector<int>{100, 300, 500}));

    // A sizeable window keeps the bottom-right corner for the size grip.
    create_status_bar(2, reinterpret_cast<intptr_t>(sizeable));
    add_status_bar_field(IGNORE_ARG);
    HWND status = status_window(2);
    GetClientRect(status, &r);
    EXPECT_EQ(parts(status), (std::vector<int>{static_cast<int>(r.right - r.bottom + 3)}));

    // Maximised, there is no grip.
    ShowWindow(sizeable, SW_MAXIMIZE);
    pump_events(50);
    EXPECT_TRUE(IsZoomed(sizeable));
    if (IsZoomed(sizeable)) {
        GetClientRect(status, &r);
        EXPECT_EQ(parts(status), (std::vector<int>{static_cast<int>(r.right)}));
    }
    ShowWindow(sizeable, SW_RESTORE);
    pump_events(50);
    GetClientRect(status, &r);
    EXPECT_EQ(parts(status), (std::vector<int>{static_cast<int>(r.right - r.bottom + 3)}));
}

TEST_F(StatusBar, ResizingToTheSameClientSizeDoesNotLayOutAgain) {
    create_status_bar(3, reinterpret_cast<intptr_t>(fixed));
    for (int i = 0; i < 6; ++i) add_status_bar_field(60);
    HWND status = status_window(3);
    int other[2] = {10, 20};
    SendMessageA(status, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(other));

    SendMessageA(fixed, WM_SIZE, SIZE_RESTORED, MAKELPARAM(500, 300));
    EXPECT_EQ(parts(status), (std::vector<int>{10, 20}));
    set_client_size(fixed, 500, 300);  // the same size again
    EXPECT_EQ(parts(status), (std::vector<int>{10, 20}));

    set_client_size(fixed, 520, 300);
    EXPECT_EQ(parts(status), SIXTY);
    SendMessageA(status, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(other));
    SendMessageA(fixed, WM_SIZE, SIZE_MINIMIZED, 0);  // not a size the layout follows
    EXPECT_EQ(parts(status), (std::vector<int>{10, 20}));
    set_client_size(fixed, 500, 300);
    EXPECT_EQ(parts(status), SIXTY);
}

TEST_F(StatusBar, TextFlagsGiveStyleAndAlignmentAndBadIndicesChangeNothing) {
    create_status_bar(4, reinterpret_cast<intptr_t>(fixed));
    for (int i = 0; i < 3; ++i) add_status_bar_field(100);
    HWND status = status_window(4);
    const std::string spaces = themed_flag() ? "    " : "";

    struct Case {
        int32_t flags;
        FieldText shown;
    } cases[] = {
        {5, {"\tB: 640", SBT_POPOUT}},
        {0, {"B: 640", 0}},
        {3, {"B: 640", SBT_POPOUT}},
        {1, {"B: 640", SBT_POPOUT}},
        {2, {"B: 640", SBT_NOBORDERS}},
        {8, {"\t\tB: 640" + spaces, 0}},
        {12, {"\tB: 640", 0}},
    };
    for (const Case& c : cases) {
        status_bar_text(4, 1, "B: 640", c.flags);
        EXPECT_EQ(field_text(status, 1), c.shown) << "flags " << c.flags;
    }
    status_bar_text(4, 0, nullptr, STATUS_CENTRED);
    EXPECT_EQ(field_text(status, 0), (FieldText{"\t", 0}));

    status_bar_text(4, 2, "kept", 0);
    for (int32_t bad : {-1, 3, 255, 256, 1000, INT32_MIN, INT32_MAX}) status_bar_text(4, bad, "bad", 5);
    status_bar_text(12345, 0, "no such bar", 0);
    EXPECT_EQ(field_text(status, 2), (FieldText{"kept", 0}));
    EXPECT_EQ(field_text(status, 0), (FieldText{"\t", 0}));
    EXPECT_EQ(parts(status), (std::vector<int>{100, 200, 300}));
}

TEST_F(StatusBar, The257thFieldChangesNothing) {
    create_status_bar(5, reinterpret_cast<intptr_t>(fixed));
    for (int i = 0; i < 256; ++i) add_status_bar_field(1);
    HWND status = status_window(5);
    std::vector<int> full = parts(status);
    ASSERT_EQ(full.size(), 256u);
    EXPECT_EQ(full.back(), 256);
    add_status_bar_field(50);
    EXPECT_EQ(parts(status), full);
    // Index 255 is the status window's own "simple mode" part, so the last
    // field that can carry a text is 254: text for 255 lands nowhere.
    status_bar_text(5, 254, "last", 0);
    EXPECT_EQ(field_text(status, 254).text, "last");
    status_bar_text(5, 255, "simple", 0);
    EXPECT_EQ(field_text(status, 255).text, "");
    SendMessageA(status, SB_SIMPLE, TRUE, 0);
    EXPECT_EQ(field_text(status, 0).text, "");
    SendMessageA(status, SB_SIMPLE, FALSE, 0);
}

TEST_F(StatusBar, FreeingAndDestroyingReleaseTheRightRecords) {
    // Two bars on one parent: freeing the older leaves the newer working.
    HWND older = as_hwnd(create_status_bar(1, reinterpret_cast<intptr_t>(fixed)));
    HWND newer = as_hwnd(create_status_bar(2, reinterpret_cast<intptr_t>(fixed)));
    add_status_bar_field(80);
    free_status_bar(1);
    EXPECT_FALSE(IsWindow(older));
    EXPECT_EQ(status_window(2), newer);
    EXPECT_EQ(reinterpret_cast<intptr_t>(GetPropA(fixed, "qz_statusbar_id")), 3);
    status_bar_text(2, 0, "still here", 0);
    EXPECT_EQ(field_text(newer, 0).text, "still here");

    // A parent that goes away takes its status bar's record with it.
    HWND child = plain_parent(WS_CHILD, 300, 100, fixed);
    ASSERT_NE(child, nullptr);
    HWND on_child = as_hwnd(create_status_bar(6, reinterpret_cast<intptr_t>(child)));
    ASSERT_TRUE(IsWindow(on_child));
    DestroyWindow(child);
    EXPECT_FALSE(IsWindow(on_child));
    EXPECT_EQ(status_window(6), nullptr);
    add_status_bar_field(10);  // the current bar is gone: nothing happens

    // -1 frees every bar.
    create_status_bar(AUTO_ID, reinterpret_cast<intptr_t>(sizeable));
    free_status_bar(-1);
    EXPECT_FALSE(IsWindow(newer));
    EXPECT_EQ(FindWindowExA(sizeable, nullptr, STATUSCLASSNAMEA, nullptr), nullptr);
    EXPECT_EQ(status_window(2), nullptr);
}

}  // namespace
