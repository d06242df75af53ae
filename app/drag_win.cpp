// The left picture driven by the pointer: drags move the square, the wheel
// zooms it, a double click fits it, Escape puts a dragged square back.  Each
// change updates the crop, the status bar and the cut-out at once.
#include "app/drag.h"
#include "app/handlers.h"
#include "app/render.h"
#include "app/source.h"
#include "app/state.h"
#include "image/image.h"
#include "ui/gadgets.h"

namespace {

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
        drag_to(event_point_x(), event_point_y(), type != GADGET_TYPE_DRAG_MOVE);
        // A lost capture ends the drag where it is.
        if (type != GADGET_TYPE_DRAG_MOVE) drag.active = false;
        break;
    case GADGET_TYPE_WHEEL: {
        const int32_t notches = take_image_gadget_wheel(app.left_image_gadget);
        if (!picture_loaded() || notches == 0) break;
        show_square(zoom_square(app.crop, notches, event_point_x(), event_point_y(), app.source_width,
                                app.source_height));
        // A drag goes on from the zoomed square.
        drag.start = app.crop;
        drag.base_x = drag.x;
        drag.base_y = drag.y;
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

void settle_crop_preview() {
    if (drag.previewed) show_square(app.crop);
}
