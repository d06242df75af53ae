// Building the main window and dispatching its events.
#include <windows.h>

#include <string>

#include "app/model/number_text.h"
#include "app/model/options.h"
#include "app/model/state.h"
#include "app/model/window_layout.h"
#include "app/output/render.h"
#include "app/output/save.h"
#include "app/picture/source.h"
#include "app/shell/commands.h"
#include "app/shell/load_command.h"
#include "app/shell/main_menu.h"
#include "app/shell/main_window.h"
#include "app/shell/picture_view.h"
#include "image/drawing.h"
#include "ui/events.h"
#include "ui/gadgets.h"
#include "ui/requester.h"
#include "ui/statusbar.h"
#include "ui/window.h"

namespace {

// Caption, system menu, minimise and maximise boxes and a sizing border;
// made hidden, shown once its menu, size and place are set.
constexpr uint32_t MAIN_WINDOW_STYLE = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME;

constexpr int32_t STATUS_FIELD_WIDTH = 60;
constexpr int32_t STATUS_LABEL_FLAGS = STATUS_RAISED | STATUS_CENTRED;
const char* const STATUS_LABELS[] = {"B:", "H:", "XS:", "YS:", "XE:", "YE:"};
constexpr int32_t STATUS_FIELDS = static_cast<int32_t>(sizeof STATUS_LABELS / sizeof STATUS_LABELS[0]);

// The DPI the window's font, status fields and layout were made for, and
// that font (null at 96 DPI: the system's default GUI font, as always).
int32_t laid_out_dpi = DESIGN_DPI;
HFONT scaled_font = nullptr;

// The gadget of each place in the layout.
int64_t* layout_gadget(int control) {
    int64_t* const gadgets[LAYOUT_CONTROL_COUNT] = {
        &app.left_image_gadget, &app.right_image_gadget, &app.load_button,     &app.radius_frame,
        &app.start_button,      &app.save_png_button,    &app.outer_alpha_trackbar, &app.inner_alpha_trackbar,
        &app.back_color_button, &app.x_plus_button,      &app.y_plus_button,   &app.x_minus_button,
        &app.y_minus_button,    &app.xy_plus_button,     &app.xy_minus_button, &app.save_jpg_button,
        &app.radius_spin,       &app.step_x_spin,        &app.step_y_spin,     &app.step_xy_spin,
    };
    return gadgets[control];
}

HWND main_hwnd() { return reinterpret_cast<HWND>(window_handle(app.window)); }

BOOL CALLBACK set_child_font(HWND child, LPARAM font) {
    SendMessageA(child, WM_SETFONT, static_cast<WPARAM>(font), TRUE);
    return TRUE;
}

// The gadgets' font for this DPI: 8 points, the default GUI font's face.
void use_font_for(int32_t dpi) {
    HFONT old = scaled_font;
    scaled_font = nullptr;
    if (dpi != DESIGN_DPI) {
        LOGFONTA face{};
        GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof face, &face);
        face.lfHeight = -scale_length(11, dpi);
        face.lfWidth = 0;
        scaled_font = CreateFontIndirectA(&face);
    }
    set_gadget_font(reinterpret_cast<intptr_t>(scaled_font));
    HFONT font = scaled_font ? scaled_font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    if (HWND window = main_hwnd()) EnumChildWindows(window, set_child_font, reinterpret_cast<LPARAM>(font));
    if (old) DeleteObject(old);
}

// Outer size minus client size, menu bar included.
SIZE frame_size(HWND window) {
    RECT outer, client;
    GetWindowRect(window, &outer);
    GetClientRect(window, &client);
    return SIZE{(outer.right - outer.left) - client.right, (outer.bottom - outer.top) - client.bottom};
}

LayoutRect work_area(HWND window) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info);
    const RECT& r = info.rcWork;
    return LayoutRect{r.left, r.top, r.right - r.left, r.bottom - r.top};
}

// The smallest size the user may drag the window to at this DPI.
void limit_size(HWND window, int32_t dpi) {
    int32_t width = 0, height = 0;
    min_client_size(dpi, &width, &height);
    const SIZE frame = frame_size(window);
    set_window_min_size(app.window, width + frame.cx, height + frame.cy);
}

