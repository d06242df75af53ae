// DIB sections and the GDI stretch: the platform half of the image objects.
#include <windows.h>

#include "image/bitmap_platform.h"
#include "image/image.h"

namespace {

HBITMAP as_bitmap(int64_t handle) { return reinterpret_cast<HBITMAP>(static_cast<intptr_t>(handle)); }

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
    return bitmap ? reinterpret_cast<intptr_t>(bitmap) : 0;
}

bool bitmap_info(int64_t bitmap, BitmapInfo* info) {
    if (!bitmap || GetObjectType(as_bitmap(bitmap)) != OBJ_BITMAP) return false;
    DIBSECTION ds;
    if (GetObjectA(as_bitmap(bitmap), sizeof ds, &ds) != sizeof ds || !ds.dsBm.bmBits) return false;
    // A top-down section (negative height in its header) starts with its top
    // row, where every reader of BitmapInfo expects the bottom one.
    if (ds.dsBmih.biHeight < 0) return false;
    info->width = ds.dsBm.bmWidth;
    info->height = ds.dsBm.bmHeight;
    info->bits_per_pixel = ds.dsBm.bmBitsPixel;
    info->stride = static_cast<int32_t>(row_stride(info->width, info->bits_per_pixel));
    info->bits = static_cast<uint8_t*>(ds.dsBm.bmBits);
    return info->stride > 0;
}

bool is_bitmap_object(int64_t handle) { return handle && GetObjectType(as_bitmap(handle)) == OBJ_BITMAP; }

void delete_bitmap(int64_t bitmap) {
    if (bitmap) DeleteObject(as_bitmap(bitmap));
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
