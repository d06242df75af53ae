// Pictures arriving: the Load dialog, a file dropped on the window and a
// paste from the clipboard, each shown as a load shows its picture.
#include "app/shell/load_command.h"

#include <windows.h>

#include <string>

#include "app/model/settings.h"
#include "app/model/state.h"
#include "app/output/render.h"
#include "app/picture/clipboard_picture.h"
#include "app/picture/source.h"
#include "app/shell/picture_view.h"
#include "ui/requester.h"
#include "ui/window.h"

const char* const LOAD_PATTERN =
    "All supported formats|*.bmp;*.ico;*.gif;*.jpg;*.jpeg;*.wmf;*.emf;*.png;*.tiff;*.tga;*.heic;*.heif;*.avif;*.webp|"
    "HEIC image (*.heic)|*.heic|HEIF image (*.heif)|*.heif|AVIF image (*.avif)|*.avif|WebP image (*.webp)|*.webp|"
    "TGA image (*.tga)|*.tga|"
    "TIFF image (*.tiff)|*.tiff|PNG image (*.png)|*.png|BMP image (*.bmp)|*.bmp|Icon file (*.ico)|*.ico|*.cur|"
    "JPEG image (*.jpg;*.jpeg)|*.jpg;*.jpeg|GIF image (*.gif)|*.gif|Windows Metafile (*.wmf)|*.wmf|"
    "Enhanced Metafile (*.emf)|*.emf";

void on_load() {
    // The requester's text lives only until its next call: keep a copy.
    // The dialog opens where the last picture came from.
    const std::string start = dialog_start(remembered_load_folder);
    std::string file = open_file_requester("SELECT IMAGE", start.empty() ? nullptr : start.c_str(), LOAD_PATTERN, 0);
    if (file.empty()) return;
    load_picture_file(file.c_str());
}

void load_picture_file(const char* file) {
    end_crop_drag();
    // Dropped or chosen, it is the folder last loaded from.
    folder_of(file, remembered_load_folder, sizeof remembered_load_folder);
    load_source(file);
    show_source_size();
    show_crop_square();
    show_crop_image();
}

namespace {

// The decoded picture as the new source, with what a load shows.
void use_pasted_image(int64_t image) {
    end_crop_drag();
    use_source_image(image);
    show_source_size();
    show_crop_square();
    show_crop_image();
}

// Ctrl+V meets the window's accelerator table before a focused edit sees
// it; with no picture to take, the edit gets the paste it had before.
void paste_into_focused_edit() {
    HWND focus = GetFocus();
    char name[16] = {};
    if (focus && GetClassNameA(focus, name, sizeof name) && lstrcmpiA(name, "Edit") == 0)
        SendMessageA(focus, WM_PASTE, 0, 0);
}

}  // namespace

void on_dropped_file(const char* file) {
    if (!file) return;
    load_picture_file(file);
    render_cutout(app.background_colour);
}

bool on_paste() {
    const PastedPicture pasted = read_clipboard_picture(window_handle(app.window));
    if (pasted.image) {
        // A listed file is the folder last loaded from, as a dropped one is.
        if (!pasted.file.empty())
            folder_of(pasted.file.c_str(), remembered_load_folder, sizeof remembered_load_folder);
        use_pasted_image(pasted.image);
    } else {
        paste_into_focused_edit();
        return false;
    }
    render_cutout(app.background_colour);
    return true;
}