void apply_layout(const WindowLayout& layout) {
    for (int i = 0; i < LAYOUT_CONTROL_COUNT; ++i) {
        const LayoutRect& r = layout.controls[i];
        resize_gadget(*layout_gadget(i), r.x, r.y, r.width, r.height);
    }
}

// Font, status fields and size limit for the window's DPI.
void scale_for(int32_t dpi) {
    laid_out_dpi = dpi;
    use_font_for(dpi);
    for (int32_t field = 0; field < STATUS_FIELDS; ++field)
        set_status_bar_field_width(STATUS_BAR, field, scale_length(STATUS_FIELD_WIDTH, dpi));
    limit_size(main_hwnd(), dpi);
}

// The remembered place, brought back inside the work area of the monitor
// nearest to it (the screens may have changed since) and no smaller than
// the layout needs; false when none is remembered.
bool remembered_place(HWND window, int32_t dpi, LayoutRect* placed) {
    if (app.window_width <= 0 || app.window_height <= 0) return false;
    const auto x = static_cast<int32_t>(app.window_x), y = static_cast<int32_t>(app.window_y);
    const auto width = static_cast<int32_t>(app.window_width), height = static_cast<int32_t>(app.window_height);
    const RECT wanted{x, y, x + width, y + height};
    MONITORINFO info{};
    info.cbSize = sizeof info;
    GetMonitorInfoA(MonitorFromRect(&wanted, MONITOR_DEFAULTTONEAREST), &info);
    const RECT& w = info.rcWork;
    const LayoutRect work{w.left, w.top, w.right - w.left, w.bottom - w.top};
    int32_t min_width = 0, min_height = 0;
    min_client_size(dpi, &min_width, &min_height);
    const SIZE frame = frame_size(window);
    LayoutRect rect{x, y, width < work.width ? width : work.width, height < work.height ? height : work.height};
    if (rect.width < min_width + frame.cx) rect.width = min_width + frame.cx;
    if (rect.height < min_height + frame.cy) rect.height = min_height + frame.cy;
    *placed = place_in_work_area(rect, work, false);
    return true;
}

// The opening size and place: where the window was last left, else the
// pictures at 600 where the window fits the work area of its monitor,
// centred on it.
void size_and_place(HWND window, int32_t dpi) {
    LayoutRect placed;
    if (!remembered_place(window, dpi, &placed)) {
        const LayoutRect work = work_area(window);
        const SIZE frame = frame_size(window);
        const WindowLayout layout = opening_layout(dpi, work.width, work.height, frame.cx, frame.cy);
        placed = place_in_work_area({0, 0, layout.client_width + frame.cx, layout.client_height + frame.cy}, work,
                                    true);
    }
    SetWindowPos(window, nullptr, placed.x, placed.y, placed.width, placed.height, SWP_NOZORDER | SWP_NOACTIVATE);
    RECT client;
    GetClientRect(window, &client);
    apply_layout(layout_for_client(dpi, client.right, client.bottom));
}

// The place and size to remember: the restored window's, and whether it is
// maximised.
void remember_place() {
    HWND window = main_hwnd();
    if (!window || IsIconic(window) || !IsWindowVisible(window)) return;
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    if (!GetWindowPlacement(window, &placement)) return;
    const RECT& r = placement.rcNormalPosition;
    app.window_x = r.left;
    app.window_y = r.top;
    app.window_width = r.right - r.left;
    app.window_height = r.bottom - r.top;
    app.window_maximised = IsZoomed(window) ? 1 : 0;
}

int64_t spin(const LayoutRect& r, const OptionRange& range, int64_t value) {
    const int64_t gadget = spin_gadget(AUTO_ID, r.x, r.y, r.width, r.height, static_cast<int32_t>(range.low),
                                       static_cast<int32_t>(range.high), SPIN_NUMERIC);
    set_gadget_state(gadget, value);
    set_gadget_text(gadget, number_text(value).c_str());
    return gadget;
}

