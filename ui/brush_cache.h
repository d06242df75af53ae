// Reference-counted solid brushes, one per colour, shared by the gadgets that
// use the same colour.  The platform's brush calls are passed in, so the
// bookkeeping is portable.  Callers serialise access (the gadget library
// holds a critical section around it).
#pragma once

#include <cstdint>

using MakeBrush = int64_t (*)(int32_t color);
using DeleteBrush = void (*)(int64_t brush);

struct BrushEntry {
    BrushEntry* next;
    int32_t color;
    int64_t brush;
    int32_t references;
};

struct BrushCache {
    BrushEntry* first;
    MakeBrush make;
    DeleteBrush remove;
};

// The brush for a colour, shared; 0 when none can be made.
int64_t take_brush(BrushCache* cache, int32_t color);
// Gives a brush back; the last release deletes it.  Unknown brushes are ignored.
void release_brush(BrushCache* cache, int64_t brush);
int32_t cached_brush_count(const BrushCache* cache);
