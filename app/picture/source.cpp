#include "app/picture/source.h"

#include <cstring>

#include "app/model/state.h"
#include "app/picture/face_find.h"
#include "app/picture/load_file.h"
#include "image/image.h"

namespace {

CropDisplayRelease crop_display_release = nullptr;

// The first square of a new picture: on the face found in it when the
// option is on, else the largest one at the top-left corner, at most 600
// pixels.
void start_square() {
    if (app.start_on_faces && find_face_square(app.source_image, &app.crop)) {
        grab_crop_square();
        return;
    }
    app.crop = first_square(app.source_width, app.source_height);
    grab_crop_square();
}

}  // namespace

void set_crop_display_release(CropDisplayRelease release) { crop_display_release = release; }

void load_source(const char* file) {
    app.crop = CropSquare{0, 0, 0};
    app.source_width = 0;
    app.source_height = 0;
    // The old picture goes before the new file is read: a failed load leaves
    // the black fallback, never the previous picture.  The crop image stays:
    // the left gadget may still show it, and the next grab writes over it.
    if (is_image(app.source_image)) free_image(app.source_image);
    app.source_image = 0;

    PictureProblem problem = PictureProblem::NONE;
    app.source_image = decode_picture_file(file, &problem);
    app.picture_problem = problem == PictureProblem::NONE ? nullptr : picture_problem_text(problem);
    if (!is_image(app.source_image)) app.source_image = create_image(AUTO_ID, 600, 600, 24);
    app.source_width = image_width(app.source_image);
    app.source_height = image_height(app.source_image);
    start_square();
}

void use_source_image(int64_t image) {
    // The crop image stays: the left gadget still shows it, and the grab
    // writes over it (or replaces it once the gadget has let go).
    if (is_image(app.source_image)) free_image(app.source_image);
    app.picture_problem = nullptr;
    app.source_image = image;
    app.source_width = image_width(image);
    app.source_height = image_height(image);
    start_square();
}

namespace {

int32_t source_depth() {
    const ImageObject* source = find_image(app.source_image);
    return source && source->depth == 32 ? 32 : 24;
}

// A 600 x 600 crop image of the source's depth: the one there is when it
// fits, else a new one.  The gadget lets go of the old bitmap before it is
// freed, so that no paint in between can reach freed memory.
bool make_crop_canvas() {
    const int32_t depth = source_depth();
    const ImageObject* crop = find_image(app.crop_image);
    if (crop && crop->width == CANVAS_SIZE && crop->height == CANVAS_SIZE && crop->depth == depth) return true;
    if (crop) {
        if (crop_display_release) crop_display_release();
        free_image(app.crop_image);
    }
    app.crop_image = create_image(AUTO_ID, CANVAS_SIZE, CANVAS_SIZE, depth);
    return is_image(app.crop_image) != 0;
}

void blacken_crop_image() {
    BitmapInfo info{};
    if (uint8_t* bits = image_bits(app.crop_image, &info))
        std::memset(bits, 0, static_cast<size_t>(info.stride) * static_cast<size_t>(info.height));
}

// Whether the crop image holds only a sampled likeness of the square.
bool previewed = false;

void fill_crop_image(bool exact) {
    previewed = false;
    if (!make_crop_canvas()) {
        app.crop_image = 0;
        return;
    }
    const CropSquare& s = app.crop;
    if (!crop_square_is_grabbable(s, app.source_width, app.source_height)) {
        blacken_crop_image();
        return;
    }
    const int32_t side = static_cast<int32_t>(s.side);
    const int64_t made = exact ? scale_square_into(app.crop_image, app.source_image, s.XS, s.YS, side)
                               : sample_square_into(app.crop_image, app.source_image, s.XS, s.YS, side);
    if (!made) blacken_crop_image();
    previewed = made && !exact;
}

}  // namespace

// The square is scaled straight from the source's pixels, byte for byte what
// grab_image and resize_image give, so its size costs no memory.  A square
// the scaling cannot take, or a failure, shows as the black 600 x 600
// canvas: never a picture of another size.
void grab_crop_square() { fill_crop_image(true); }

void preview_crop_square() { fill_crop_image(false); }

bool crop_is_preview() { return previewed; }

bool apply_face_square() {
    if (!find_face_square(app.source_image, &app.crop)) return false;
    grab_crop_square();
    return true;
}

bool apply_crop_press(CropButton button) {
    const CropSteps steps{app.step_x, app.step_y, app.step_xy};
    if (!press_crop_button(&app.crop, app.source_width, app.source_height, steps, button)) return false;
    grab_crop_square();
    return true;
}
