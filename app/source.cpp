#include "app/source.h"

#include "app/state.h"
#include "image/image.h"

void load_source(const char* file) {
    app.crop = CropSquare{0, 0, 0};
    app.source_width = 0;
    app.source_height = 0;
    // The old pictures go before the new file is read: a failed load leaves
    // the black fallback, never the previous picture.
    if (is_image(app.source_image)) free_image(app.source_image);
    if (is_image(app.crop_image)) free_image(app.crop_image);
    app.source_image = 0;
    app.crop_image = 0;

    app.source_image = load_with_gdiplus(file);
    if (!is_image(app.source_image)) app.source_image = create_image(AUTO_ID, 600, 600, 24);
    app.source_width = image_width(app.source_image);
    app.source_height = image_height(app.source_image);

    int64_t m = app.source_width < app.source_height ? app.source_width : app.source_height;
    app.crop.side = m < 600 ? m : 600;
    grab_crop_square();
}

void grab_crop_square() {
    if (is_image(app.crop_image)) free_image(app.crop_image);
    app.crop_image = 0;
    const CropSquare& s = app.crop;
    if (crop_square_is_grabbable(s, app.source_width, app.source_height)) {
        app.crop_image = grab_image(app.source_image, AUTO_ID, static_cast<int32_t>(s.XS),
                                    static_cast<int32_t>(s.YS), static_cast<int32_t>(s.side),
                                    static_cast<int32_t>(s.side));
        if (s.side != 600) resize_image(app.crop_image, 600, 600, 0);
    } else {
        // A square no image can hold (only typed steps make one): shown as
        // a black canvas rather than asked of the image library.
        app.crop_image = create_image(AUTO_ID, 600, 600, 24);
    }
}

bool apply_crop_press(CropButton button) {
    const CropSteps steps{app.step_x, app.step_y, app.step_xy};
    if (!press_crop_button(&app.crop, app.source_width, app.source_height, steps, button)) return false;
    grab_crop_square();
    return true;
}
