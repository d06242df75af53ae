// The smooth edge under Wine: a render with it on beside the same render
// off (today's path), its circle alone, and the output composed at the
// other sizes Save and Copy offer.  The figure that counts is the render
// with the edge on, at most 3 ms.
#include <windows.h>

#include <cstdio>

#include "app/model/state.h"
#include "app/output/clipboard.h"
#include "app/output/cutout.h"
#include "app/output/output_size.h"
#include "app/output/render.h"
#include "app/output/smooth_edge.h"
#include "app/picture/gdiplus_codes.h"
#include "app_photo.h"
#include "codecs/png_writer.h"
#include "core/dynlib.h"
#include "timing.h"
#include "ui/events.h"
#include "ui/gadgets.h"
#include "ui/window.h"

int main() {
    load_alpha_blend();
    init_image_library();
    init_dynamic_libraries();
    clear_app_state();
    set_pixel_format_table();
    set_app_defaults();
    allocate_pixel_buffers();
    app.output_image = create_image(AUTO_ID, 600, 600, 32);
    app.crop_image = photo::make_image(600, 600);
    app.source_image = photo::make_image(1000, 700);
    app.source_width = 1000;
    app.source_height = 700;
    app.crop = CropSquare{0, 0, 600};
    if (!app.output_image || !app.crop_image || !app.source_image) {
        std::printf("set-up failed\n");
        return 1;
    }
    app.outer_alpha = 0;
    const int64_t colour = 0x336699;
    // The whole render as the tool runs it, shown in an image gadget.
    init_event_posting();
    init_window_library();
    init_gadget_library();
    init_common_controls();
    app.window = open_window(AUTO_ID, 0, 0, 1330, 680, "", 0xCA0001);
    app.right_image_gadget = image_gadget(AUTO_ID, 720, 10, 600, 600, 0);
    if (!app.right_image_gadget) {
        std::printf("no window\n");
        return 1;
    }
    while (wait_window_event(0)) {
    }
    for (int64_t smooth : {0, 1}) {
        app.smooth_edge = smooth;
        time_job(smooth ? "render_cutout on  (radius 295, shown)" : "render_cutout off (radius 295, shown)", 200,
                 [&] { render_cutout(colour); });
    }
    double ratio_base = 0;
    for (int64_t radius : {295, 100, 423}) {
        char name[64];
        app.radius = radius;
        app.smooth_edge = 0;
        std::snprintf(name, sizeof name, "render_output_image off (radius %lld)", static_cast<long long>(radius));
        const double off = time_job(name, 200, [&] { render_output_image(colour); });
        app.smooth_edge = 1;
        std::snprintf(name, sizeof name, "render_output_image on  (radius %lld)", static_cast<long long>(radius));
        const double on = time_job(name, 200, [&] { render_output_image(colour); });
        std::printf("  on / off: %.2f\n", on / off);
        if (radius == 295) ratio_base = on / off;
    }
    const CutoutCanvas canvas{app.source_buffer, app.output_buffer, 255};
    time_job("  fill_circle (radius 295)", 200, [&] { fill_circle(canvas, CUTOUT_CENTRE, CUTOUT_CENTRE, 295); });
    time_job("  draw_cutout_circle smooth (radius 295)", 200,
             [&] { draw_cutout_circle(canvas, 295, colour, 0, 1); });

    // Composed afresh for Save and Copy at the other sizes (grab, resample,
    // compose), smooth edge on.
    app.radius = 295;
    for (int64_t n : {128, 256, 512, 1024, 2048}) {
        char name[64];
        std::snprintf(name, sizeof name, "make_output_image %lld smooth", static_cast<long long>(n));
        time_job(name, n > 1000 ? 10 : 40, [&] { free_image(make_output_image(n)); });
    }
    // What Copy prepares (the PNG at level 9 dominates), at 600 and 2048.
    register_png_encoder();
    for (int64_t n : {600, 2048}) {
        char name[64];
        std::snprintf(name, sizeof name, "clipboard forms %lld", static_cast<long long>(n));
        const int64_t image = make_output_image(n);
        time_job(name, 3, [&] {
            ClipboardImage forms;
            make_clipboard_image(image, &forms);
        });
        free_image(image);
    }
    std::printf("smooth / today at radius 295: %.2f\n", ratio_base);
    return 0;
}