int64_t alpha_trackbar(const LayoutRect& r) {
    const int64_t gadget = trackbar_gadget(AUTO_ID, r.x, r.y, r.width, r.height, static_cast<int32_t>(ALPHA_OPTION.low),
                                           static_cast<int32_t>(ALPHA_OPTION.high), TRACKBAR_TICKS | TRACKBAR_VERTICAL);
    set_gadget_state(gadget, ALPHA_OPTION.start);
    return gadget;
}

int64_t button(const LayoutRect& r, const char* text) {
    return button_gadget(AUTO_ID, r.x, r.y, r.width, r.height, text);
}

}  // namespace

void build_main_window(int32_t x, int32_t y, int32_t width, int32_t height) {
    app.window = open_window(AUTO_ID, x, y, width, height, "", MAIN_WINDOW_STYLE | WINDOW_HIDDEN);
    HWND window = main_hwnd();
    const int32_t dpi = window_dpi(app.window);
    laid_out_dpi = dpi;
    use_font_for(dpi);
    set_window_color(app.window, rgb(192, 192, 192));
    accept_dropped_files(app.window, true);

    create_status_bar(STATUS_BAR, window_handle(app.window));
    for (int32_t field = 0; field < STATUS_FIELDS; ++field) {
        add_status_bar_field(scale_length(STATUS_FIELD_WIDTH, dpi));
        status_bar_text(STATUS_BAR, field, STATUS_LABELS[field], STATUS_LABEL_FLAGS);
    }
    // Why the picture is black or in part, when it is: the rest of the bar,
    // without a border so that it is not there when empty.
    add_status_bar_field(IGNORE_ARG);
    status_bar_text(STATUS_BAR, PROBLEM_FIELD, "", STATUS_BORDERLESS);

    // Made at the designed size; placed for the screen once the menu is on.
    const WindowLayout designed = layout_for_shown(dpi, DESIGN_SHOWN_SIZE);
    const LayoutRect* at = designed.controls;
    // Creation order is tab order.
    app.left_image_gadget = image_gadget(AUTO_ID, at[LAYOUT_LEFT_PICTURE].x, at[LAYOUT_LEFT_PICTURE].y,
                                         at[LAYOUT_LEFT_PICTURE].width, at[LAYOUT_LEFT_PICTURE].height, 0);
    track_image_gadget_pointer(app.left_image_gadget, true);
    app.right_image_gadget = image_gadget(AUTO_ID, at[LAYOUT_RIGHT_PICTURE].x, at[LAYOUT_RIGHT_PICTURE].y,
                                          at[LAYOUT_RIGHT_PICTURE].width, at[LAYOUT_RIGHT_PICTURE].height, 0);
    app.load_button = button(at[LAYOUT_LOAD], "Load");
    const LayoutRect& frame = at[LAYOUT_RADIUS_FRAME];
    app.radius_frame = frame_gadget(AUTO_ID, frame.x, frame.y, frame.width, frame.height, "Radius");
    app.start_button = button(at[LAYOUT_START], "Start");
    app.save_png_button = button(at[LAYOUT_SAVE_PNG], "Save PNG");
    app.outer_alpha_trackbar = alpha_trackbar(at[LAYOUT_OUTER_ALPHA]);
    app.inner_alpha_trackbar = alpha_trackbar(at[LAYOUT_INNER_ALPHA]);
    app.back_color_button = button(at[LAYOUT_BACK_COLOR], "Back-Color");
    app.x_plus_button = button(at[LAYOUT_X_PLUS], "X+");
    app.y_plus_button = button(at[LAYOUT_Y_PLUS], "Y+");
    app.x_minus_button = button(at[LAYOUT_X_MINUS], "X-");
    app.y_minus_button = button(at[LAYOUT_Y_MINUS], "Y-");
    app.xy_plus_button = button(at[LAYOUT_XY_PLUS], "XY+");
    app.xy_minus_button = button(at[LAYOUT_XY_MINUS], "XY-");
    app.save_jpg_button = button(at[LAYOUT_SAVE_JPG], "Save JPG");
    app.radius_spin = spin(at[LAYOUT_RADIUS_SPIN], RADIUS_OPTION, RADIUS_OPTION.start);
    gadget_tooltip(app.radius_spin, "Radius");
    app.step_x_spin = spin(at[LAYOUT_STEP_X_SPIN], STEP_OPTION, STEP_OPTION.start);
    app.step_y_spin = spin(at[LAYOUT_STEP_Y_SPIN], STEP_OPTION, STEP_OPTION.start);
    app.step_xy_spin = spin(at[LAYOUT_STEP_XY_SPIN], STEP_OPTION, STEP_OPTION.start);
    set_crop_display_release(release_crop_display);
    build_main_menu();
    // The status bar too takes the scaled font (the gadgets have it already).
    if (scaled_font) EnumChildWindows(window, set_child_font, reinterpret_cast<LPARAM>(scaled_font));

    size_and_place(window, dpi);
    limit_size(window, dpi);
    ShowWindow(window, app.window_maximised ? SW_SHOWMAXIMIZED : SW_SHOW);
}

