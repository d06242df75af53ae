#include "ui/pointer_steps.h"

namespace {
constexpr int32_t NOTCH = 120;  // the delta of one notch
}

int32_t wheel_notches(int32_t* partial, int32_t delta) {
    if ((delta > 0 && *partial < 0) || (delta < 0 && *partial > 0)) *partial = 0;
    // In 64 bits: a delta near the limits of its type cannot overflow.
    const int64_t sum = int64_t{*partial} + delta;
    const int64_t whole = sum / NOTCH;
    *partial = static_cast<int32_t>(sum - whole * NOTCH);
    return static_cast<int32_t>(whole);
}

bool past_drag_limit(int32_t dx, int32_t dy, int32_t limit_x, int32_t limit_y) {
    const int64_t x = dx < 0 ? -int64_t{dx} : dx, y = dy < 0 ? -int64_t{dy} : dy;
    return x > limit_x || y > limit_y;
}
