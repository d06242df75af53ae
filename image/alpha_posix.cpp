// Alpha display where there is no GDI: the memory bitmaps count as DIB
// sections, premultiplied copies are made in memory, and there is no device
// context to draw on.
#include <cstdint>

#include "image/bitmap_platform.h"
#include "image/image.h"
#include "image/pixels.h"

namespace {

bool available = false;

}  // namespace

void load_alpha_blend() { available = true; }
void unload_alpha_blend() { available = false; }
bool alpha_blend_available() { return available; }

int64_t bitmap_has_alpha(int64_t bitmap) {
    BitmapInfo info;
    if (!available || !bitmap_info(bitmap, &info)) return 0;
    return info.bits_per_pixel == 32 ? 1 : 0;
}

int64_t make_premultiplied_copy(int64_t bitmap) {
    BitmapInfo from, to;
    if (!available || !bitmap_info(bitmap, &from)) return 0;
    int64_t copy = make_bitmap(from.width, from.height, 32);
    if (!copy || !bitmap_info(copy, &to)) return 0;
    for (int32_t y = 0; y < from.height; ++y) {
        const uint8_t* s = from.bits + static_cast<int64_t>(y) * from.stride;
        uint8_t* d = to.bits + static_cast<int64_t>(y) * to.stride;
        for (int32_t x = 0; x < from.width; ++x) {
            if (from.bits_per_pixel == 32) {
                for (int c = 0; c < 4; ++c) d[4 * x + c] = s[4 * x + c];
            } else {
                // A conversion to 32 bits leaves the alpha byte 0, as the
                // platform's does.
                for (int c = 0; c < 3; ++c) d[4 * x + c] = s[3 * x + c];
            }
        }
    }
    premultiply_pixels(to.bits, static_cast<size_t>(to.width) * to.height);
    return copy;
}

void free_premultiplied_copy(int64_t copy) {
    if (available) delete_bitmap(copy);
}

void draw_alpha_bitmap(int64_t, int32_t, int32_t, int32_t, int32_t, int64_t, int32_t) {}