int64_t* spin_variable(int64_t gadget) {
    // Before the window is built every handle is 0, and 0 names no gadget.
    if (gadget == 0) return nullptr;
    if (gadget == app.radius_spin) return &app.radius;
    if (gadget == app.step_x_spin) return &app.step_x;
    if (gadget == app.step_y_spin) return &app.step_y;
    if (gadget == app.step_xy_spin) return &app.step_xy;
    return nullptr;
}

void on_window_sized() {
    HWND window = main_hwnd();
    if (!window || IsIconic(window)) return;
    const int32_t dpi = window_dpi(app.window);
    if (dpi != laid_out_dpi) scale_for(dpi);
    const WindowLayout layout = layout_for_client(dpi, window_width(app.window), window_height(app.window));
    apply_layout(layout);
    set_shown_size(layout.shown);
    remember_place();
}

void on_spin_change(int64_t gadget, int64_t type) {
    if (type != EVENT_TYPE_CHANGE) return;
    int64_t* variable = spin_variable(gadget);
    if (!variable) return;
    *variable = parse_number(get_gadget_text(gadget).c_str());
}

void on_back_color() {
    const int64_t colour = color_requester();
    if (colour > -1) app.background_colour = colour;
    render_cutout(app.background_colour);
}

namespace {

bool is_crop_button(int64_t gadget) {
    return gadget == app.x_plus_button || gadget == app.x_minus_button || gadget == app.y_plus_button ||
           gadget == app.y_minus_button || gadget == app.xy_plus_button || gadget == app.xy_minus_button;
}

void on_gadget(int64_t gadget, int64_t type) {
    // No gadget has handle 0: an event for 0 (before the window exists)
    // must not match the unset handles.
    if (gadget == 0) return;
    bool render = false;
    if (gadget == app.load_button) {
        on_load();
        render = true;
    } else if (gadget == app.start_button) {
        render = true;
    } else if (gadget == app.save_png_button) {
        save_png();
    } else if (gadget == app.save_jpg_button) {
        save_jpg();
    } else if (gadget == app.back_color_button) {
        on_back_color();
    } else if (gadget == app.outer_alpha_trackbar) {
        app.outer_alpha = get_gadget_state(gadget);
        render = true;
    } else if (gadget == app.inner_alpha_trackbar) {
        app.inner_alpha = get_gadget_state(gadget);
        render = true;
    } else if (spin_variable(gadget)) {
        on_spin_change(gadget, type);
    } else if (gadget == app.left_image_gadget) {
        on_left_image_event(type);  // renders itself when the square changes
    } else if (is_crop_button(gadget)) {
        // Rendered even when the press was refused.
        on_crop_button(gadget);
        render = true;
    }
    if (render) render_cutout(app.background_colour);
}

}  // namespace

int64_t handle_event(int32_t code) {
    switch (code) {
    case EVENT_WINDOW_SIZED:
    case EVENT_WINDOW_DPI_CHANGED:
        on_window_sized();
        return 1;
    case EVENT_WINDOW_MOVED:
        remember_place();
        return 1;
    case EVENT_CLOSE_WINDOW:
        return 0;
    case EVENT_MENU:
        return on_command(event_menu(), event_type() == EVENT_TYPE_SHORTCUT);
    case EVENT_DROP_FILES:
        on_dropped_file(static_cast<const char*>(event_data()));
        return 1;
    case EVENT_GADGET:
        on_gadget(event_gadget(), event_type());
        return 1;
    default:
        return 1;
    }
}
