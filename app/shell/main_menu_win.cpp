// The main window's menu bar, the options shown in the controls, and the
// About box.
#include <windows.h>

#include "app/shell/main_menu.h"

#include "app/model/about_text.h"
#include "app/model/command_table.h"
#include "app/model/number_text.h"
#include "app/model/options.h"
#include "app/model/state.h"
#include "ui/gadgets.h"
#include "ui/menu.h"
#include "ui/window.h"

namespace {

constexpr uint16_t LAST_OUTPUT_SIZE = COMMAND_OUTPUT_SIZE_FIRST + OUTPUT_SIZE_COUNT - 1;

int64_t output_size_menu() {
    const int64_t sizes = create_popup_menu();
    for (int i = 0; i < OUTPUT_SIZE_COUNT; ++i)
        append_menu_item(sizes, static_cast<uint16_t>(COMMAND_OUTPUT_SIZE_FIRST + i),
                         number_text(OUTPUT_SIZE_CHOICES[i]).c_str(), MENU_ITEM_RADIO);
    return sizes;
}

int64_t popup_menu(const MenuPopup& popup) {
    const int64_t menu = create_popup_menu();
    for (size_t i = 0; i < popup.count; ++i) {
        const MenuEntry& e = popup.entries[i];
        switch (e.kind) {
        case MENU_ENTRY_ITEM: append_menu_item(menu, e.command, e.text); break;
        case MENU_ENTRY_CHECK: append_menu_item(menu, e.command, e.text, MENU_ITEM_CHECK); break;
        case MENU_ENTRY_SEPARATOR: append_menu_separator(menu); break;
        case MENU_ENTRY_OUTPUT_SIZES: append_menu_popup(menu, output_size_menu(), e.text); break;
        }
    }
    return menu;
}

void show_spin(int64_t gadget, int64_t value) {
    set_gadget_state(gadget, value);
    set_gadget_text(gadget, number_text(value).c_str());
}

}  // namespace

void build_main_menu() {
    const int64_t bar = create_menu_bar();
    for (size_t i = 0; i < MAIN_MENU_COUNT; ++i) append_menu_popup(bar, popup_menu(MAIN_MENU[i]), MAIN_MENU[i].title);
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
    check_menu_item(bar, COMMAND_START_ON_FACES, app.start_on_faces != 0);
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
