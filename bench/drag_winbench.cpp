// Live updates of the crop square, as a drag or the wheel makes them, and
// crop button presses: today's path (grab the square into a new image,
// resize it, transfer through a display device context) against the new one
// (the square scaled straight from the source's pixels into the crop image,
// direct transfers), in one run, with their ratio.  A live update is a new
// square shown everywhere: the crop, the status fields, the left picture and
// the rendered cut-out in the right one, painted.  "live update" is the
// exact picture (a wheel notch, a drag's release); "drag move" is a move
// through the tool's handler, which previews squares above 1200 pixels.
#include <windows.h>

#include <cstdio>

#include "app/model/state.h"
#include "app/output/cutout.h"
#include "app/output/render.h"
#include "app/picture/gdiplus_codes.h"
#include "app/picture/source.h"
#include "app/shell/picture_view.h"
#include "app_photo.h"
#include "core/dynlib.h"
#include "timing.h"
#include "ui/events.h"
#include "ui/gadgets.h"
#include "ui/statusbar.h"
#include "ui/window.h"

namespace old_path {

// The crop as a press made it: a new side x side image, then its resize.
void grab_crop_square() {
    if (is_image(app.crop_image)) free_image(app.crop_image);
    const CropSquare& s = app.crop;
    app.crop_image = grab_image(app.source_image, AUTO_ID, static_cast<int32_t>(s.XS), static_cast<int32_t>(s.YS),
                                static_cast<int32_t>(s.side), static_cast<int32_t>(s.side));
    if (s.side != 600) resize_image(app.crop_image, 600, 600, 0);
}

// The transfers through a display device context.
void transfer(int64_t image, PixelBuffer* buffer, bool to_buffer) {
    HDC hdc = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    HBITMAP bitmap = reinterpret_cast<HBITMAP>(image_handle(image));
    BITMAP bm{};
    GetObjectA(bitmap, sizeof bm, &bm);
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = bm.bmWidth;
    header.biHeight = -bm.bmHeight;
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    auto* info = reinterpret_cast<BITMAPINFO*>(&header);
    if (to_buffer) GetDIBits(hdc, bitmap, 0, bm.bmHeight, buffer->words, info, DIB_RGB_COLORS);
    else SetDIBits(hdc, bitmap, 0, bm.bmHeight, buffer->words, info, DIB_RGB_COLORS);
    DeleteDC(hdc);
}

void render_output_image(int64_t colour) {
    fill_output_buffer(app.output_buffer, colour, app.outer_alpha);
    transfer(app.crop_image, app.source_buffer, true);
    fill_circle(CutoutCanvas{app.source_buffer, app.output_buffer, app.inner_alpha}, CUTOUT_CENTRE, CUTOUT_CENTRE,
                app.radius);
    transfer(app.output_image, app.output_buffer, false);
}

void render_cutout(int64_t colour) {
    render_output_image(colour);
    set_gadget_state(app.right_image_gadget, image_handle(app.output_image));
}

void show_square() {
    grab_crop_square();
    show_crop_square();
    set_gadget_state(app.left_image_gadget, image_handle(app.crop_image));
    render_cutout(app.background_colour);
}

}  // namespace old_path

namespace {

void drain() {
    while (wait_window_event(0)) {
    }
}

void new_show_square() {
    grab_crop_square();
    show_crop_square();
    show_crop_image();
    render_cutout(app.background_colour);
}

bool use_picture(int32_t width, int32_t height) {
    if (is_image(app.source_image)) free_image(app.source_image);
    app.source_image = photo::make_image(width, height);
    app.source_width = width;
    app.source_height = height;
    return app.source_image != 0;
}

// One event of the left picture through the tool's own handler.
void left_picture_event(int64_t type, int32_t x, int32_t y) {
    void* point = reinterpret_cast<void*>(static_cast<uintptr_t>(static_cast<uint32_t>(x)) |
                                          static_cast<uintptr_t>(static_cast<uint32_t>(y)) << 32);
    post_event(EVENT_GADGET, app.left_image_gadget, app.window, type, point);
    if (take_next_event() == EVENT_GADGET) on_left_image_event(event_type());
}

// Moves of a drag begun at the square (0, 0, side), handled as the tool
// handles them: a preview for big squares.
auto drag_moves(int64_t side) {
    app.crop = CropSquare{0, 0, side};
    left_picture_event(GADGET_TYPE_DRAG_BEGIN, 300, 300);
    return [i = 0]() mutable {
        ++i;
        left_picture_event(GADGET_TYPE_DRAG_MOVE, -(i * 7) % 300, -(i % 2));
        drain();
    };
}

// Old and new timed alike; the ratio is old / new.
template <typename Old, typename New>
void compare(const char* what, int runs, Old&& old_job, New&& new_job) {
    char name[128];
    std::snprintf(name, sizeof name, "%s, old", what);
    const double old_ms = time_job(name, runs, old_job);
    std::snprintf(name, sizeof name, "%s, new", what);
    const double new_ms = time_job(name, runs, new_job);
    std::printf("%-48s ratio %.1f x (median %.2f ms -> %.2f ms)\n\n", what, old_ms / new_ms, old_ms, new_ms);
    std::fflush(stdout);
}

// A drag across the picture: a new square position at every update.
template <typename Show>
auto dragging(Show show, int64_t span) {
    return [show, span, i = int64_t{0}]() mutable {
        ++i;
        app.crop.XS = (i * 37) % (span + 1);
        app.crop.YS = (i * 11) % 2;
        show();
        drain();
    };
}

}  // namespace

