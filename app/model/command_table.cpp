#include "app/model/command_table.h"

#include "ui/window.h"

namespace {

constexpr MenuEntry FILE_ENTRIES[] = {
    {MENU_ENTRY_ITEM, COMMAND_OPEN, "&Open...\tCtrl+O"},
    {MENU_ENTRY_ITEM, COMMAND_PASTE, "&Paste\tCtrl+V"},
    {MENU_ENTRY_ITEM, COMMAND_BATCH, "&Batch...\tCtrl+B"},
    {MENU_ENTRY_SEPARATOR, 0, nullptr},
    {MENU_ENTRY_ITEM, COMMAND_SAVE_PNG, "&Save PNG...\tCtrl+S"},
    {MENU_ENTRY_ITEM, COMMAND_SAVE_JPG, "Save &JPG...\tCtrl+Shift+S"},
    {MENU_ENTRY_ITEM, COMMAND_COPY, "&Copy\tCtrl+C"},
    {MENU_ENTRY_SEPARATOR, 0, nullptr},
    {MENU_ENTRY_ITEM, COMMAND_EXIT, "E&xit"},
};

constexpr MenuEntry OPTIONS_ENTRIES[] = {
    {MENU_ENTRY_CHECK, COMMAND_SMOOTH_EDGE, "&Smooth edge"},
    {MENU_ENTRY_OUTPUT_SIZES, 0, "Output si&ze"},
    {MENU_ENTRY_ITEM, COMMAND_BACKGROUND_COLOUR, "&Background colour..."},
    {MENU_ENTRY_SEPARATOR, 0, nullptr},
    {MENU_ENTRY_CHECK, COMMAND_START_ON_FACES, "Start on &faces"},
    {MENU_ENTRY_ITEM, COMMAND_SQUARE_ON_FACE, "S&quare on the face\tCtrl+F"},
    {MENU_ENTRY_SEPARATOR, 0, nullptr},
    {MENU_ENTRY_ITEM, COMMAND_RESET_DEFAULTS, "&Reset to defaults"},
};

constexpr MenuEntry HELP_ENTRIES[] = {
    {MENU_ENTRY_ITEM, COMMAND_ABOUT, "&About roundcut"},
};

template <size_t N>
constexpr MenuPopup popup(const char* title, const MenuEntry (&entries)[N]) {
    return MenuPopup{title, entries, N};
}

// Virtual-key codes of the shortcuts.
constexpr uint16_t KEY_ESCAPE = 0x1B, KEY_LEFT = 0x25, KEY_UP = 0x26, KEY_RIGHT = 0x27, KEY_DOWN = 0x28;
constexpr uint16_t KEY_PAD_PLUS = 0x6B, KEY_PAD_MINUS = 0x6D, KEY_PLUS = 0xBB, KEY_MINUS = 0xBD;  // '=' '+' and '-'

}  // namespace

const MenuPopup MAIN_MENU[] = {
    popup("&File", FILE_ENTRIES),
    popup("&Options", OPTIONS_ENTRIES),
    popup("&Help", HELP_ENTRIES),
};
const size_t MAIN_MENU_COUNT = sizeof MAIN_MENU / sizeof MAIN_MENU[0];

const Shortcut MAIN_SHORTCUTS[] = {
    {ACCEL_CONTROL, 'O', COMMAND_OPEN},
    {ACCEL_CONTROL, 'V', COMMAND_PASTE},
    {ACCEL_CONTROL, 'B', COMMAND_BATCH},
    {ACCEL_CONTROL, 'S', COMMAND_SAVE_PNG},
    {ACCEL_CONTROL | ACCEL_SHIFT, 'S', COMMAND_SAVE_JPG},
    {ACCEL_CONTROL, 'C', COMMAND_COPY},
    {ACCEL_CONTROL, 'F', COMMAND_SQUARE_ON_FACE},
    {ACCEL_CONTROL | ACCEL_NOT_IN_EDIT, KEY_RIGHT, COMMAND_X_PLUS},  // in an edit: a word on
    {ACCEL_CONTROL | ACCEL_NOT_IN_EDIT, KEY_LEFT, COMMAND_X_MINUS},
    {ACCEL_CONTROL, KEY_DOWN, COMMAND_Y_PLUS},
    {ACCEL_CONTROL, KEY_UP, COMMAND_Y_MINUS},
    {ACCEL_CONTROL, KEY_PLUS, COMMAND_XY_PLUS},                // Ctrl+=
    {ACCEL_CONTROL | ACCEL_SHIFT, KEY_PLUS, COMMAND_XY_PLUS},  // Ctrl+Plus, shifted on most layouts
    {ACCEL_CONTROL, KEY_PAD_PLUS, COMMAND_XY_PLUS},
    {ACCEL_CONTROL, KEY_MINUS, COMMAND_XY_MINUS},
    {ACCEL_CONTROL, KEY_PAD_MINUS, COMMAND_XY_MINUS},
    {0, KEY_ESCAPE, COMMAND_CANCEL_DRAG},
};
const size_t MAIN_SHORTCUT_COUNT = sizeof MAIN_SHORTCUTS / sizeof MAIN_SHORTCUTS[0];
