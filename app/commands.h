// Command numbers of the main window: menu items and keyboard shortcuts
// arrive as EVENT_MENU with one of these as event_menu().
#pragma once

#include <cstdint>

enum Command : uint16_t {
    // File
    COMMAND_OPEN = 1001,
    COMMAND_PASTE = 1002,
    COMMAND_SAVE_PNG = 1003,
    COMMAND_SAVE_JPG = 1004,
    COMMAND_COPY = 1005,
    COMMAND_EXIT = 1006,

    // Options
    COMMAND_SMOOTH_EDGE = 1101,
    COMMAND_BACKGROUND_COLOUR = 1102,
    COMMAND_RESET_DEFAULTS = 1103,
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

// Carries out one command of the main window (a menu item or a shortcut);
// unknown numbers do nothing.  Returns 0 when the command ends the program
// (File > Exit), else 1: handle_event passes it on to the main loop.
int64_t on_command(int64_t command);

// The main window's keyboard shortcuts, added to its accelerator table once
// the window is built.
void add_main_window_shortcuts();
