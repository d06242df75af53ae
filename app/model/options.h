// The options a user sets, each with its range and its start value: the one
// table the state's defaults, the settings file's clamping and the window's
// controls all take them from.
#pragma once

#include <cstdint>

struct OptionRange {
    int64_t low, high;  // inclusive
    int64_t start;      // the value a first run (or Reset to defaults) gives
};

constexpr OptionRange RADIUS_OPTION{1, 500, 295};   // the circle's radius on the 600 canvas
constexpr OptionRange STEP_OPTION{1, 200, 1};       // each crop button pair's step
constexpr OptionRange ALPHA_OPTION{0, 255, 255};    // inside and outside the circle
constexpr OptionRange COLOUR_OPTION{0, 0xFFFFFF, 0};  // the background, 0x00BBGGRR: black
constexpr OptionRange SMOOTH_EDGE_OPTION{0, 1, 0};
constexpr OptionRange START_ON_FACES_OPTION{0, 1, 0};  // a new picture's square placed on a face found in it
// The main window's place and size as last left (outer, restored, screen
// pixels); a size of 0 remembers none: the window opens as its layout says.
constexpr OptionRange WINDOW_PLACE_OPTION{-32768, 32767, 0};
constexpr OptionRange WINDOW_SIZE_OPTION{0, 32767, 0};
constexpr OptionRange WINDOW_MAXIMISED_OPTION{0, 1, 0};

// The output sizes the Options menu offers, in menu order.
constexpr int OUTPUT_SIZE_COUNT = 6;
constexpr int64_t OUTPUT_SIZE_CHOICES[OUTPUT_SIZE_COUNT] = {128, 256, 512, 600, 1024, 2048};
constexpr int64_t DEFAULT_OUTPUT_SIZE = 600;

constexpr int64_t clamp_option(const OptionRange& range, int64_t value) {
    return value < range.low ? range.low : value > range.high ? range.high : value;
}
