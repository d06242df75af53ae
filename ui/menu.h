// Menu bars of toolkit windows: a bar of popups, their items (plain, check
// or radio), separators and submenus.  Choosing an item arrives as
// EVENT_MENU with event_menu() equal to the item's command, like a keyboard
// shortcut of the window (add_window_accelerator); a shortcut is shown by
// writing it after a tab in the item's text ("Open...\tCtrl+O").
//
// Menu handles travel as 64-bit integers (an HMENU's value); 0 is no menu.
// A menu attached to a window is destroyed with it.
#pragma once

#include <cstdint>

// append_menu_item kinds.
constexpr uint32_t MENU_ITEM_PLAIN = 0;
constexpr uint32_t MENU_ITEM_CHECK = 1;  // shows a tick when checked
constexpr uint32_t MENU_ITEM_RADIO = 2;  // shows a dot when checked; one of a group

int64_t create_menu_bar();
int64_t create_popup_menu();

// false when the menu is no menu or the platform refuses.
bool append_menu_item(int64_t menu, uint16_t command, const char* text, uint32_t kind = MENU_ITEM_PLAIN);
bool append_menu_popup(int64_t menu, int64_t popup, const char* text);
bool append_menu_separator(int64_t menu);

// Attaches the bar to the toolkit window and grows the window's frame by the
// bar's height, so that the client area keeps its size and every gadget its
// place.  false when either handle names nothing.
bool set_window_menu(int64_t window, int64_t bar);
// The bar attached to the toolkit window, 0 without one.
int64_t window_menu(int64_t window);

// Item states, found by command anywhere below `menu` (submenus included).
void check_menu_item(int64_t menu, uint16_t command, bool checked);
bool menu_item_checked(int64_t menu, uint16_t command);
// Checks `chosen` and unchecks the other commands first..last of its group.
void check_menu_radio(int64_t menu, uint16_t first, uint16_t last, uint16_t chosen);
void enable_menu_item(int64_t menu, uint16_t command, bool enabled);
bool menu_item_enabled(int64_t menu, uint16_t command);
// The item's text, tab and shortcut included; empty when there is no such
// item.  It stays valid until the next call.
const char* menu_item_text(int64_t menu, uint16_t command);
