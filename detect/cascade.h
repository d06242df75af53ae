// Boosted cascades of multi-block local binary patterns: the tables that
// detect/make_cascade.py generates at build time, and their evaluation on
// an integral image.
#pragma once

#include <cstdint>

// A feature's top-left block, in window pixels; the pattern covers 3 x 3
// blocks of w x h from (x, y).
struct CascadeRect {
    uint8_t x, y, w, h;
};

// A stump: the window's pattern code (0-255) picks leaf[0] when its bit in
// subset is set, leaf[1] otherwise.
struct CascadeWeak {
    uint16_t feature;
    float leaf[2];
    uint32_t subset[8];
};

// Stumps first .. first+count-1; the window passes when their leaves add up
// to at least threshold.
struct CascadeStage {
    uint16_t first, count;
    float threshold;
};

struct Cascade {
    int32_t width, height;  // the window a stage's features are placed in
    const CascadeStage* stages;
    int32_t stage_count;
    const CascadeWeak* weak;
    const CascadeRect* features;
};

// Frontal human faces, and frontal cat faces.
extern const Cascade PERSON_FACE_CASCADE;
extern const Cascade CAT_FACE_CASCADE;
