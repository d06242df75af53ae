// Menu bars on the platform's menus.
#include <cstring>

#include "ui/menu.h"
#include "ui/window_internal.h"

namespace {

HMENU as_menu(int64_t menu) { return reinterpret_cast<HMENU>(static_cast<intptr_t>(menu)); }

// The state bits of the item with this command, or -1 when the menu or
// item does not exist.
int64_t item_state(int64_t menu, uint16_t command) {
    if (!menu || !IsMenu(as_menu(menu))) return -1;
    const UINT state = GetMenuState(as_menu(menu), command, MF_BYCOMMAND);
    return state == static_cast<UINT>(-1) ? -1 : static_cast<int64_t>(state);
}

// The client size the window should keep, grown into a frame with the bar.
void keep_client_size(HWND window, int width, int height) {
    const DWORD style = static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE));
    const DWORD ex_style = static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE));
    RECT outer = {0, 0, width, height};
    AdjustWindowRectEx(&outer, style, TRUE, ex_style);
    SetWindowPos(window, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // A bar that wraps onto a second line is taller than the adjustment
    // assumes: correct by what is still missing.
    RECT client;
    GetClientRect(window, &client);
    const int missing = height - (client.bottom - client.top);
    if (missing != 0) {
        RECT frame;
        GetWindowRect(window, &frame);
        SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top + missing,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

// The frame grew downward: move it back so that its centre is where it
// was (a window created centred on the screen stays centred), without
// pushing a title bar that was on the screen above its top.
void keep_centre(HWND window, const RECT& before) {
    RECT after;
    GetWindowRect(window, &after);
    const int width = after.right - after.left, height = after.bottom - after.top;
    int x = (before.left + before.right - width) / 2, y = (before.top + before.bottom - height) / 2;
    if (x < 0 && before.left >= 0) x = 0;
    if (y < 0 && before.top >= 0) y = 0;
    if (x == after.left && y == after.top) return;
    // Only top-level windows have menu bars: screen coordinates are theirs.
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

int64_t create_menu_bar() { return reinterpret_cast<intptr_t>(CreateMenu()); }

int64_t create_popup_menu() { return reinterpret_cast<intptr_t>(CreatePopupMenu()); }

bool append_menu_item(int64_t menu, uint16_t command, const char* text, uint32_t kind) {
    if (!menu || !IsMenu(as_menu(menu))) return false;
    MENUITEMINFOA item = {};
    item.cbSize = sizeof item;
    item.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STRING | MIIM_STATE;
    item.fType = MFT_STRING | (kind == MENU_ITEM_RADIO ? MFT_RADIOCHECK : 0);
    item.fState = MFS_ENABLED;
    item.wID = command;
    item.dwTypeData = const_cast<char*>(text ? text : "");
    return InsertMenuItemA(as_menu(menu), GetMenuItemCount(as_menu(menu)), TRUE, &item) != FALSE;
}

bool append_menu_popup(int64_t menu, int64_t popup, const char* text) {
    if (!menu || !popup || !IsMenu(as_menu(menu)) || !IsMenu(as_menu(popup))) return false;
    return AppendMenuA(as_menu(menu), MF_POPUP | MF_STRING, static_cast<UINT_PTR>(popup), text ? text : "") != FALSE;
}

bool append_menu_separator(int64_t menu) {
    if (!menu || !IsMenu(as_menu(menu))) return false;
    return AppendMenuA(as_menu(menu), MF_SEPARATOR, 0, nullptr) != FALSE;
}

bool set_window_menu(int64_t window, int64_t bar) {
    HWND handle = reinterpret_cast<HWND>(static_cast<intptr_t>(window_handle(window)));
    if (!handle || !bar || !IsMenu(as_menu(bar))) return false;
    RECT client, before;
    GetClientRect(handle, &client);
    GetWindowRect(handle, &before);
    if (!SetMenu(handle, as_menu(bar))) return false;
    keep_client_size(handle, client.right - client.left, client.bottom - client.top);
    keep_centre(handle, before);
    return true;
}

int64_t window_menu(int64_t window) {
    HWND handle = reinterpret_cast<HWND>(static_cast<intptr_t>(window_handle(window)));
    return handle ? reinterpret_cast<intptr_t>(GetMenu(handle)) : 0;
}

void check_menu_item(int64_t menu, uint16_t command, bool checked) {
    if (item_state(menu, command) < 0) return;
    CheckMenuItem(as_menu(menu), command, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

bool menu_item_checked(int64_t menu, uint16_t command) {
    const int64_t state = item_state(menu, command);
    return state >= 0 && (state & MF_CHECKED);
}

void check_menu_radio(int64_t menu, uint16_t first, uint16_t last, uint16_t chosen) {
    if (item_state(menu, chosen) < 0) return;
    // CheckMenuRadioItem wants the group in one popup: do it item by item so
    // the group may be anywhere below the bar.
    for (uint32_t command = first; command <= last; ++command)
        if (command != chosen) check_menu_item(menu, static_cast<uint16_t>(command), false);
    check_menu_item(menu, chosen, true);
}

void enable_menu_item(int64_t menu, uint16_t command, bool enabled) {
    if (item_state(menu, command) < 0) return;
    EnableMenuItem(as_menu(menu), command, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

bool menu_item_enabled(int64_t menu, uint16_t command) {
    const int64_t state = item_state(menu, command);
    return state >= 0 && !(state & (MF_GRAYED | MF_DISABLED));
}

const char* menu_item_text(int64_t menu, uint16_t command) {
    static char text[256];
    text[0] = '\0';
    if (item_state(menu, command) < 0) return text;
    if (GetMenuStringA(as_menu(menu), command, text, sizeof text, MF_BYCOMMAND) <= 0) text[0] = '\0';
    return text;
}
