// The main window's commands: their numbers, the menu bar that offers them
// and the keyboard shortcuts that give them, as plain tables.  Menu items
// and shortcuts arrive as EVENT_MENU with a command number as event_menu().
#pragma once

#include <cstddef>
#include <cstdint>

enum Command : uint16_t {
    // File
    COMMAND_OPEN = 1001,
    COMMAND_PASTE = 1002,
    COMMAND_SAVE_PNG = 1003,
    COMMAND_SAVE_JPG = 1004,
    COMMAND_COPY = 1005,
    COMMAND_EXIT = 1006,
    COMMAND_BATCH = 1007,

    // Options
    COMMAND_SMOOTH_EDGE = 1101,
    COMMAND_BACKGROUND_COLOUR = 1102,
    COMMAND_RESET_DEFAULTS = 1103,
    COMMAND_START_ON_FACES = 1104,
    COMMAND_SQUARE_ON_FACE = 1105,
    COMMAND_OUTPUT_SIZE_FIRST = 1110,  // + index into the output sizes

    // Help
    COMMAND_ABOUT = 1201,

    // Crop buttons pressed from the keyboard
    COMMAND_X_PLUS = 1301,
    COMMAND_X_MINUS = 1302,
    COMMAND_Y_PLUS = 1303,
    COMMAND_Y_MINUS = 1304,
    COMMAND_XY_PLUS = 1305,
    COMMAND_XY_MINUS = 1306,
    COMMAND_CANCEL_DRAG = 1307,  // Escape during a drag on the left picture
};

// One entry of a menu.  A shortcut the item shows follows its text after a
// tab ("&Open...\tCtrl+O"); the shortcut itself is in MAIN_SHORTCUTS.
enum MenuEntryKind : uint8_t {
    MENU_ENTRY_ITEM,
    MENU_ENTRY_CHECK,         // ticked while its option is on
    MENU_ENTRY_SEPARATOR,
    MENU_ENTRY_OUTPUT_SIZES,  // a submenu: one radio item per output size
};

struct MenuEntry {
    MenuEntryKind kind;
    uint16_t command;  // 0 for a separator or a submenu
    const char* text;
};

struct MenuPopup {
    const char* title;
    const MenuEntry* entries;
    size_t count;
};

// File, Options and Help, left to right.
extern const MenuPopup MAIN_MENU[];
extern const size_t MAIN_MENU_COUNT;

// A key with its modifiers (ACCEL_* of ui/window.h) and the command it gives.
// Letter keys' virtual-key codes are their capitals.
struct Shortcut {
    uint8_t modifiers;
    uint16_t key;
    uint16_t command;
};

extern const Shortcut MAIN_SHORTCUTS[];
extern const size_t MAIN_SHORTCUT_COUNT;
