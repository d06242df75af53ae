// The platform half of a render: 32-bit top-down transfers between the
// images and the pixel buffers.  The tool's own 600 x 600 images are DIB
// sections whose memory is at hand, so their pixels are moved directly; any
// other bitmap goes through a display device context.
#include <windows.h>

#include <cstring>

#include "app/output/cutout.h"
#include "app/output/output_size.h"
#include "app/output/render.h"
#include "app/output/smooth_edge.h"
#include "image/image.h"
#include "image/pixels.h"
#include "ui/gadgets.h"

namespace {

enum Direction { TO_BUFFER, TO_BITMAP };

void transfer(int64_t image, PixelBuffer* buffer, Direction direction) {
    if (!buffer) return;
    HDC hdc = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    HBITMAP bitmap = reinterpret_cast<HBITMAP>(image_handle(image));
    BITMAP bm{};
    GetObjectA(bitmap, sizeof bm, &bm);
    // The buffer holds 600 x 600 words: an image of another size (a resize
    // that failed, say) moves only the whole rows that fit.
    LONG lines = 0;
    if (bm.bmWidth > 0 && bm.bmHeight > 0) {
        int64_t fit = PIXEL_BUFFER_SIZE / (int64_t{4} * bm.bmWidth);
        lines = static_cast<LONG>(bm.bmHeight < fit ? bm.bmHeight : fit);
    }
    if (hdc && lines > 0) {
        BITMAPINFOHEADER header{};
        header.biSize = sizeof header;
        header.biWidth = bm.bmWidth;
        header.biHeight = -lines;  // negative: rows top-down
        header.biPlanes = 1;
        header.biBitCount = 32;
        header.biCompression = BI_RGB;
        auto* info = reinterpret_cast<BITMAPINFO*>(&header);
        if (direction == TO_BUFFER)
            GetDIBits(hdc, bitmap, 0, static_cast<UINT>(lines), buffer->words, info, DIB_RGB_COLORS);
        else
            SetDIBits(hdc, bitmap, 0, static_cast<UINT>(lines), buffer->words, info, DIB_RGB_COLORS);
    }
    if (hdc) DeleteDC(hdc);
}

// The memory of an image of the canvas size, or null.
uint8_t* canvas_bits(int64_t image, BitmapInfo* info) {
    uint8_t* bits = image_bits(image, info);
    if (!bits || info->width != CANVAS_SIZE || info->height != CANVAS_SIZE) return nullptr;
    return info->bits_per_pixel == 24 || info->bits_per_pixel == 32 ? bits : nullptr;
}

}  // namespace

void bitmap_to_buffer(int64_t image, PixelBuffer* buffer) {
    if (!buffer) return;
    BitmapInfo info{};
    if (const uint8_t* bits = canvas_bits(image, &info)) {
        picture_to_words(buffer->words, bits, info.stride, info.width, info.height, info.bits_per_pixel / 8);
        return;
    }
    // Anything but a 600 x 600 picture (a crop that could not be made) is
    // shown as black: rows of another width would shear across the canvas.
    std::memset(buffer->words, 0, sizeof buffer->words);
}

void buffer_to_bitmap(const PixelBuffer* buffer, int64_t image) {
    if (!buffer) return;
    BitmapInfo info{};
    if (uint8_t* bits = canvas_bits(image, &info)) {
        words_to_picture(bits, info.stride, buffer->words, info.width, info.height, info.bits_per_pixel / 8);
        return;
    }
    transfer(image, const_cast<PixelBuffer*>(buffer), TO_BITMAP);
}

void render_output_image(int64_t colour) {
    const CutoutCanvas canvas{app.source_buffer, app.output_buffer, app.inner_alpha};
    fill_output_buffer(app.output_buffer, colour, app.outer_alpha);
    bitmap_to_buffer(app.crop_image, app.source_buffer);
    if (app.source_buffer) draw_cutout_circle(canvas, app.radius, colour, app.outer_alpha, app.smooth_edge);
    buffer_to_bitmap(app.output_buffer, app.output_image);
}

bool shown_apart_from_canvas() { return app.shown_size > 0 && app.shown_size != CANVAS_SIZE; }

namespace {

// A 32-bit image of the shown size in *image (made anew when its size is
// another), and its top row and row step; null when it cannot be had.
uint8_t* shown_image(int64_t* image, int64_t gadget, ptrdiff_t* step) {
    const auto size = static_cast<int32_t>(app.shown_size);
    BitmapInfo info{};
    uint8_t* bits = is_image(*image) ? image_bits(*image, &info) : nullptr;
    if (!bits || info.width != size || (info.height != size && info.height != -size) || info.bits_per_pixel != 32) {
        if (*image) {
            if (get_gadget_state(gadget) == image_handle(*image)) set_gadget_state(gadget, 0);
            free_image(*image);
        }
        *image = create_image(AUTO_ID, size, size, 32);
        bits = *image ? image_bits(*image, &info) : nullptr;
        if (!bits || info.bits_per_pixel != 32) return nullptr;
    }
    if (info.height > 0) {  // bottom-up
        *step = -static_cast<ptrdiff_t>(info.stride);
        return bits + static_cast<ptrdiff_t>(info.height - 1) * info.stride;
    }
    *step = info.stride;
    return bits;
}

}  // namespace

void show_pictures(bool rendered) {
    if (!shown_apart_from_canvas()) return;
    // Before the first render the right picture shows nothing, as at 600.
    const bool output_shown = rendered || get_gadget_state(app.right_image_gadget) != 0;
    ptrdiff_t crop_step = 0, output_step = 0;
    uint8_t* crop = shown_image(&app.shown_crop_image, app.left_image_gadget, &crop_step);
    uint8_t* output = shown_image(&app.shown_output_image, app.right_image_gadget, &output_step);
    if (!crop || !output ||
        !draw_shown_pictures(source_pixels(), app.crop, current_look(), app.shown_size, crop, crop_step, output,
                             output_step))
        return;
    // Before a picture the left one shows nothing, as at the canvas's size.
    set_gadget_state(app.left_image_gadget, is_image(app.crop_image) ? image_handle(app.shown_crop_image) : 0);
    if (output_shown) set_gadget_state(app.right_image_gadget, image_handle(app.shown_output_image));
}

void free_shown_pictures() {
    for (int64_t* image : {&app.shown_crop_image, &app.shown_output_image}) {
        if (!*image) continue;
        for (int64_t gadget : {app.left_image_gadget, app.right_image_gadget})
            if (gadget && get_gadget_state(gadget) == image_handle(*image)) set_gadget_state(gadget, 0);
        if (is_image(*image)) free_image(*image);
        *image = 0;
    }
}

void render_cutout(int64_t colour) {
    render_output_image(colour);
    if (shown_apart_from_canvas()) {
        show_pictures(true);
        return;
    }
    // The handle is the same at every render; the gadget rebuilds its
    // display copy at every set, so the new pixels appear.
    set_gadget_state(app.right_image_gadget, image_handle(app.output_image));
}
