// Gadgets in a real window, driven as a user drives them: buttons, frames,
// image gadgets, trackbars, spins and tooltips, and what they leave behind.
#include <cstring>

#include "ui/gadget_internal.h"
#include "ui/gadget_list.h"
#include "ui/theme.h"
#include "ui_test_support.h"

namespace {

class Gadgets : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        start_toolkit();
        window = open_window(AUTO_ID, 20, 20, 900, 640, "gadgets", 0x00CA0000);
        hwnd = reinterpret_cast<HWND>(window_handle(window));
        set_window_color(window, RGB(192, 192, 192));
    }
    static void TearDownTestSuite() {
        close_window(window);
        pump_events(10);
    }
    void SetUp() override {
        ASSERT_NE(window, 0);
        use_gadget_list_window(reinterpret_cast<intptr_t>(hwnd));
        SetForegroundWindow(hwnd);
        SetActiveWindow(hwnd);
        pump_events(40);
    }
    void TearDown() override {
        for (int64_t g : made) free_gadget(g);
        made.clear();
        pump_events(20);
    }
    int64_t keep(int64_t g) {
        made.push_back(g);
        return g;
    }
    static RECT rect_of(HWND control) {
        RECT r;
        GetWindowRect(control, &r);
        MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
    static COLORREF window_pixel(int x, int y) {
        HDC dc = GetDC(hwnd);
        COLORREF c = GetPixel(dc, x, y);
        ReleaseDC(hwnd, dc);
        return c;
    }
    static inline int64_t window = 0;
    static inline HWND hwnd = nullptr;
    std::vector<int64_t> made;
};

std::vector<TakenEvent> gadget_events(const std::vector<TakenEvent>& events, int64_t gadget) {
    std::vector<TakenEvent> out;
    for (const TakenEvent& e : events)
        if (e.code == EVENT_GADGET && e.object == gadget) out.push_back(e);
    return out;
}

std::vector<int64_t> types_of(const std::vector<TakenEvent>& events) {
    std::vector<int64_t> out;
    for (const TakenEvent& e : events) out.push_back(e.type);
    return out;
}

TEST_F(Gadgets, ButtonClicksQueueTypeZeroAndProgramChangesQueueNothing) {
    const int64_t button = keep(button_gadget(AUTO_ID, 10, 10, 100, 30, "Press"));
    ASSERT_NE(button, 0);
    HWND control = reinterpret_cast<HWND>(gadget_handle(button));
    EXPECT_EQ(GetWindowLongPtrA(control, GWLP_ID), button);
    EXPECT_EQ(reinterpret_cast<intptr_t>(GetPropA(control, "Qz_ID")), button);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)), GetStockObject(DEFAULT_GUI_FONT));
    EXPECT_EQ(gadget_kind(button), GADGET_BUTTON);

    SendMessageA(control, BM_CLICK, 0, 0);
    EXPECT_EQ(gadget_events(pump_events(), button), (std::vector<TakenEvent>{{EVENT_GADGET, button, window, 0}}));

    // A real click through the system's input path.
    const RECT r = rect_of(control);
    POINT centre = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ClientToScreen(hwnd, &centre);
    SetCursorPos(centre.x, centre.y);
    pump_events(30);
    INPUT clicks[2] = {};
    clicks[0].type = clicks[1].type = INPUT_MOUSE;
    clicks[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    clicks[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, clicks, sizeof(INPUT));
    EXPECT_EQ(gadget_events(pump_events(150), button), (std::vector<TakenEvent>{{EVENT_GADGET, button, window, 0}}));

    // A numbered check box: state and text set by the program queue nothing.
    const int64_t check = button_gadget(7, 10, 50, 100, 30, "Check", BS_AUTOCHECKBOX);
    ASSERT_EQ(check, gadget_handle(7));
    made.push_back(7);
    pump_events(20);
    set_gadget_state(7, 5);
    EXPECT_EQ(get_gadget_state(7), 1);
    set_gadget_text(7, "Renamed");
    EXPECT_EQ(get_gadget_text(7), "Renamed");
    set_gadget_text(7, nullptr);
    EXPECT_EQ(get_gadget_text(7), "");
    set_gadget_state(7, 0);
    EXPECT_EQ(get_gadget_state(7), 0);
    set_gadget_text(button, "Again");
    // The number used again replaces the gadget that had it.
    HWND first = reinterpret_cast<HWND>(gadget_handle(7));
    ASSERT_NE(button_gadget(7, 10, 50, 100, 30, "Second"), 0);
    EXPECT_FALSE(IsWindow(first));
    EXPECT_EQ(get_gadget_text(7), "Second");
    EXPECT_TRUE(gadget_events(pump_events(), 7).empty());
    EXPECT_TRUE(gadget_events(pump_events(), button).empty());

    int32_t w = 0, h = 0;
    EXPECT_TRUE(gadget_required_size(button, &w, &h));
    EXPECT_GT(w, 2 * GetSystemMetrics(SM_CXEDGE) + 10);
    EXPECT_GE(h, 24);

    // Ids that name no gadget do nothing.
    set_gadget_state(424242, 1);
    EXPECT_EQ(get_gadget_state(424242), 0);
    EXPECT_EQ(get_gadget_text(424242), "");
}

