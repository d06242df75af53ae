// The cut-out at the output size: what Save PNG, Save JPG and Copy write.
// The preview stays 600 x 600; an output of another size N is composed
// afresh from the source picture, the crop square resampled straight to
// N x N and the circle scaled with it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "app/model/crop.h"

// Sizes the output may take; anything else is treated as the preview's 600.
constexpr int64_t MIN_OUTPUT_SIZE = 1;
constexpr int64_t MAX_OUTPUT_SIZE = 4096;
int64_t effective_output_size(int64_t size);

// The circle on an N x N canvas: the disc's radius times N / 600, about the
// canvas's middle (at 600 the preview's own centre, pixel 299, whose middle
// is at 299.5).
struct OutputDisc {
    int64_t size;
    bool none;             // a negative radius: no disc
    bool whole;            // the radius covers the whole 600 canvas, so the disc covers this one
    int64_t centre;        // the midpoint disc: centre pixel (column and row) ...
    bool doubled;          // ... or, when set, the corner after that pixel (an even N but 600)
    int64_t radius;        // ... and radius
    double smooth_centre;  // the smooth disc: centre ...
    double smooth_radius;  // ... and radius
};
OutputDisc output_disc(int64_t size, int64_t radius);

struct DiscPixels;

// The cut-out on a canvas of pixels.size: the background colour with the
// outer alpha, and the disc of `radius` (in preview units) through which
// the source shows with the inner alpha, its edge as `smooth` says.
void compose_output_pixels(const DiscPixels& pixels, int64_t radius, int64_t colour, int64_t inner_alpha,
                           int64_t outer_alpha, int64_t smooth);

// A picture's pixels where they lie: 3 or 4 bytes per pixel (blue, green,
// red, alpha), `top` the top row and `step` the bytes from a row to the one
// below it (negative for bottom-up memory).  Null `top` for no picture.
struct PicturePixels {
    const uint8_t* top;
    ptrdiff_t step;
    int32_t width, height;
    int32_t bytes_per_pixel;
};

// What the cut-out looks like, apart from its picture and square.
struct CutoutLook {
    int64_t radius, colour, inner_alpha, outer_alpha, smooth;
};
CutoutLook current_look();  // the tool's

// The cut-out of the square of a picture at size x size, written as 32-bit
// words (B, G, R, A) into `output`, its top row first and rows `output_step`
// bytes apart: the square scaled as the crop image is (black where there is
// no picture or the square cannot be scaled), enlarged through the cubic
// filter except to 600, then composed.  Touches no object of the image
// library, so batches may call it on several threads.  False when memory
// runs out or the size is outside MIN_OUTPUT_SIZE .. MAX_OUTPUT_SIZE.
bool draw_cutout(const PicturePixels& picture, const CropSquare& square, const CutoutLook& look, int64_t size,
                 uint8_t* output, ptrdiff_t output_step);

// The window's two pictures at a side other than the canvas's: the square
// scaled as draw_cutout scales it, as 32-bit words (alpha 255 where the
// picture has none) into `crop_output`, and the cut-out composed on that
// same scaling into `output`, both top row first.  False as draw_cutout.
bool draw_shown_pictures(const PicturePixels& picture, const CropSquare& square, const CutoutLook& look,
                         int64_t size, uint8_t* crop_output, ptrdiff_t crop_step, uint8_t* output,
                         ptrdiff_t output_step);

// The source image's pixels where they lie (no picture: a null top).
PicturePixels source_pixels();

// A new 32-bit size x size image of the cut-out from the current picture,
// crop square, radius, alphas, colour and edge: the square grabbed and
// resized as the crop image is (black when there is no picture or the
// square cannot be grabbed).  0 on failure; free it with free_image.
int64_t make_output_image(int64_t size);

// The image saving and copying write: the preview's output image itself at
// the size 600 (so those files stay what the last render shows), else (or
// when the crop shown is a drag's sampled preview) a new one from
// make_output_image.  0 on failure.  Pass it to release_export_image when
// done.
int64_t export_image();
void release_export_image(int64_t image);
