#include "app/model/state.h"

#include <cstring>

#include "app/model/options.h"
#include "core/memory.h"

AppState app;

void clear_app_state() { std::memset(&app, 0, sizeof app); }

void set_app_defaults() {
    app.inner_alpha = app.outer_alpha = ALPHA_OPTION.start;
    app.step_x = app.step_y = app.step_xy = STEP_OPTION.start;
    app.radius = RADIUS_OPTION.start;
    app.background_colour = COLOUR_OPTION.start;
    app.smooth_edge = SMOOTH_EDGE_OPTION.start;
    app.start_on_faces = START_ON_FACES_OPTION.start;
    app.output_size = DEFAULT_OUTPUT_SIZE;
}

void allocate_pixel_buffers() {
    app.buffer_size = PIXEL_BUFFER_SIZE;
    // Only a block of the full canvas size is usable by the renderer.
    app.source_buffer = static_cast<PixelBuffer*>(alloc_memory(sizeof(PixelBuffer)));
    app.output_buffer = static_cast<PixelBuffer*>(alloc_memory(sizeof(PixelBuffer)));
}
