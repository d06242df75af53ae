// The tool's state: one process-wide block of variables that the handlers
// read and write directly, with the defaults every run starts from.
#pragma once

#include <cstdint>

#include "app/model/crop.h"

// A 600 x 600 canvas of 32-bit words, rows top-down, 2,400 bytes per row;
// each word holds blue, green, red and alpha in its bytes 0 to 3.
constexpr int64_t CANVAS_SIZE = 600;
constexpr int64_t PIXEL_BUFFER_SIZE = CANVAS_SIZE * CANVAS_SIZE * 4;  // 1,440,000 bytes
struct PixelBuffer {
    uint32_t words[CANVAS_SIZE * CANVAS_SIZE];
};
static_assert(sizeof(PixelBuffer) == PIXEL_BUFFER_SIZE);

// The status bar of the main window is the numbered object 0.
constexpr int64_t STATUS_BAR = 0;

struct AppState {
    int64_t exit_code;
    int64_t buffer_size;
    PixelBuffer* source_buffer;  // the crop image's pixels, copied in at each render
    PixelBuffer* output_buffer;  // the composed cut-out
    int64_t output_image;        // 600 x 600 x 32, made at start-up
    int64_t source_image;        // the picture loaded by the user
    int64_t crop_image;          // the crop square scaled to 600 x 600
    int64_t source_width, source_height;
    CropSquare crop;             // XS, YS, side
    int64_t step_x, step_y, step_xy;
    int64_t radius;
    int64_t inner_alpha, outer_alpha;
    int64_t background_colour;   // red bits 0-7, green 8-15, blue 16-23
    int64_t running;

    // Output options beyond the on-screen preview: both at their defaults
    // every file saved is the 600 x 600 render as it has always been.
    int64_t smooth_edge;         // 0: the stair-stepped midpoint disc; 1: coverage-blended edge
    int64_t output_size;         // side of saved and copied cut-outs, 600 by default
    int64_t start_on_faces;      // 1: a new picture's first square is on the face found in it
    const char* picture_problem; // why the last picture came out black or in part, in a few words; null when nothing was wrong

    // The pictures as the window shows them: at the side 600 (or 0, before a
    // window) the crop and output images themselves; at any other side the
    // two images below, drawn from the source at that side.
    int64_t window_x, window_y, window_width, window_height, window_maximised;  // as remembered (options.h)
    int64_t shown_size;
    int64_t shown_crop_image, shown_output_image;  // 32-bit, shown_size square; 0 until needed

    // The main window and its 20 gadgets, in creation order.
    int64_t window;
    int64_t left_image_gadget, right_image_gadget;
    int64_t load_button, radius_frame, start_button, save_png_button;
    int64_t outer_alpha_trackbar, inner_alpha_trackbar;
    int64_t back_color_button;
    int64_t x_plus_button, y_plus_button, x_minus_button, y_minus_button;
    int64_t xy_plus_button, xy_minus_button;
    int64_t save_jpg_button;
    int64_t radius_spin, step_x_spin, step_y_spin, step_xy_spin;
};

extern AppState app;

// Start-up, in this order: the block zeroed, then the defaults, then the
// two pixel buffers (both come zero-filled from the memory allocator).
void clear_app_state();
void set_app_defaults();
void allocate_pixel_buffers();
