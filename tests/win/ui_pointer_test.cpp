// Image gadgets that track the pointer, driven through the system's input
// path (SendInput): whole drags with their offsets, capture loss, the wheel
// with partial deltas and from a focused control elsewhere, double clicks,
// the cursor, and gadgets that did not ask keeping their old behaviour.
#include "ui/gadget_list.h"
#include "ui_test_support.h"

namespace {

struct PointerEvent {
    int64_t type;
    int32_t x, y;
    bool operator==(const PointerEvent&) const = default;
};

void PrintTo(const PointerEvent& e, std::ostream* os) { *os << "{" << e.type << ", " << e.x << ", " << e.y << "}"; }

class PointerGadget : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        start_toolkit();
        window = open_window(AUTO_ID, 30, 30, 500, 300, "pointer", 0x00CA0000);
        hwnd = reinterpret_cast<HWND>(window_handle(window));
    }
    static void TearDownTestSuite() {
        close_window(window);
        pump_events(10);
    }
    void SetUp() override {
        ASSERT_NE(window, 0);
        use_gadget_list_window(reinterpret_cast<intptr_t>(hwnd));
        picture = create_image(AUTO_ID, 200, 100, 24);
        gadget = image_gadget(AUTO_ID, 10, 10, 200, 100, image_handle(picture));
        button = button_gadget(AUTO_ID, 300, 10, 80, 30, "Focus");
        control = reinterpret_cast<HWND>(gadget_handle(gadget));
        track_image_gadget_pointer(gadget, true);
        SetForegroundWindow(hwnd);
        SetActiveWindow(hwnd);
        pump_events(40);
    }
    void TearDown() override {
        free_gadget(gadget);
        free_gadget(button);
        free_image(picture);
        pump_events(20);
    }
    // The screen point of a client point of the gadget.
    POINT screen(int x, int y) const {
        POINT p{x, y};
        ClientToScreen(control, &p);
        return p;
    }
    static void mouse(DWORD flags, int data = 0) {
        INPUT in = {};
        in.type = INPUT_MOUSE;
        in.mi.dwFlags = flags;
        in.mi.mouseData = static_cast<DWORD>(data);
        SendInput(1, &in, sizeof in);
    }
    void move_to(int x, int y) const {
        const POINT p = screen(x, y);
        SetCursorPos(p.x, p.y);
        mouse(MOUSEEVENTF_MOVE);  // a move through the input path at the new place
    }
    // The loop for `ms` milliseconds; the gadget's pointer events with their points.
    std::vector<PointerEvent> events(int ms = 120) const {
        std::vector<PointerEvent> out;
        const DWORD end = GetTickCount() + ms;
        auto take = [&](int32_t code) {
            if (code == EVENT_GADGET && event_gadget() == gadget && event_type() >= GADGET_TYPE_DRAG_BEGIN &&
                event_type() <= GADGET_TYPE_WHEEL)
                out.push_back({event_type(), event_point_x(), event_point_y()});
            if (code == EVENT_GADGET && event_gadget() == gadget && event_type() == GADGET_TYPE_DOUBLE_CLICK)
                out.push_back({GADGET_TYPE_DOUBLE_CLICK, 0, 0});
        };
        while (static_cast<LONG>(GetTickCount() - end) < 0) {
            const int32_t code = wait_window_event(5);
            if (code != 0 && current_event_code() == code) take(code);
        }
        while (int32_t code = take_next_event()) take(code);
        return out;
    }
    static inline int64_t window = 0;
    static inline HWND hwnd = nullptr;
    int64_t picture = 0, gadget = 0, button = 0;
    HWND control = nullptr;
};

TEST_F(PointerGadget, ADragReportsItsPressItsNewestOffsetAndItsEnd) {
    move_to(50, 40);
    events(40);
    mouse(MOUSEEVENTF_LEFTDOWN);
    std::vector<PointerEvent> got = events();
    EXPECT_EQ(got, (std::vector<PointerEvent>{{GADGET_TYPE_DRAG_BEGIN, 50, 40}}));
    EXPECT_EQ(GetCapture(), control);

    // Moves that queue up while the program is busy come out as the newest
    // one only; the capture follows the pointer out of the gadget.
    for (int i = 1; i <= 6; ++i) move_to(50 + 20 * i, 40 - 15 * i);
    got = events();
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(got.back(), (PointerEvent{GADGET_TYPE_DRAG_MOVE, 120, -90}));
    EXPECT_LE(got.size(), 2u);
    move_to(45, 42);
    mouse(MOUSEEVENTF_LEFTUP);
    got = events();
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(got.back(), (PointerEvent{GADGET_TYPE_DRAG_END, -5, 2}));
    EXPECT_NE(GetCapture(), control);

    // Moves without the button report nothing.
    move_to(80, 80);
    EXPECT_TRUE(events().empty());
}

