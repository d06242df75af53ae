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

// A crop button pressed from the keyboard: exactly the button's handling,
// the render after it included.
void press_from_keyboard(int64_t button) {
    on_crop_button(button);
    render_cutout(app.background_colour);
}

// Virtual-key codes of the shortcuts.
constexpr uint16_t KEY_ESCAPE = 0x1B, KEY_LEFT = 0x25, KEY_UP = 0x26, KEY_RIGHT = 0x27, KEY_DOWN = 0x28;
constexpr uint16_t KEY_PAD_PLUS = 0x6B, KEY_PAD_MINUS = 0x6D, KEY_PLUS = 0xBB, KEY_MINUS = 0xBD;  // '=' '+' and '-'

}  // namespace

int64_t on_command(int64_t command) {
    switch (command) {
    case COMMAND_OPEN:
        on_load();
        render_now();
        return 1;
    case COMMAND_SAVE_PNG:
        settle_crop_preview();
        save_png();
        return 1;
    case COMMAND_SAVE_JPG:
        settle_crop_preview();
        save_jpg();
        return 1;
    case COMMAND_COPY:
        settle_crop_preview();
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
    case COMMAND_X_PLUS: press_from_keyboard(app.x_plus_button); return 1;
    case COMMAND_X_MINUS: press_from_keyboard(app.x_minus_button); return 1;
    case COMMAND_Y_PLUS: press_from_keyboard(app.y_plus_button); return 1;
    case COMMAND_Y_MINUS: press_from_keyboard(app.y_minus_button); return 1;
    case COMMAND_XY_PLUS: press_from_keyboard(app.xy_plus_button); return 1;
    case COMMAND_XY_MINUS: press_from_keyboard(app.xy_minus_button); return 1;
    case COMMAND_CANCEL_DRAG: cancel_crop_drag(); return 1;
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
    const struct {
        uint8_t modifiers;
        uint16_t key;
        uint16_t command;
    } shortcuts[] = {
        {ACCEL_CONTROL, 'O', COMMAND_OPEN},
        {ACCEL_CONTROL, 'V', COMMAND_PASTE},
        {ACCEL_CONTROL, 'S', COMMAND_SAVE_PNG},
        {ACCEL_CONTROL | ACCEL_SHIFT, 'S', COMMAND_SAVE_JPG},
        {ACCEL_CONTROL, 'C', COMMAND_COPY},
        {ACCEL_CONTROL, KEY_RIGHT, COMMAND_X_PLUS},
        {ACCEL_CONTROL, KEY_LEFT, COMMAND_X_MINUS},
        {ACCEL_CONTROL, KEY_DOWN, COMMAND_Y_PLUS},
        {ACCEL_CONTROL, KEY_UP, COMMAND_Y_MINUS},
        {ACCEL_CONTROL, KEY_PLUS, COMMAND_XY_PLUS},  // Ctrl+=
        {ACCEL_CONTROL | ACCEL_SHIFT, KEY_PLUS, COMMAND_XY_PLUS},  // Ctrl+Plus, shifted on most layouts
        {ACCEL_CONTROL, KEY_PAD_PLUS, COMMAND_XY_PLUS},
        {ACCEL_CONTROL, KEY_MINUS, COMMAND_XY_MINUS},
        {ACCEL_CONTROL, KEY_PAD_MINUS, COMMAND_XY_MINUS},
        {0, KEY_ESCAPE, COMMAND_CANCEL_DRAG},
    };
    for (const auto& s : shortcuts) add_window_accelerator(app.window, s.modifiers, s.key, s.command);
}
