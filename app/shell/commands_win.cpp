// The main window's command dispatch: menu items and keyboard shortcuts.
#include "app/shell/batch_window.h"
#include "app/shell/commands.h"

#include <windows.h>

#include "app/model/command_table.h"
#include "app/model/settings.h"
#include "app/model/state.h"
#include "app/output/clipboard.h"
#include "app/output/render.h"
#include "app/output/save.h"
#include "app/picture/source.h"
#include "app/shell/load_command.h"
#include "app/shell/main_menu.h"
#include "app/shell/main_window.h"
#include "app/shell/picture_view.h"
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

// The focused control when it is an edit.
HWND focused_edit() {
    HWND focus = GetFocus();
    char name[16] = {};
    if (!focus || !GetClassNameA(focus, name, sizeof name) || lstrcmpiA(name, "Edit") != 0) return nullptr;
    return focus;
}

// The focused control when it is an edit with some text selected.
HWND edit_with_selection() {
    HWND focus = focused_edit();
    if (!focus) return nullptr;
    DWORD start = 0, end = 0;
    SendMessageA(focus, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return end > start ? focus : nullptr;
}

}  // namespace

int64_t on_command(int64_t command, bool from_shortcut) {
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
        if (from_shortcut) on_copy();
        else copy_cutout();
        return 1;
    case COMMAND_PASTE:
        // Ctrl+V in a focused edit with text to take is the edit's own paste.
        if (from_shortcut && focused_edit() && IsClipboardFormatAvailable(CF_UNICODETEXT))
            SendMessageA(focused_edit(), WM_PASTE, 0, 0);
        else on_paste();
        return 1;
    case COMMAND_BATCH:
        on_batch();
        return 1;
    case COMMAND_EXIT:
        return 0;
    case COMMAND_SMOOTH_EDGE:
        app.smooth_edge = !app.smooth_edge;
        show_options();
        render_now();
        return 1;
    case COMMAND_START_ON_FACES:
        app.start_on_faces = !app.start_on_faces;
        show_options();
        return 1;
    case COMMAND_SQUARE_ON_FACE:
        // As a crop button's press: a drag in progress goes on from the face.
        settle_crop_preview();
        if (apply_face_square()) {
            rebase_crop_drag();
            show_crop_square();
            show_crop_image();
        }
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
    for (size_t i = 0; i < MAIN_SHORTCUT_COUNT; ++i) {
        const Shortcut& s = MAIN_SHORTCUTS[i];
        add_window_accelerator(app.window, s.modifiers, s.key, s.command);
    }
}

int64_t on_copy() {
    if (HWND edit = edit_with_selection()) {
        SendMessageA(edit, WM_COPY, 0, 0);
        return 1;
    }
    return copy_cutout();
}
