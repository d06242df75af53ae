// A render end to end under Wine: background fill, the crop image copied
// into the source buffer, the circle, the output image written back.
#include <windows.h>

#include <cstdio>

#include "app/model/state.h"
#include "app/output/cutout.h"
#include "app/output/render.h"
#include "app/picture/gdiplus_codes.h"
#include "app_photo.h"
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
    if (!app.output_image || !app.crop_image) {
        std::printf("set-up failed\n");
        return 1;
    }
    // The right image gadget of a window like the tool's shows each render.
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
    auto drain = [] {
        while (wait_window_event(0)) {
        }
    };
    drain();
    time_job("render_cutout (radius 295, shown in the gadget)", 200, [&] {
        render_cutout(0x336699);
    });
    time_job("render_cutout + repaint of the gadget", 100, [&] {
        render_cutout(0x336699);
        UpdateWindow(reinterpret_cast<HWND>(window_handle(app.window)));
        drain();
    });
    time_job("render_output_image (radius 295)", 200, [] { render_output_image(0x336699); });
    // Its parts, for where the time goes.
    time_job("  fill_output_buffer", 200, [] { fill_output_buffer(app.output_buffer, 0x336699, 255); });
    time_job("  bitmap_to_buffer", 200, [] { bitmap_to_buffer(app.crop_image, app.source_buffer); });
    time_job("  fill_circle (radius 295)", 200, [] {
        fill_circle(CutoutCanvas{app.source_buffer, app.output_buffer, 255}, CUTOUT_CENTRE, CUTOUT_CENTRE, 295);
    });
    time_job("  buffer_to_bitmap", 200, [] { buffer_to_bitmap(app.output_buffer, app.output_image); });
    app.radius = 500;
    time_job("render_output_image (radius 500)", 200, [] { render_output_image(0x336699); });
    app.radius = 1000000000;
    time_job("render_output_image (radius 1e9)", 200, [] { render_output_image(0x336699); });
    return 0;
}