TEST_F(Gadgets, DestroyedGadgetsTakeTheirQueuedEventsAlong) {
    const int64_t a = button_gadget(AUTO_ID, 10, 10, 80, 24, "a");
    const int64_t b = keep(button_gadget(AUTO_ID, 100, 10, 80, 24, "b"));
    pump_events(20);
    SendMessageA(reinterpret_cast<HWND>(gadget_handle(a)), BM_CLICK, 0, 0);
    SendMessageA(reinterpret_cast<HWND>(gadget_handle(b)), BM_CLICK, 0, 0);
    HWND control = reinterpret_cast<HWND>(gadget_handle(a));
    free_gadget(a);
    EXPECT_FALSE(IsWindow(control));
    EXPECT_EQ(gadget_handle(a), 0);
    auto events = queued_events();
    EXPECT_TRUE(gadget_events(events, a).empty());
    EXPECT_EQ(gadget_events(events, b).size(), 1u);
}

TEST_F(Gadgets, VerticalTrackbarIsMirroredAndReportsEveryScroll) {
    const int64_t bar = keep(trackbar_gadget(AUTO_ID, 620, 110, 40, 500, 0, 255, TRACKBAR_TICKS | TRACKBAR_VERTICAL));
    ASSERT_NE(bar, 0);
    HWND control = reinterpret_cast<HWND>(gadget_handle(bar));
    EXPECT_EQ(get_gadget_state(bar), 0);
    set_gadget_state(bar, 255);
    EXPECT_EQ(get_gadget_state(bar), 255);
    EXPECT_EQ(SendMessageA(control, TBM_GETPOS, 0, 0), 0);  // the thumb at the top
    RECT thumb, channel;
    SendMessageA(control, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
    SendMessageA(control, TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&channel));
    EXPECT_LT(thumb.top, 500 / 4);
    EXPECT_TRUE(gadget_events(pump_events(), bar).empty());
    EXPECT_EQ(get_gadget_attribute(bar, GADGET_MINIMUM), 0);
    EXPECT_EQ(get_gadget_attribute(bar, GADGET_MAXIMUM), 255);

    // Keyboard steps on the focused trackbar: down lowers the value.
    SetFocus(control);
    pump_events(20);
    send_keys({VK_DOWN});
    auto events = gadget_events(pump_events(120), bar);
    ASSERT_FALSE(events.empty());
    for (const TakenEvent& e : events) EXPECT_EQ(e, (TakenEvent{EVENT_GADGET, bar, window, 0}));
    EXPECT_EQ(get_gadget_state(bar), 254);
    send_keys({VK_UP});
    pump_events(120);
    EXPECT_EQ(get_gadget_state(bar), 255);

    // Identical notifications merge while they wait in the queue.
    for (int i = 0; i < 5; ++i) SendMessageA(control, WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(gadget_events(queued_events(), bar).size(), 1u);
    EXPECT_EQ(get_gadget_state(bar), 250);

    // Dragging the thumb to the bottom reads 0.
    SendMessageA(control, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
    const int x = (thumb.left + thumb.right) / 2, y = (thumb.top + thumb.bottom) / 2;
    SendMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    SendMessageA(control, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, y + 200));
    SendMessageA(control, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, 495));
    SendMessageA(control, WM_LBUTTONUP, 0, MAKELPARAM(x, 495));
    events = gadget_events(pump_events(), bar);
    EXPECT_FALSE(events.empty());
    EXPECT_EQ(get_gadget_state(bar), 0);

    // A new range keeps the value.
    set_gadget_state(bar, 100);
    set_gadget_attribute(bar, GADGET_MAXIMUM, 200);
    EXPECT_EQ(get_gadget_attribute(bar, GADGET_MAXIMUM), 200);
    EXPECT_EQ(get_gadget_state(bar), 100);
    EXPECT_TRUE(gadget_events(pump_events(), bar).empty());

    // A horizontal trackbar is not mirrored; negative bounds become 0.
    const int64_t flat = keep(trackbar_gadget(AUTO_ID, 10, 600, 200, 30, -5, 10));
    set_gadget_state(flat, 3);
    EXPECT_EQ(SendMessageA(reinterpret_cast<HWND>(gadget_handle(flat)), TBM_GETPOS, 0, 0), 3);
    EXPECT_EQ(get_gadget_attribute(flat, GADGET_MINIMUM), 0);
}

