// The main window's command dispatch: menu items and keyboard shortcuts.
#include "app/commands.h"

#include "app/paste.h"
#include "app/state.h"
#include "ui/window.h"

int64_t on_command(int64_t command) {
    switch (command) {
    case COMMAND_PASTE:
        on_paste();
        return 1;
    default:
        return 1;
    }
}

void add_main_window_shortcuts() {
    add_window_accelerator(app.window, ACCEL_CONTROL, 'V', COMMAND_PASTE);
}