TEST_F(PointerGadget, LosingTheCaptureEndsTheDragAndTheProgramCanEndItQuietly) {
    move_to(20, 20);
    mouse(MOUSEEVENTF_LEFTDOWN);
    move_to(30, 25);
    events();
    SetCapture(hwnd);  // another window takes the mouse
    EXPECT_EQ(events(), (std::vector<PointerEvent>{{GADGET_TYPE_DRAG_LOST, 10, 5}}));
    ReleaseCapture();
    mouse(MOUSEEVENTF_LEFTUP);
    EXPECT_TRUE(events().empty());

    mouse(MOUSEEVENTF_LEFTDOWN);
    events();
    end_image_gadget_drag(gadget);
    EXPECT_NE(GetCapture(), control);
    move_to(60, 60);
    mouse(MOUSEEVENTF_LEFTUP);
    EXPECT_TRUE(events().empty());
}

TEST_F(PointerGadget, WheelNotchesAddUpPartsAndReachTheGadgetFromAFocusedButton) {
    SetFocus(reinterpret_cast<HWND>(gadget_handle(button)));
    move_to(70, 30);
    events(40);
    mouse(MOUSEEVENTF_WHEEL, WHEEL_DELTA);
    mouse(MOUSEEVENTF_WHEEL, WHEEL_DELTA);
    std::vector<PointerEvent> got = events();
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(got.back(), (PointerEvent{GADGET_TYPE_WHEEL, 70, 30}));
    EXPECT_EQ(take_image_gadget_wheel(gadget), 2);
    EXPECT_EQ(take_image_gadget_wheel(gadget), 0);

    // A precise wheel: three parts of 40 make one notch towards the user;
    // a part the other way starts afresh.
    for (int d : {-40, -40, 40, -40, -40, -40}) mouse(MOUSEEVENTF_WHEEL, d);
    got = events();
    EXPECT_EQ(got.size(), 1u);
    EXPECT_EQ(take_image_gadget_wheel(gadget), -1);

    // Where the system gives the wheel to the focus, the loop hands it to
    // the gadget under the pointer.
    const POINT over = screen(70, 30);
    PostMessageA(reinterpret_cast<HWND>(gadget_handle(button)), WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA),
                 MAKELPARAM(over.x, over.y));
    EXPECT_EQ(events(), (std::vector<PointerEvent>{{GADGET_TYPE_WHEEL, 70, 30}}));
    EXPECT_EQ(take_image_gadget_wheel(gadget), -1);

    // Outside the gadget the wheel is not the gadget's.
    const POINT away = screen(250, 50);
    SetCursorPos(away.x, away.y);
    mouse(MOUSEEVENTF_WHEEL, -WHEEL_DELTA);
    EXPECT_TRUE(events().empty());
    EXPECT_EQ(take_image_gadget_wheel(gadget), 0);
}

TEST_F(PointerGadget, DoubleClickCursorAndGadgetsThatDoNotTrack) {
    move_to(100, 50);
    events(40);
    for (int i = 0; i < 2; ++i) {
        mouse(MOUSEEVENTF_LEFTDOWN);
        mouse(MOUSEEVENTF_LEFTUP);
    }
    std::vector<int64_t> types;
    for (const PointerEvent& e : events(200)) types.push_back(e.type);
    EXPECT_EQ(types, (std::vector<int64_t>{GADGET_TYPE_DRAG_BEGIN, GADGET_TYPE_DRAG_END, GADGET_TYPE_DOUBLE_CLICK}));

    // The size-all cursor once asked for, the window's otherwise.
    const HCURSOR size_all = LoadCursorA(nullptr, IDC_SIZEALL);
    set_image_gadget_cursor(gadget, GADGET_CURSOR_SIZE_ALL);
    move_to(101, 51);
    events(60);
    EXPECT_EQ(GetCursor(), size_all);
    set_image_gadget_cursor(gadget, GADGET_CURSOR_DEFAULT);
    move_to(100, 50);
    events(60);
    EXPECT_NE(GetCursor(), size_all);

    // Tracking off: the old drag start, no drag events.
    track_image_gadget_pointer(gadget, false);
    mouse(MOUSEEVENTF_LEFTDOWN);
    move_to(100 + 3 * GetSystemMetrics(SM_CXDRAG) + 5, 50);
    mouse(MOUSEEVENTF_LEFTUP);
    const std::vector<TakenEvent> old = pump_events(150);
    int starts = 0, drags = 0;
    for (const TakenEvent& e : old) {
        if (e.code != EVENT_GADGET || e.object != gadget) continue;
        starts += e.type == GADGET_TYPE_DRAG_START;
        drags += e.type >= GADGET_TYPE_DRAG_BEGIN && e.type <= GADGET_TYPE_WHEEL;
    }
    EXPECT_EQ(starts, 1);
    EXPECT_EQ(drags, 0);
}

}  // namespace