std::vector<int64_t> arrow_and_change(const std::vector<int64_t>& types) {
    std::vector<int64_t> out;
    for (int64_t t : types)
        if (t == GADGET_TYPE_SPIN_UP || t == GADGET_TYPE_SPIN_DOWN || t == EVENT_TYPE_CHANGE) out.push_back(t);
    return out;
}

TEST_F(Gadgets, SpinShowsItsValueAndReportsArrowsAndTyping) {
    const int64_t spin = keep(spin_gadget(AUTO_ID, 620, 65, 70, 20, 1, 500, SPIN_NUMERIC));
    ASSERT_NE(spin, 0);
    GadgetRecord* g = find_gadget(spin);
    ASSERT_NE(g, nullptr);
    HWND edit = g->handle;
    HWND arrows = reinterpret_cast<HWND>(g->field4);

    // Geometry of a 70 x 20 spin: an 18-pixel up-down at x + 52.
    const RECT e = rect_of(edit), u = rect_of(arrows);
    EXPECT_EQ(u.left, 620 + 52);
    EXPECT_EQ(u.right - u.left, 18);
    EXPECT_EQ(u.bottom - u.top, 20);
    EXPECT_EQ(e.left, 620);
    EXPECT_EQ(e.right - e.left, themed_flag() ? 53 : 54);

    pump_events(20);
    set_gadget_state(spin, 295);
    EXPECT_EQ(get_gadget_text(spin), "295");
    EXPECT_EQ(get_gadget_state(spin), 295);
    EXPECT_TRUE(gadget_events(pump_events(), spin).empty());

    // A click on the up arrow: type 4, then the text change (768) for 296.
    SendMessageA(arrows, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(9, 4));
    SendMessageA(arrows, WM_LBUTTONUP, 0, MAKELPARAM(9, 4));
    // (Focus notifications of the edit, 256 and 512, may come in between.)
    auto types = arrow_and_change(types_of(gadget_events(pump_events(), spin)));
    EXPECT_EQ(types, (std::vector<int64_t>{GADGET_TYPE_SPIN_UP, EVENT_TYPE_CHANGE}));
    EXPECT_EQ(get_gadget_text(spin), "296");
    EXPECT_EQ(get_gadget_state(spin), 296);

    // The down arrow.
    SendMessageA(arrows, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(9, 16));
    SendMessageA(arrows, WM_LBUTTONUP, 0, MAKELPARAM(9, 16));
    types = arrow_and_change(types_of(gadget_events(pump_events(), spin)));
    EXPECT_EQ(types, (std::vector<int64_t>{GADGET_TYPE_SPIN_DOWN, EVENT_TYPE_CHANGE}));
    EXPECT_EQ(get_gadget_text(spin), "295");

    // Typing into the edit queues 768 for the change.
    SetFocus(edit);
    pump_events(20);
    SendMessageA(edit, EM_SETSEL, 3, 3);
    SendMessageA(edit, WM_CHAR, '7', 0);
    types = types_of(gadget_events(queued_events(), spin));
    EXPECT_NE(std::find(types.begin(), types.end(), EVENT_TYPE_CHANGE), types.end());
    EXPECT_EQ(get_gadget_text(spin), "2957");

    // Text and state set by the program queue nothing.
    set_gadget_text(spin, "42");
    EXPECT_EQ(get_gadget_text(spin), "42");
    set_gadget_state(spin, 17);
    EXPECT_EQ(get_gadget_text(spin), "17");
    EXPECT_TRUE(gadget_events(pump_events(), spin).empty());

    // Disabling the edit disables its arrows; hiding hides both.
    EnableWindow(edit, FALSE);
    EXPECT_FALSE(IsWindowEnabled(arrows));
    EnableWindow(edit, TRUE);
    EXPECT_TRUE(IsWindowEnabled(arrows));
    hide_gadget(spin, 1);
    EXPECT_FALSE(IsWindowVisible(edit));
    EXPECT_FALSE(IsWindowVisible(arrows));
    hide_gadget(spin, 0);
    EXPECT_TRUE(IsWindowVisible(arrows));

    // Range attributes keep the other bound.
    set_gadget_attribute(spin, GADGET_MAXIMUM, 900);
    EXPECT_EQ(get_gadget_attribute(spin, GADGET_MINIMUM), 1);
    EXPECT_EQ(get_gadget_attribute(spin, GADGET_MAXIMUM), 900);

    // Resizing with IGNORE_ARG keeps the position and height.
    resize_gadget(spin, IGNORE_ARG, IGNORE_ARG, 100, IGNORE_ARG);
    const RECT u2 = rect_of(arrows);
    EXPECT_EQ(u2.left, 620 + 100 - 18);
    EXPECT_EQ(rect_of(edit).top, 65);

    int32_t w = 0, h = 0;
    EXPECT_TRUE(gadget_required_size(spin, &w, &h));
    EXPECT_EQ(w, 2 * GetSystemMetrics(SM_CXEDGE) + 50);
    EXPECT_GE(h, 20);

    // Freeing the spin takes its up-down along.
    free_gadget(spin);
    made.clear();
    EXPECT_FALSE(IsWindow(arrows));
}