int main() {
    load_alpha_blend();
    init_image_library();
    init_dynamic_libraries();
    clear_app_state();
    set_pixel_format_table();
    set_app_defaults();
    allocate_pixel_buffers();
    init_event_posting();
    init_window_library();
    init_gadget_library();
    init_common_controls();
    init_status_bars();
    app.output_image = create_image(AUTO_ID, 600, 600, 32);
    app.window = open_window(AUTO_ID, 0, 0, 1330, 680, "", 0xCA0001);
    create_status_bar(STATUS_BAR, window_handle(app.window));
    for (int i = 0; i < 6; ++i) add_status_bar_field(60);
    app.left_image_gadget = image_gadget(AUTO_ID, 10, 10, 600, 600, 0);
    app.right_image_gadget = image_gadget(AUTO_ID, 720, 10, 600, 600, 0);
    if (!app.output_image || !app.right_image_gadget || !use_picture(3840, 2400)) {
        std::printf("set-up failed\n");
        return 1;
    }
    drain();
    // Wine's own start-up work settles first, and both paths run once
    // through their code and memory before anything is timed.
    Sleep(2000);
    app.crop = CropSquare{0, 0, 2400};
    for (int i = 0; i < 10; ++i) dragging(old_path::show_square, 1440)(), dragging(new_show_square, 1440)();

    app.crop = CropSquare{0, 0, 2400};
    compare("live update, side 2400 of 3840 x 2400", 40, dragging(old_path::show_square, 1440),
            dragging(new_show_square, 1440));
    app.crop = CropSquare{0, 0, 2400};
    compare("drag move (preview), side 2400 of 3840 x 2400", 40, dragging(old_path::show_square, 1440),
            drag_moves(2400));
    left_picture_event(GADGET_TYPE_DRAG_END, 0, 0);

    // A crop button press at side 2400: the crop alone (what the press
    // handler does), then as the tool runs it (status, left picture, render).
    bool right = true;
    auto old_press = [&] {
        app.crop.XS = right ? 1 : 0;
        right = !right;
        old_path::grab_crop_square();
    };
    auto new_press = [&] {
        apply_crop_press(right ? CROP_X_PLUS : CROP_X_MINUS);
        right = !right;
    };
    app.crop = CropSquare{0, 0, 2400};
    compare("crop press, side 2400 (the crop)", 40, old_press, new_press);
    app.crop = CropSquare{0, 0, 2400};
    compare(
        "crop press, side 2400 (shown and rendered)", 40,
        [&] {
            old_press();
            show_crop_square();
            set_gadget_state(app.left_image_gadget, image_handle(app.crop_image));
            old_path::render_cutout(app.background_colour);
            drain();
        },
        [&] {
            new_press();
            show_crop_square();
            show_crop_image();
            render_cutout(app.background_colour);
            drain();
        });

    // The render alone on a 600 x 600 crop.
    app.crop = CropSquare{0, 0, 600};
    new_show_square();
    compare("render_cutout (radius 295, shown)", 100, [] { old_path::render_cutout(0x336699); },
            [] { render_cutout(0x336699); });
    compare("render_output_image (radius 295, not shown)", 200, [] { old_path::render_output_image(0x336699); },
            [] { render_output_image(0x336699); });

    if (!use_picture(8000, 6000)) {
        std::printf("no 8000 x 6000 picture\n");
        return 1;
    }
    app.crop = CropSquare{0, 0, 6000};
    compare("live update, side 6000 of 8000 x 6000", 15, dragging(old_path::show_square, 2000),
            dragging(new_show_square, 2000));
    app.crop = CropSquare{0, 0, 6000};
    compare("drag move (preview), side 6000 of 8000 x 6000", 15, dragging(old_path::show_square, 2000),
            drag_moves(6000));
    left_picture_event(GADGET_TYPE_DRAG_END, 0, 0);
    return 0;
}
