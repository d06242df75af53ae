// The arithmetic of pointer input that image gadgets report: whole wheel
// notches from the parts precise wheels and touchpads send, and when a press
// becomes a drag.
#pragma once

#include <cstdint>

// Adds a wheel message's delta to the part of a notch kept in *partial and
// returns the whole notches it completes (positive: away from the user).  A
// turn the other way starts afresh: what was kept of the old direction is
// dropped, so +100 then -120 is one notch towards the user.
int32_t wheel_notches(int32_t* partial, int32_t delta);

// Whether the pointer, (dx, dy) from where the button went down, has left
// the drag rectangle: more than limit_x or limit_y pixels either side.
bool past_drag_limit(int32_t dx, int32_t dy, int32_t limit_x, int32_t limit_y);