TEST_F(Gadgets, SpinsWithTheSameBackColourShareOneBrush) {
    const int before = color_brush_count();
    const int64_t a = keep(spin_gadget(AUTO_ID, 10, 10, 50, 20, 1, 200, SPIN_NUMERIC));
    const int64_t b = keep(spin_gadget(AUTO_ID, 10, 40, 50, 20, 1, 200, SPIN_NUMERIC));
    set_gadget_color(a, GADGET_BACK_COLOR, RGB(10, 200, 30));
    set_gadget_color(b, GADGET_BACK_COLOR, RGB(10, 200, 30));
    EXPECT_EQ(color_brush_count(), before + 1);
    EXPECT_EQ(get_gadget_color(a, GADGET_BACK_COLOR), RGB(10, 200, 30));
    EXPECT_EQ(get_gadget_color(a, GADGET_FRONT_COLOR), -1);
    EXPECT_EQ(get_gadget_color(a, 9), -1);

    HWND edit_a = reinterpret_cast<HWND>(gadget_handle(a));
    HWND edit_b = reinterpret_cast<HWND>(gadget_handle(b));
    HDC dc = GetDC(edit_a);
    const LRESULT brush_a = SendMessageA(hwnd, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(edit_a));
    const LRESULT brush_b = SendMessageA(hwnd, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(edit_b));
    EXPECT_NE(brush_a, 0);
    EXPECT_EQ(brush_a, brush_b);
    EXPECT_EQ(GetBkColor(dc), RGB(10, 200, 30));

    // One back to the system colour: the brush lives on for the other.
    set_gadget_color(a, GADGET_BACK_COLOR, -1);
    EXPECT_EQ(GetObjectType(reinterpret_cast<HGDIOBJ>(brush_b)), static_cast<DWORD>(OBJ_BRUSH));
    // A front colour alone: the text colour, on the system window colour.
    set_gadget_color(a, GADGET_FRONT_COLOR, RGB(255, 0, 0));
    const LRESULT system = SendMessageA(hwnd, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(edit_a));
    EXPECT_EQ(system, reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW)));
    EXPECT_EQ(GetTextColor(dc), RGB(255, 0, 0));
    ReleaseDC(edit_a, dc);

    free_gadget(b);
    EXPECT_EQ(color_brush_count(), before);
}

