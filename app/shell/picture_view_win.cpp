// The left picture and the square's status fields.  The picture is driven by
// the pointer: drags move the square, the wheel zooms it, a double click fits
// it, Escape puts a dragged square back; the crop buttons step it.  Each
// change updates the crop, the status bar and the cut-out at once.
#include "app/shell/picture_view.h"

#include "app/model/drag_zoom.h"
#include "app/model/number_text.h"
#include "app/model/state.h"
#include "app/model/window_layout.h"
#include "app/output/render.h"
#include "app/picture/source.h"
#include "image/image.h"
#include "ui/gadgets.h"
#include "ui/statusbar.h"

namespace {

void field_text(int32_t field, const char* label, int64_t value) {
    status_bar_text(STATUS_BAR, field, (label + number_text(value)).c_str(), 0);
}

// Above this side a drag's moves show a sampled preview: the exact scaling
// then reads more than four source pixels per canvas pixel, and a move
// should cost little whatever the square.  The release shows the exact one.
constexpr int64_t PREVIEW_SIDE = 1200;

struct Drag {
    bool active;
    bool previewed;          // the crop shown is a preview
    CropSquare start;       // the square the current offsets move
    int32_t base_x, base_y;  // the pointer offset `start` belongs to
    int32_t x, y;            // the last offset applied
} drag;

// The event's point in canvas pixels.
int32_t point_x() { return shown_to_canvas(event_point_x(), static_cast<int32_t>(app.shown_size)); }
int32_t point_y() { return shown_to_canvas(event_point_y(), static_cast<int32_t>(app.shown_size)); }

bool picture_loaded() { return is_image(app.source_image) && app.source_width > 0 && app.source_height > 0; }

bool same_square(const CropSquare& a, const CropSquare& b) { return a.XS == b.XS && a.YS == b.YS && a.side == b.side; }

// A new square shown everywhere a crop press shows one, and the cut-out
// rendered with it; an unchanged square costs nothing (unless only its
// preview is shown and the exact picture is due).
void show_square(const CropSquare& square, bool exact = true) {
    if (same_square(square, app.crop) && !(exact && drag.previewed)) return;
    app.crop = square;
    exact = exact || square.side <= PREVIEW_SIDE;
    if (exact) grab_crop_square();
    else preview_crop_square();
    drag.previewed = !exact;
    show_crop_square();
    show_crop_image();
    render_cutout(app.background_colour);
}

void drag_to(int32_t x, int32_t y, bool exact) {
    drag.x = x;
    drag.y = y;
    show_square(drag_square(drag.start, int64_t{x} - drag.base_x, int64_t{y} - drag.base_y, app.source_width,
                            app.source_height),
                exact);
}

}  // namespace

void on_left_image_event(int64_t type) {
    switch (type) {
    case GADGET_TYPE_DRAG_BEGIN:
        show_square(app.crop);  // a preview is never left behind
        drag = Drag{};
        drag.active = picture_loaded();
        drag.start = app.crop;
        break;
    case GADGET_TYPE_DRAG_MOVE:
    case GADGET_TYPE_DRAG_END:
    case GADGET_TYPE_DRAG_LOST:
        if (!drag.active) break;
        drag_to(point_x(), point_y(), type != GADGET_TYPE_DRAG_MOVE);
        // A lost capture ends the drag where it is.
        if (type != GADGET_TYPE_DRAG_MOVE) drag.active = false;
        break;
    case GADGET_TYPE_WHEEL: {
        const int32_t notches = take_image_gadget_wheel(app.left_image_gadget);
        if (!picture_loaded() || notches == 0) break;
        show_square(zoom_square(app.crop, notches, point_x(), point_y(), app.source_width,
                                app.source_height));
        rebase_crop_drag();
        break;
    }
    case GADGET_TYPE_DOUBLE_CLICK:
        if (picture_loaded()) show_square(fit_square(app.source_width, app.source_height));
        break;
    default:
        break;
    }
}

void cancel_crop_drag() {
    if (!drag.active) return;
    drag.active = false;
    end_image_gadget_drag(app.left_image_gadget);
    show_square(drag.start);
}

void end_crop_drag() {
    if (!drag.active) return;
    drag.active = false;
    end_image_gadget_drag(app.left_image_gadget);
}

void rebase_crop_drag() {
    drag.start = app.crop;
    drag.base_x = drag.x;
    drag.base_y = drag.y;
}

void settle_crop_preview() {
    if (drag.previewed) show_square(app.crop);
}

void show_crop_image() {
    // At another side the render that follows shows both pictures.
    if (!shown_apart_from_canvas()) set_gadget_state(app.left_image_gadget, image_handle(app.crop_image));
    set_image_gadget_cursor(app.left_image_gadget,
                            is_image(app.source_image) ? GADGET_CURSOR_SIZE_ALL : GADGET_CURSOR_DEFAULT);
}

void set_shown_size(int32_t size) {
    if (size == app.shown_size) return;
    const bool was_apart = shown_apart_from_canvas();
    app.shown_size = size;
    if (shown_apart_from_canvas()) {
        show_pictures();
        return;
    }
    if (!was_apart) return;
    free_shown_pictures();
    show_crop_image();
    set_gadget_state(app.right_image_gadget, image_handle(app.output_image));
}

void release_crop_display() {
    if (app.left_image_gadget && get_gadget_state(app.left_image_gadget) == image_handle(app.crop_image))
        set_gadget_state(app.left_image_gadget, 0);
}

void show_source_size() {
    field_text(0, "B: ", app.source_width);
    field_text(1, "H: ", app.source_height);
    status_bar_text(STATUS_BAR, PROBLEM_FIELD, app.picture_problem ? app.picture_problem : "", STATUS_BORDERLESS);
}

void show_crop_square() {
    field_text(2, "XS: ", app.crop.XS);
    field_text(3, "YS: ", app.crop.YS);
    field_text(4, "XE: ", app.crop.side);
    field_text(5, "YE: ", app.crop.side);
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
    rebase_crop_drag();
    show_crop_square();
    show_crop_image();
}
