// One crop press on a 3840 x 2400 photograph with a side of 2400: the grab
// of the square and its scaling to 600 x 600.
#include <windows.h>

#include <cstdio>

#include "app/model/state.h"
#include "app/picture/source.h"
#include "app_photo.h"
#include "core/dynlib.h"
#include "timing.h"

int main() {
    load_alpha_blend();
    init_image_library();
    init_dynamic_libraries();
    clear_app_state();
    set_app_defaults();
    app.source_image = photo::make_image(3840, 2400);
    if (!app.source_image) {
        std::printf("set-up failed\n");
        return 1;
    }
    app.source_width = 3840;
    app.source_height = 2400;
    app.crop = CropSquare{0, 0, 2400};
    bool right = true;
    time_job("crop press, side 2400 of 3840 x 2400", 40, [&] {
        apply_crop_press(right ? CROP_X_PLUS : CROP_X_MINUS);
        right = !right;
    });
    // Its two halves, for where the time goes.
    int64_t grabbed = 0;
    time_job("  grab_image 2400 x 2400", 20, [&] {
        if (grabbed) free_image(grabbed);
        grabbed = grab_image(app.source_image, AUTO_ID, 1, 0, 2400, 2400);
    });
    time_job("  resize_image 2400 -> 600 (mode 0)", 20, [&] {
        free_image(grabbed);
        grabbed = grab_image(app.source_image, AUTO_ID, 1, 0, 2400, 2400);
        resize_image(grabbed, 600, 600, 0);
    });
    app.crop = CropSquare{0, 0, 600};
    time_job("crop press, side 600 (no scaling)", 100, [&] {
        apply_crop_press(right ? CROP_X_PLUS : CROP_X_MINUS);
        right = !right;
    });
    return 0;
}
