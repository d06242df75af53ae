// The platform half of a render: 32-bit top-down transfers between the
// images and the pixel buffers.  The tool's own 600 x 600 images are DIB
// sections whose memory is at hand, so their pixels are moved directly; any
// other bitmap goes through a display device context.
#include <windows.h>

#include <cstring>

#include "app/output/cutout.h"
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

void render_cutout(int64_t colour) {
    render_output_image(colour);
    // The handle is the same at every render; the gadget rebuilds its
    // display copy at every set, so the new pixels appear.
    set_gadget_state(app.right_image_gadget, image_handle(app.output_image));
}
