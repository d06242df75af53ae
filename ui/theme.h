// Theme detection, shared by the spin gadget and the status bar: whether
// controls draw with the platform's visual styles.
#pragma once

#include <cstdint>

// Runs the detection once per process and returns the comctl32 version in
// use (major * 65536 + minor; 1 when the library reports none).
int64_t detect_theme();

// 1 when comctl32 6.0 or later is in use and the application is themed,
// else 0.  Runs the detection if it has not run yet.
int themed_flag();