TEST_F(Gadgets, SettingASpinsTextKeepsWhatIsNotTheSpinsOwn) {
    const int64_t spin = keep(spin_gadget(AUTO_ID, 620, 65, 70, 20, 1, 500, SPIN_NUMERIC));
    ASSERT_NE(spin, 0);
    pump_events(20);
    // Queued before the program sets the text: a message and a click for
    // the window, a key, and a quit request.
    PostMessageA(hwnd, WM_USER + 40, 7, 0);
    PostMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    send_keys({VK_SHIFT});
    PostQuitMessage(3);
    set_gadget_text(spin, "42");
    EXPECT_EQ(get_gadget_text(spin), "42");
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 3u);
    ASSERT_TRUE(PeekMessageA(&msg, hwnd, WM_USER + 40, WM_USER + 40, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 7u);
    EXPECT_TRUE(PeekMessageA(&msg, hwnd, WM_LBUTTONDOWN, WM_LBUTTONDOWN, PM_REMOVE));
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_NOREMOVE));
    EXPECT_TRUE(gadget_events(pump_events(), spin).empty());
}

int64_t filled_image(int32_t width, int32_t height, int32_t depth, uint8_t b, uint8_t g, uint8_t r, uint8_t a) {
    const int64_t image = create_image(AUTO_ID, width, height, depth);
    BitmapInfo info;
    uint8_t* bits = image_bits(image, &info);
    if (!bits) return 0;
    const int bytes = depth / 8;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = bits + static_cast<size_t>(y) * info.stride + static_cast<size_t>(x) * bytes;
            p[0] = b;
            p[1] = g;
            p[2] = r;
            if (bytes == 4) p[3] = a;
        }
    return image;
}

bool close_to(COLORREF c, int r, int g, int b, int tolerance = 3) {
    return std::abs(GetRValue(c) - r) <= tolerance && std::abs(GetGValue(c) - g) <= tolerance &&
           std::abs(GetBValue(c) - b) <= tolerance;
}

