// Memory bitmaps standing in for DIB sections where there is no GDI: the
// same bottom-up, 4-byte-padded layout, zero-filled when made.  A handle is
// the address of its record; live ones are kept in a list so that a stray
// value is never dereferenced.
#include <cstdlib>
#include <cstring>

#include "core/memory.h"
#include "image/bitmap_platform.h"
#include "image/image.h"
#include "image/pixels.h"

namespace {

struct MemoryBitmap {
    MemoryBitmap* next;
    BitmapInfo info;
};

MemoryBitmap* live = nullptr;

MemoryBitmap* lookup(int64_t handle) {
    for (MemoryBitmap* b = live; b; b = b->next)
        if (reinterpret_cast<intptr_t>(b) == handle) return b;
    return nullptr;
}

}  // namespace

int64_t make_bitmap(int32_t width, int32_t height, int32_t depth) {
    int32_t bpp = bitmap_bits_per_pixel(depth);
    if (!bpp || !bitmap_size_ok(width, height)) return 0;
    int64_t stride = row_stride(width, bpp);
    size_t bytes;
    if (!multiply_size(static_cast<size_t>(stride), static_cast<size_t>(height), &bytes)) return 0;
    auto* b = static_cast<MemoryBitmap*>(std::calloc(1, sizeof(MemoryBitmap)));
    if (!b) return 0;
    b->info.bits = static_cast<uint8_t*>(std::calloc(1, bytes));
    if (!b->info.bits) {
        std::free(b);
        return 0;
    }
    b->info.width = width;
    b->info.height = height;
    b->info.bits_per_pixel = bpp;
    b->info.stride = static_cast<int32_t>(stride);
    b->next = live;
    live = b;
    return reinterpret_cast<intptr_t>(b);
}

bool bitmap_info(int64_t bitmap, BitmapInfo* info) {
    MemoryBitmap* b = lookup(bitmap);
    if (!b) return false;
    *info = b->info;
    return true;
}

bool is_bitmap_object(int64_t handle) { return lookup(handle) != nullptr; }

void delete_bitmap(int64_t bitmap) {
    for (MemoryBitmap** p = &live; *p; p = &(*p)->next) {
        if (reinterpret_cast<intptr_t>(*p) == bitmap) {
            MemoryBitmap* b = *p;
            *p = b->next;
            std::free(b->info.bits);
            std::free(b);
            return;
        }
    }
}

bool stretch_pixel_dropping(int64_t destination, int32_t width, int32_t height, int64_t source,
                            int32_t source_width, int32_t source_height) {
    MemoryBitmap* d = lookup(destination);
    MemoryBitmap* s = lookup(source);
    if (!d || !s || d->info.bits_per_pixel != s->info.bits_per_pixel) return false;
    if (d->info.width != width || d->info.height != height || s->info.width != source_width ||
        s->info.height != source_height)
        return false;
    nearest_resample(d->info.bits, d->info.stride, width, height, s->info.bits, s->info.stride, source_width,
                     source_height, d->info.bits_per_pixel / 8);
    return true;
}
