// The main window's menu bar, the options shown in the controls, and the
// About box.
#include <windows.h>

#include "app/about.h"
#include "app/commands.h"
#include "app/main_menu.h"
#include "app/settings.h"
#include "app/state.h"
#include "app/text.h"
#include "ui/gadgets.h"
#include "ui/menu.h"
#include "ui/window.h"

namespace {

constexpr uint16_t LAST_OUTPUT_SIZE = COMMAND_OUTPUT_SIZE_FIRST + OUTPUT_SIZE_COUNT - 1;

int64_t file_menu() {
    const int64_t menu = create_popup_menu();
    append_menu_item(menu, COMMAND_OPEN, "&Open...\tCtrl+O");
    append_menu_item(menu, COMMAND_PASTE, "&Paste\tCtrl+V");
    append_menu_separator(menu);
    append_menu_item(menu, COMMAND_SAVE_PNG, "&Save PNG...\tCtrl+S");
    append_menu_item(menu, COMMAND_SAVE_JPG, "Save &JPG...\tCtrl+Shift+S");
    append_menu_item(menu, COMMAND_COPY, "&Copy\tCtrl+C");
    append_menu_separator(menu);
    append_menu_item(menu, COMMAND_EXIT, "E&xit");
    return menu;
}

int64_t options_menu() {
    const int64_t sizes = create_popup_menu();
    for (int i = 0; i < OUTPUT_SIZE_COUNT; ++i)
        append_menu_item(sizes, static_cast<uint16_t>(COMMAND_OUTPUT_SIZE_FIRST + i),
                         number_text(OUTPUT_SIZE_CHOICES[i]).c_str(), MENU_ITEM_RADIO);
    const int64_t menu = create_popup_menu();
    append_menu_item(menu, COMMAND_SMOOTH_EDGE, "&Smooth edge", MENU_ITEM_CHECK);
    append_menu_popup(menu, sizes, "Output si&ze");
    append_menu_item(menu, COMMAND_BACKGROUND_COLOUR, "&Background colour...");
    append_menu_separator(menu);
    append_menu_item(menu, COMMAND_RESET_DEFAULTS, "&Reset to defaults");
    return menu;
}

void show_spin(int64_t gadget, int64_t value) {
    set_gadget_state(gadget, value);
    set_gadget_text(gadget, number_text(value).c_str());
}

}  // namespace

void build_main_menu() {
    const int64_t bar = create_menu_bar();
    append_menu_popup(bar, file_menu(), "&File");
    append_menu_popup(bar, options_menu(), "&Options");
    const int64_t help = create_popup_menu();
    append_menu_item(help, COMMAND_ABOUT, "&About roundcut");
    append_menu_popup(bar, help, "&Help");
    set_window_menu(app.window, bar);
    show_options();
}

void show_options() {
    show_spin(app.radius_spin, app.radius);
    show_spin(app.step_x_spin, app.step_x);
    show_spin(app.step_y_spin, app.step_y);
    show_spin(app.step_xy_spin, app.step_xy);
    set_gadget_state(app.outer_alpha_trackbar, app.outer_alpha);
    set_gadget_state(app.inner_alpha_trackbar, app.inner_alpha);

    const int64_t bar = window_menu(app.window);
    check_menu_item(bar, COMMAND_SMOOTH_EDGE, app.smooth_edge != 0);
    for (int i = 0; i < OUTPUT_SIZE_COUNT; ++i)
        if (OUTPUT_SIZE_CHOICES[i] == app.output_size)
            check_menu_radio(bar, COMMAND_OUTPUT_SIZE_FIRST, LAST_OUTPUT_SIZE,
                             static_cast<uint16_t>(COMMAND_OUTPUT_SIZE_FIRST + i));
}

void show_about() {
    const std::string text = about_text();
    MessageBoxA(reinterpret_cast<HWND>(window_handle(app.window)), text.c_str(), ABOUT_TITLE,
                MB_OK | MB_ICONINFORMATION);
}
