// Building the main window and dispatching its events.
#include <windows.h>

#include <string>

#include "app/model/number_text.h"
#include "app/model/options.h"
#include "app/model/state.h"
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

// Caption, system menu and minimise box: a fixed frame without maximise box.
constexpr uint32_t MAIN_WINDOW_FLAGS = 0xCA0000 | WINDOW_CENTER_SCREEN;

constexpr int32_t STATUS_FIELD_WIDTH = 60;
constexpr int32_t STATUS_LABEL_FLAGS = STATUS_RAISED | STATUS_CENTRED;
const char* const STATUS_LABELS[] = {"B:", "H:", "XS:", "YS:", "XE:", "YE:"};

int64_t spin(int32_t x, int32_t y, int32_t width, const OptionRange& range, int64_t value) {
    const int64_t gadget = spin_gadget(AUTO_ID, x, y, width, 20, static_cast<int32_t>(range.low),
                                       static_cast<int32_t>(range.high), SPIN_NUMERIC);
    set_gadget_state(gadget, value);
    set_gadget_text(gadget, number_text(value).c_str());
    return gadget;
}

int64_t alpha_trackbar(int32_t x) {
    const int64_t gadget = trackbar_gadget(AUTO_ID, x, 110, 40, 500, static_cast<int32_t>(ALPHA_OPTION.low),
                                           static_cast<int32_t>(ALPHA_OPTION.high), TRACKBAR_TICKS | TRACKBAR_VERTICAL);
    set_gadget_state(gadget, ALPHA_OPTION.start);
    return gadget;
}

}  // namespace

void build_main_window(int32_t x, int32_t y, int32_t width, int32_t height) {
    app.window = open_window(AUTO_ID, x, y, width, height, "", MAIN_WINDOW_FLAGS);
    set_window_color(app.window, rgb(192, 192, 192));
    accept_dropped_files(app.window, true);

    create_status_bar(STATUS_BAR, window_handle(app.window));
    for (int32_t field = 0; field < 6; ++field) {
        add_status_bar_field(STATUS_FIELD_WIDTH);
        status_bar_text(STATUS_BAR, field, STATUS_LABELS[field], STATUS_LABEL_FLAGS);
    }
    // Why the picture is black or in part, when it is: the rest of the bar,
    // without a border so that it is not there when empty.
    add_status_bar_field(IGNORE_ARG);
    status_bar_text(STATUS_BAR, PROBLEM_FIELD, "", STATUS_BORDERLESS);

    // Creation order is tab order.
    app.left_image_gadget = image_gadget(AUTO_ID, 10, 10, 600, 600, 0);
    track_image_gadget_pointer(app.left_image_gadget, true);
    app.right_image_gadget = image_gadget(AUTO_ID, 720, 10, 600, 600, 0);
    app.load_button = button_gadget(AUTO_ID, 720, 620, 90, 30, "Load");
    app.radius_frame = frame_gadget(AUTO_ID, 620, 50, 90, 50, "Radius");
    app.start_button = button_gadget(AUTO_ID, 960, 620, 90, 30, "Start");
    app.save_png_button = button_gadget(AUTO_ID, 1210, 620, 100, 30, "Save PNG");
    app.outer_alpha_trackbar = alpha_trackbar(620);
    app.inner_alpha_trackbar = alpha_trackbar(670);
    app.back_color_button = button_gadget(AUTO_ID, 840, 620, 90, 30, "Back-Color");
    app.x_plus_button = button_gadget(AUTO_ID, 10, 620, 30, 30, "X+");
    app.y_plus_button = button_gadget(AUTO_ID, 170, 620, 30, 30, "Y+");
    app.x_minus_button = button_gadget(AUTO_ID, 110, 620, 30, 30, "X-");
    app.y_minus_button = button_gadget(AUTO_ID, 270, 620, 30, 30, "Y-");
    app.xy_plus_button = button_gadget(AUTO_ID, 340, 620, 30, 30, "XY+");
    app.xy_minus_button = button_gadget(AUTO_ID, 440, 620, 30, 30, "XY-");
    app.save_jpg_button = button_gadget(AUTO_ID, 1080, 620, 100, 30, "Save JPG");
    app.radius_spin = spin(630, 70, 70, RADIUS_OPTION, RADIUS_OPTION.start);
    gadget_tooltip(app.radius_spin, "Radius");
    app.step_x_spin = spin(50, 630, 50, STEP_OPTION, STEP_OPTION.start);
    app.step_y_spin = spin(210, 630, 50, STEP_OPTION, STEP_OPTION.start);
    app.step_xy_spin = spin(380, 630, 50, STEP_OPTION, STEP_OPTION.start);
    set_crop_display_release(release_crop_display);
    build_main_menu();
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
    resize_gadget(app.right_image_gadget, window_width(app.window) - 610, 10, 600, 600);
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
        on_window_sized();
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
