// DIB sections and the GDI stretch: the platform half of the image objects.
#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "image/bitmap_platform.h"
#include "image/image.h"

namespace {

HBITMAP as_bitmap(int64_t handle) { return reinterpret_cast<HBITMAP>(static_cast<intptr_t>(handle)); }

// The sections make_bitmap made and delete_bitmap has not yet deleted: they
// are bottom-up by construction, so their row order needs no probe (which
// costs a device context and two row reads, too much for every frame of a
// drag).  Each is known by its handle and its memory together.
struct MadeSection {
    HBITMAP bitmap;
    void* bits;
};
MadeSection* made_sections;
size_t made_count, made_capacity;

void remember_made(HBITMAP bitmap, void* bits) {
    if (made_count == made_capacity) {
        const size_t capacity = made_capacity ? made_capacity * 2 : 64;
        auto* grown = static_cast<MadeSection*>(std::realloc(made_sections, capacity * sizeof(MadeSection)));
        if (!grown) return;  // then it is probed like any other section
        made_sections = grown;
        made_capacity = capacity;
    }
    made_sections[made_count++] = MadeSection{bitmap, bits};
}

size_t find_made(HBITMAP bitmap) {
    for (size_t i = 0; i < made_count; ++i)
        if (made_sections[i].bitmap == bitmap) return i;
    return made_count;
}

void forget_made(HBITMAP bitmap) {
    const size_t at = find_made(bitmap);
    if (at < made_count) made_sections[at] = made_sections[--made_count];
}

// The picture's bottom row as 32-bit pixels, through GDI.
bool read_bottom_row(HDC dc, HBITMAP bitmap, const DIBSECTION& ds, uint32_t* row) {
    BITMAPINFOHEADER h = {};
    h.biSize = sizeof h;
    h.biWidth = ds.dsBm.bmWidth;
    h.biHeight = ds.dsBm.bmHeight;
    h.biPlanes = 1;
    h.biBitCount = 32;
    h.biCompression = BI_RGB;
    GdiFlush();
    return GetDIBits(dc, bitmap, 0, 1, row, reinterpret_cast<BITMAPINFO*>(&h), DIB_RGB_COLORS) == 1;
}

// True when the section's memory starts with the picture's bottom row.  GDI
// reports every section's height as positive, so a top-down one (made with a
// negative height) is told apart by changing the first byte of memory for a
// moment and looking for the change in the bottom row.  Sections over a
// file mapping (perhaps read-only) are not written to, and count as not.
bool memory_starts_at_bottom(HBITMAP bitmap, const DIBSECTION& ds) {
    if (ds.dsBm.bmHeight == 1) return true;
    if (ds.dshSection || ds.dsBm.bmWidth <= 0 || ds.dsBm.bmHeight <= 0) return false;
    const size_t bytes = static_cast<size_t>(ds.dsBm.bmWidth) * 4;
    auto* before = static_cast<uint32_t*>(std::malloc(bytes));
    auto* after = static_cast<uint32_t*>(std::malloc(bytes));
    HDC dc = CreateCompatibleDC(nullptr);
    bool bottom = false;
    if (before && after && dc && read_bottom_row(dc, bitmap, ds, before)) {
        auto* first = static_cast<volatile uint8_t*>(ds.dsBm.bmBits);
        const uint8_t saved = *first;
        *first = static_cast<uint8_t>(saved ^ 0xFF);
        const bool read = read_bottom_row(dc, bitmap, ds, after);
        *first = saved;
        bottom = read && std::memcmp(before, after, bytes) != 0;
    }
    if (dc) DeleteDC(dc);
    std::free(before);
    std::free(after);
    return bottom;
}

}  // namespace

int64_t make_bitmap(int32_t width, int32_t height, int32_t depth) {
    int32_t bpp = bitmap_bits_per_pixel(depth);
    if (!bpp || !bitmap_size_ok(width, height)) return 0;
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;  // positive: rows bottom-up
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(bpp);
    header.biCompression = BI_RGB;
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) return 0;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits, nullptr, 0);
    DeleteDC(dc);
    if (bitmap) remember_made(bitmap, bits);
    return bitmap ? reinterpret_cast<intptr_t>(bitmap) : 0;
}

bool bitmap_info(int64_t bitmap, BitmapInfo* info) {
    if (!bitmap || GetObjectType(as_bitmap(bitmap)) != OBJ_BITMAP) return false;
    DIBSECTION ds;
    if (GetObjectA(as_bitmap(bitmap), sizeof ds, &ds) != sizeof ds || !ds.dsBm.bmBits) return false;
    // A top-down section starts with its top row, where every reader of
    // BitmapInfo expects the bottom one.
    const size_t made = find_made(as_bitmap(bitmap));
    const bool known = made < made_count && made_sections[made].bits == ds.dsBm.bmBits;
    if (!known && !memory_starts_at_bottom(as_bitmap(bitmap), ds)) return false;
    info->width = ds.dsBm.bmWidth;
    info->height = ds.dsBm.bmHeight;
    info->bits_per_pixel = ds.dsBm.bmBitsPixel;
    info->stride = static_cast<int32_t>(row_stride(info->width, info->bits_per_pixel));
    info->bits = static_cast<uint8_t*>(ds.dsBm.bmBits);
    return info->stride > 0;
}

bool is_bitmap_object(int64_t handle) { return handle && GetObjectType(as_bitmap(handle)) == OBJ_BITMAP; }

void delete_bitmap(int64_t bitmap) {
    if (!bitmap) return;
    forget_made(as_bitmap(bitmap));
    DeleteObject(as_bitmap(bitmap));
}

bool stretch_pixel_dropping(int64_t destination, int32_t width, int32_t height, int64_t source,
                            int32_t source_width, int32_t source_height) {
    HDC to = CreateCompatibleDC(nullptr);
    HDC from = CreateCompatibleDC(nullptr);
    bool done = false;
    if (to && from) {
        HGDIOBJ old_to = SelectObject(to, as_bitmap(destination));
        HGDIOBJ old_from = SelectObject(from, as_bitmap(source));
        SetStretchBltMode(to, COLORONCOLOR);
        done = StretchBlt(to, 0, 0, width, height, from, 0, 0, source_width, source_height, SRCCOPY) != 0;
        SelectObject(to, old_to);
        SelectObject(from, old_from);
    }
    if (to) DeleteDC(to);
    if (from) DeleteDC(from);
    return done;
}