TEST_F(Gadgets, ImageGadgetSizesToItsImageAndBlendsAlphaOverTheWindow) {
    const int64_t big = filled_image(600, 600, 24, 0, 0, 255, 0);
    const int64_t small = filled_image(100, 50, 24, 255, 0, 0, 0);
    const int64_t translucent = filled_image(100, 50, 32, 0, 0, 255, 128);
    ASSERT_NE(big, 0);
    ASSERT_NE(translucent, 0);

    const int64_t left = keep(image_gadget(AUTO_ID, 0, 0, 600, 600, 0));
    ASSERT_NE(left, 0);
    HWND control = reinterpret_cast<HWND>(gadget_handle(left));
    pump_events(60);
    // Image 0 keeps the size and paints nothing: the window shows through.
    EXPECT_EQ(get_gadget_state(left), 0);
    EXPECT_TRUE(close_to(window_pixel(300, 300), 192, 192, 192));

    set_gadget_state(left, image_handle(big));
    pump_events(60);
    RECT r = rect_of(control);
    EXPECT_EQ(r.right - r.left, 600);
    EXPECT_EQ(r.bottom - r.top, 600);
    EXPECT_EQ(window_pixel(300, 300), RGB(255, 0, 0));

    // The handle travels whole, and as a 32-bit value widened with its sign.
    EXPECT_EQ(get_gadget_state(left), image_handle(big));
    set_gadget_state(left, static_cast<int32_t>(image_handle(small)));
    EXPECT_EQ(get_gadget_state(left), static_cast<int64_t>(static_cast<int32_t>(image_handle(small))));
    pump_events(60);
    r = rect_of(control);
    EXPECT_EQ(r.right - r.left, 100);
    EXPECT_EQ(r.bottom - r.top, 50);
    EXPECT_EQ(window_pixel(50, 25), RGB(0, 0, 255));  // 24-bit: opaque

    // 32-bit with alpha 128: red blended over the grey window.
    set_gadget_state(left, image_handle(translucent));
    pump_events(60);
    EXPECT_TRUE(close_to(window_pixel(50, 25), 128 + 192 * 127 / 255, 192 * 127 / 255, 192 * 127 / 255))
        << std::hex << window_pixel(50, 25);
    EXPECT_NE(find_gadget(left)->field2, 0);

    set_gadget_state(left, 0);
    pump_events(60);
    r = rect_of(control);
    EXPECT_EQ(r.right - r.left, 100);  // image 0 keeps the size
    EXPECT_TRUE(close_to(window_pixel(50, 25), 192, 192, 192));
    EXPECT_EQ(find_gadget(left)->field2, 0);

    // With a border the gadget is 4 pixels larger than its image.
    const int64_t framed = keep(image_gadget(AUTO_ID, 650, 10, 200, 200, image_handle(small), IMAGE_GADGET_BORDER));
    r = rect_of(reinterpret_cast<HWND>(gadget_handle(framed)));
    EXPECT_EQ(r.right - r.left, 104);
    EXPECT_EQ(r.bottom - r.top, 54);
    const int64_t edged = keep(image_gadget(AUTO_ID, 650, 100, 20, 20, image_handle(small), IMAGE_GADGET_CLIENT_EDGE));
    r = rect_of(reinterpret_cast<HWND>(gadget_handle(edged)));
    EXPECT_EQ(r.right - r.left, 104);

    int32_t w = 0, h = 0;
    EXPECT_TRUE(gadget_required_size(framed, &w, &h));
    EXPECT_EQ(w, 104);

    // A value that is no image is stored but neither sizes nor draws anything.
    set_gadget_state(framed, 0x7654321);
    pump_events(40);
    EXPECT_TRUE(gadget_required_size(framed, &w, &h));
    EXPECT_EQ(w, 104);
    EXPECT_EQ(find_gadget(framed)->field2, 0);
    free_gadget(left);
    free_gadget(framed);
    free_gadget(edged);
    made.clear();
    free_image(big);
    free_image(small);
    free_image(translucent);
}

TEST_F(Gadgets, DisablingAndEnablingABlendedImageKeepsItsBlend) {
    const int64_t translucent = filled_image(100, 50, 32, 0, 0, 255, 128);
    ASSERT_NE(translucent, 0);
    const int64_t shown = keep(image_gadget(AUTO_ID, 0, 0, 100, 50, image_handle(translucent)));
    ASSERT_NE(shown, 0);
    pump_events(60);
    const COLORREF blended = window_pixel(50, 25);
    EXPECT_TRUE(close_to(blended, 128 + 192 * 127 / 255, 192 * 127 / 255, 192 * 127 / 255)) << std::hex << blended;
    HWND control = reinterpret_cast<HWND>(gadget_handle(shown));
    for (int i = 0; i < 3; ++i) {
        EnableWindow(control, FALSE);
        pump_events(30);
        EnableWindow(control, TRUE);
        pump_events(30);
    }
    EXPECT_EQ(window_pixel(50, 25), blended) << std::hex << window_pixel(50, 25);
    free_gadget(shown);
    made.clear();
    free_image(translucent);
}

