// The few bitmap services the portable image code needs from the platform.
// Windows: GDI (bitmap_win.cpp); elsewhere plain memory bitmaps stand in
// (bitmap_posix.cpp), so the image library can be used and tested anywhere.
#pragma once

#include <cstdint>

// True when the value is a live bitmap object of the platform.
bool is_bitmap_object(int64_t handle);
void delete_bitmap(int64_t bitmap);
// The pixel-dropping stretch of the whole source onto the whole destination.
bool stretch_pixel_dropping(int64_t destination, int32_t width, int32_t height, int64_t source,
                            int32_t source_width, int32_t source_height);

// The bits per pixel make_bitmap uses for a requested depth: below 24 gives
// 24, 24 and 32 stay, anything else is 0 (no such DIB section).
inline int32_t bitmap_bits_per_pixel(int32_t depth) {
    if (depth <= 24) return 24;
    return depth == 32 ? 32 : 0;
}

// Sizes the image record can hold (16-bit fields); larger or empty bitmaps
// are refused before anything is allocated.
inline bool bitmap_size_ok(int32_t width, int32_t height) {
    return width > 0 && height > 0 && width <= 32767 && height <= 32767;
}
