#include "app/main_window.h"

#include "app/state.h"

int64_t* spin_variable(int64_t gadget) {
    // Before the window is built every handle is 0, and 0 names no gadget.
    if (gadget == 0) return nullptr;
    if (gadget == app.radius_spin) return &app.radius;
    if (gadget == app.step_x_spin) return &app.step_x;
    if (gadget == app.step_y_spin) return &app.step_y;
    if (gadget == app.step_xy_spin) return &app.step_xy;
    return nullptr;
}
