// Load and crop buttons: the dialogs, the status bar and the left image
// gadget around the source and crop handling.
#include "app/handlers.h"

#include <string>

#include "app/settings.h"
#include "app/source.h"
#include "app/state.h"
#include "app/text.h"
#include "image/image.h"
#include "ui/gadgets.h"
#include "ui/requester.h"
#include "ui/statusbar.h"

const char* const LOAD_PATTERN =
    "All supported formats|*.bmp;*.ico;*.gif;*.jpg;*.jpeg;*.wmf;*.emf;*.png;*.tiff;*.tga|TGA image (*.tga)|*.tga|"
    "TIFF image (*.tiff)|*.tiff|PNG image (*.png)|*.png|BMP image (*.bmp)|*.bmp|Icon file (*.ico)|*.ico|*.cur|"
    "JPEG image (*.jpg;*.jpeg)|*.jpg;*.jpeg|GIF image (*.gif)|*.gif|Windows Metafile (*.wmf)|*.wmf|"
    "Enhanced Metafile (*.emf)|*.emf";

namespace {

void field_text(int32_t field, const char* label, int64_t value) {
    status_bar_text(STATUS_BAR, field, (label + number_text(value)).c_str(), 0);
}

}  // namespace

void show_crop_image() {
    set_gadget_state(app.left_image_gadget, image_handle(app.crop_image));
    set_image_gadget_cursor(app.left_image_gadget,
                            is_image(app.source_image) ? GADGET_CURSOR_SIZE_ALL : GADGET_CURSOR_DEFAULT);
}

void clear_crop_display() {
    if (app.left_image_gadget && get_gadget_state(app.left_image_gadget) == image_handle(app.crop_image))
        set_gadget_state(app.left_image_gadget, 0);
}

void show_source_size() {
    field_text(0, "B: ", app.source_width);
    field_text(1, "H: ", app.source_height);
}

void show_crop_square() {
    field_text(2, "XS: ", app.crop.XS);
    field_text(3, "YS: ", app.crop.YS);
    field_text(4, "XE: ", app.crop.side);
    field_text(5, "YE: ", app.crop.side);
}

void on_load() {
    // The requester's text lives only until its next call: keep a copy.
    // The dialog opens where the last picture came from.
    const std::string start = dialog_start(remembered_load_folder);
    std::string file = open_file_requester("SELECT IMAGE", start.empty() ? nullptr : start.c_str(), LOAD_PATTERN, 0);
    if (file.empty()) return;
    load_picture_file(file.c_str());
}

void load_picture_file(const char* file) {
    // Dropped or chosen, it is the folder last loaded from.
    folder_of(file, remembered_load_folder, sizeof remembered_load_folder);
    load_source(file);
    show_source_size();
    show_crop_square();
    show_crop_image();
}

void on_crop_button(int64_t gadget) {
    // Before the window is built every button handle is 0, and 0 is no gadget.
    if (gadget == 0) return;
    CropButton button;
    if (gadget == app.x_plus_button) button = CROP_X_PLUS;
    else if (gadget == app.x_minus_button) button = CROP_X_MINUS;
    else if (gadget == app.y_plus_button) button = CROP_Y_PLUS;
    else if (gadget == app.y_minus_button) button = CROP_Y_MINUS;
    else if (gadget == app.xy_plus_button) button = CROP_XY_PLUS;
    else if (gadget == app.xy_minus_button) button = CROP_XY_MINUS;
    else return;
    if (!apply_crop_press(button)) return;
    show_crop_square();
    show_crop_image();
}
