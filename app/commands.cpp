// The main window's command dispatch: menu items and keyboard shortcuts.
#include "app/commands.h"

#include "app/state.h"
#include "ui/window.h"

int64_t on_command(int64_t command) {
    switch (command) {
    default:
        return 1;
    }
}

void add_main_window_shortcuts() {
    (void)app.window;
}
