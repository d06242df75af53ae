// Rendering the cut-out into the output image.
#pragma once

#include <cstdint>

#include "app/model/state.h"

// Composes the cut-out with the current crop image, radius and alphas on the
// given background colour, writes it into the output image and shows that
// in the right image gadget.
void render_cutout(int64_t colour);

// Whether the window shows the pictures at a side other than the canvas's.
bool shown_apart_from_canvas();
// Both pictures at the window's shown size (when that is not the canvas's
// 600) drawn afresh from the source and shown in the two image gadgets; the
// right one only after a render (`rendered`) or when it shows one already.
void show_pictures(bool rendered = false);
// Takes the shown-size pictures off the gadgets and frees them.
void free_shown_pictures();

// Steps 1 to 5 of a render: everything but showing the result.
void render_output_image(int64_t colour);

// Pixel transfer between an image and a pixel buffer, rows top-down.  At most
// the buffer's 600 x 600 words are ever written or read, whatever the
// image's size.  An image that is not 600 x 600 (or none) gives an all-black
// buffer; the other way round such an image takes only the rows that fit.
void bitmap_to_buffer(int64_t image, PixelBuffer* buffer);
void buffer_to_bitmap(const PixelBuffer* buffer, int64_t image);