TEST_F(Gadgets, ImageGadgetReportsDragsClicksAndRightDoubleClicks) {
    const int64_t image = filled_image(200, 100, 24, 10, 20, 30, 0);
    const int64_t g = keep(image_gadget(AUTO_ID, 10, 10, 200, 100, image_handle(image)));
    HWND control = reinterpret_cast<HWND>(gadget_handle(g));
    pump_events(40);

    const int away = GetSystemMetrics(SM_CXDRAG) + 3;
    SendMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
    EXPECT_EQ(GetCapture(), control);
    SendMessageA(control, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(21, 21));  // inside the drag rectangle
    auto pressed = types_of(gadget_events(queued_events(), g));  // the press itself may report a click (0)
    EXPECT_EQ(std::count(pressed.begin(), pressed.end(), GADGET_TYPE_DRAG_START), 0);
    SendMessageA(control, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(20 + away, 20));
    SendMessageA(control, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(20 + 2 * away, 20));
    SendMessageA(control, WM_LBUTTONUP, 0, MAKELPARAM(20 + 2 * away, 20));
    auto types = types_of(gadget_events(pump_events(), g));
    EXPECT_EQ(std::count(types.begin(), types.end(), GADGET_TYPE_DRAG_START), 1);
    EXPECT_NE(GetCapture(), control);

    // Upward drags count too (signed coordinates).
    SendMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 50));
    SendMessageA(control, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(20, 50 - away));
    SendMessageA(control, WM_LBUTTONUP, 0, MAKELPARAM(20, 50 - away));
    types = types_of(gadget_events(pump_events(), g));
    EXPECT_EQ(std::count(types.begin(), types.end(), GADGET_TYPE_DRAG_START), 1);

    // A right click, then a right double click: 1, then 3 and nothing for the release.
    SendMessageA(control, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(30, 30));
    SendMessageA(control, WM_RBUTTONUP, 0, MAKELPARAM(30, 30));
    SendMessageA(control, WM_RBUTTONDBLCLK, MK_RBUTTON, MAKELPARAM(30, 30));
    SendMessageA(control, WM_RBUTTONUP, 0, MAKELPARAM(30, 30));
    SendMessageA(control, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(30, 30));
    EXPECT_EQ(types_of(gadget_events(queued_events(), g)), (std::vector<int64_t>{1, 3, 2}));
    // The next right click reports again.
    SendMessageA(control, WM_RBUTTONUP, 0, MAKELPARAM(30, 30));
    EXPECT_EQ(types_of(gadget_events(queued_events(), g)), (std::vector<int64_t>{1}));
    free_gadget(g);
    made.clear();
    free_image(image);
}

TEST_F(Gadgets, FramesAndResizeWithIgnoredArguments) {
    const int64_t box = keep(frame_gadget(AUTO_ID, 620, 50, 90, 50, "Radius"));
    HWND control = reinterpret_cast<HWND>(gadget_handle(box));
    char text[32];
    GetWindowTextA(control, text, sizeof text);
    EXPECT_STREQ(text, "Radius");
    EXPECT_EQ(GetWindowLongA(control, GWL_STYLE) & 0xF, BS_GROUPBOX);
    set_gadget_state(box, 3);  // no state
    EXPECT_EQ(get_gadget_state(box), 0);

    const int64_t edged = keep(frame_gadget(AUTO_ID, 10, 10, 50, 50, "ignored", FRAME_CLIENT_EDGE));
    const int64_t etched = keep(frame_gadget(AUTO_ID, 70, 10, 50, 50, nullptr, FRAME_STATIC_EDGE));
    const int64_t bordered = keep(frame_gadget(AUTO_ID, 130, 10, 50, 50, nullptr, 9));
    HWND e = reinterpret_cast<HWND>(gadget_handle(edged));
    EXPECT_TRUE(GetWindowLongA(e, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    EXPECT_EQ(GetWindowTextLengthA(e), 0);
    EXPECT_TRUE(GetWindowLongA(reinterpret_cast<HWND>(gadget_handle(etched)), GWL_EXSTYLE) & WS_EX_STATICEDGE);
    EXPECT_TRUE(GetWindowLongA(reinterpret_cast<HWND>(gadget_handle(bordered)), GWL_STYLE) & WS_BORDER);

    resize_gadget(box, IGNORE_ARG, IGNORE_ARG, 120, 70);
    RECT r = rect_of(control);
    EXPECT_EQ(r.left, 620);
    EXPECT_EQ(r.top, 50);
    EXPECT_EQ(r.right - r.left, 120);
    EXPECT_EQ(r.bottom - r.top, 70);
    resize_gadget(box, 600, IGNORE_ARG, IGNORE_ARG, IGNORE_ARG);
    r = rect_of(control);
    EXPECT_EQ(r.left, 600);
    EXPECT_EQ(r.right - r.left, 120);

    const int64_t button = keep(button_gadget(AUTO_ID, 10, 300, 80, 24, "b"));
    resize_gadget(button, IGNORE_ARG, 320, IGNORE_ARG, 30);
    r = rect_of(reinterpret_cast<HWND>(gadget_handle(button)));
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(r.top, 320);
    EXPECT_EQ(r.right - r.left, 80);
    EXPECT_EQ(r.bottom - r.top, 30);
    pump_events(40);
}

TEST_F(Gadgets, ASecondTooltipReplacesTheFirst) {
    const int64_t spin = keep(spin_gadget(AUTO_ID, 620, 65, 70, 20, 1, 500, SPIN_NUMERIC));
    gadget_tooltip(spin, "Radius");
    gadget_tooltip(spin, "Circle radius");
    HWND tip = reinterpret_cast<HWND>(tooltip_handle());
    ASSERT_NE(tip, nullptr);
    EXPECT_EQ(SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0), 1);
    TOOLINFOA info = {};
    info.cbSize = sizeof info;
    info.hwnd = hwnd;
    info.uId = static_cast<UINT_PTR>(gadget_handle(spin));
    char text[80] = {};
    info.lpszText = text;
    SendMessageA(tip, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&info));
    EXPECT_STREQ(text, "Circle radius");
    gadget_tooltip(424242, "nobody");  // no such gadget: nothing
    EXPECT_EQ(SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0), 1);
}

