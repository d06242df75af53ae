// The main window's command dispatch: menu items and keyboard shortcuts.
#include "app/commands.h"

#include "app/clipboard.h"
#include "app/handlers.h"
#include "app/main_menu.h"
#include "app/main_window.h"
#include "app/paste.h"
#include "app/render.h"
#include "app/save.h"
#include "app/settings.h"
#include "app/state.h"
#include "ui/window.h"

namespace {

// The options changed from the menu show at once, as a trackbar's do.
void render_now() { render_cutout(app.background_colour); }

}  // namespace

int64_t on_command(int64_t command) {
    switch (command) {
    case COMMAND_OPEN:
        on_load();
        render_now();
        return 1;
    case COMMAND_SAVE_PNG:
        save_png();
        return 1;
    case COMMAND_SAVE_JPG:
        save_jpg();
        return 1;
    case COMMAND_COPY:
        on_copy();
        return 1;
    case COMMAND_PASTE:
        on_paste();
        return 1;
    case COMMAND_EXIT:
        return 0;
    case COMMAND_SMOOTH_EDGE:
        app.smooth_edge = !app.smooth_edge;
        show_options();
        render_now();
        return 1;
    case COMMAND_BACKGROUND_COLOUR:
        on_back_color();
        return 1;
    case COMMAND_RESET_DEFAULTS:
        reset_app_options();
        show_options();
        render_now();
        return 1;
    case COMMAND_ABOUT:
        show_about();
        return 1;
    default:
        if (command >= COMMAND_OUTPUT_SIZE_FIRST && command < COMMAND_OUTPUT_SIZE_FIRST + OUTPUT_SIZE_COUNT) {
            app.output_size = OUTPUT_SIZE_CHOICES[command - COMMAND_OUTPUT_SIZE_FIRST];
            show_options();
        }
        return 1;
    }
}

void add_main_window_shortcuts() {
    // Letter keys' virtual-key codes are their capitals.
    add_window_accelerator(app.window, ACCEL_CONTROL, 'O', COMMAND_OPEN);
    add_window_accelerator(app.window, ACCEL_CONTROL, 'V', COMMAND_PASTE);
    add_window_accelerator(app.window, ACCEL_CONTROL, 'S', COMMAND_SAVE_PNG);
    add_window_accelerator(app.window, ACCEL_CONTROL | ACCEL_SHIFT, 'S', COMMAND_SAVE_JPG);
    add_window_accelerator(app.window, ACCEL_CONTROL, 'C', COMMAND_COPY);
}
