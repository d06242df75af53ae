#include "app/state.h"

#include <cstring>

#include "core/memory.h"

AppState app;

void clear_app_state() { std::memset(&app, 0, sizeof app); }

void set_app_defaults() {
    app.inner_alpha = 255;
    app.outer_alpha = 255;
    app.step_x = 1;
    app.step_y = 1;
    app.step_xy = 1;
    app.radius = 295;
    app.smooth_edge = 0;
    app.output_size = 600;
}

void allocate_pixel_buffers() {
    app.buffer_size = PIXEL_BUFFER_SIZE;
    // Only a block of the full canvas size is usable by the renderer.
    app.source_buffer = static_cast<PixelBuffer*>(alloc_memory(sizeof(PixelBuffer)));
    app.output_buffer = static_cast<PixelBuffer*>(alloc_memory(sizeof(PixelBuffer)));
}