// Live GDI objects of this process.  Wine's GetGuiResources answers 0; there
// every live object answers GetObjectType for the low word of its handle.
int live_gdi_objects() {
    const DWORD counted = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (counted) return static_cast<int>(counted);
    int n = 0;
    for (uintptr_t h = 1; h <= 0xFFFF; ++h)
        if (GetObjectType(reinterpret_cast<HGDIOBJ>(h))) ++n;
    return n;
}

TEST_F(Gadgets, NoGdiObjectLeaksOverAHundredWindowsWithEveryKind) {
    const int64_t rgba = filled_image(64, 48, 32, 1, 2, 3, 100);
    const int64_t rgb = filled_image(64, 48, 24, 1, 2, 3, 0);
    auto one_round = [&] {
        // Hidden: a window that was never shown goes away at once.
        const int64_t w = open_window(AUTO_ID, 0, 0, 400, 300, "leak", 0x10CA0000);
        const int64_t image_a = image_gadget(AUTO_ID, 0, 0, 64, 48, image_handle(rgba));
        const int64_t image_b = image_gadget(AUTO_ID, 70, 0, 64, 48, 0, IMAGE_GADGET_BORDER);
        set_gadget_state(image_b, image_handle(rgba));
        set_gadget_state(image_b, image_handle(rgb));
        set_gadget_state(image_a, image_handle(rgba));
        button_gadget(AUTO_ID, 0, 60, 60, 24, "b");
        frame_gadget(AUTO_ID, 0, 90, 60, 40, "f");
        frame_gadget(AUTO_ID, 70, 90, 60, 40, nullptr, FRAME_STATIC_EDGE);
        trackbar_gadget(AUTO_ID, 150, 0, 40, 200, 0, 255, 3);
        const int64_t s1 = spin_gadget(AUTO_ID, 200, 0, 70, 20, 1, 500, SPIN_NUMERIC);
        const int64_t s2 = spin_gadget(AUTO_ID, 200, 30, 70, 20, 1, 500, SPIN_NUMERIC);
        set_gadget_color(s1, GADGET_BACK_COLOR, RGB(1, 2, 3));
        set_gadget_color(s2, GADGET_BACK_COLOR, RGB(1, 2, 3));
        gadget_tooltip(s1, "tip");
        pump_events(1);
        close_window(w);
        // The gadgets went with their window.
        EXPECT_EQ(gadget_handle(image_a), 0);
        EXPECT_EQ(gadget_handle(s2), 0);
    };
    one_round();  // shared things made once (tooltip window, stock objects)
    pump_events(20);
    const int before = live_gdi_objects();
    // The counter sees a single new object.
    HBRUSH probe = CreateSolidBrush(RGB(9, 8, 7));
    EXPECT_EQ(live_gdi_objects(), before + 1);
    DeleteObject(probe);
    for (int i = 0; i < 100; ++i) one_round();
    pump_events(20);
    EXPECT_EQ(live_gdi_objects(), before);
    EXPECT_EQ(color_brush_count(), 0);
    free_image(rgba);
    free_image(rgb);
}

}  // namespace
