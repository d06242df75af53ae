// Alpha display through msimg32's AlphaBlend, loaded by name at start-up so
// that the program runs (without alpha display) where it is missing.
#include <windows.h>

#include <cstdlib>

#include "core/memory.h"
#include "image/image.h"
#include "image/pixels.h"

namespace {

using AlphaBlendFunction = BOOL(WINAPI*)(HDC, int, int, int, int, HDC, int, int, int, int, BLENDFUNCTION);

HMODULE msimg32 = nullptr;
AlphaBlendFunction alpha_blend = nullptr;

HBITMAP as_bitmap(int64_t handle) { return reinterpret_cast<HBITMAP>(static_cast<intptr_t>(handle)); }

BITMAPINFOHEADER header32(LONG width, LONG height) {
    BITMAPINFOHEADER h = {};
    h.biSize = sizeof h;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = 32;
    h.biCompression = BI_RGB;
    return h;
}

}  // namespace

void load_alpha_blend() {
    if (msimg32) return;
    msimg32 = LoadLibraryA("msimg32.dll");
    if (msimg32) alpha_blend = reinterpret_cast<AlphaBlendFunction>(reinterpret_cast<void*>(GetProcAddress(msimg32, "AlphaBlend")));
}

void unload_alpha_blend() {
    if (msimg32) FreeLibrary(msimg32);
    msimg32 = nullptr;
    alpha_blend = nullptr;
}

bool alpha_blend_available() { return alpha_blend != nullptr; }

int64_t bitmap_has_alpha(int64_t bitmap) {
    if (!alpha_blend || !bitmap || GetObjectType(as_bitmap(bitmap)) != OBJ_BITMAP) return 0;
    DIBSECTION ds;
    if (GetObjectA(as_bitmap(bitmap), sizeof ds, &ds) == sizeof ds) return ds.dsBm.bmBitsPixel == 32 ? 1 : 0;
    // A device-dependent bitmap: only a 32-bit one with some alpha counts.
    BITMAP bm;
    if (!GetObjectA(as_bitmap(bitmap), sizeof bm, &bm) || bm.bmBitsPixel != 32) return 0;
    if (bm.bmWidth <= 0 || bm.bmHeight <= 0) return 0;
    size_t bytes, pixels;
    if (!multiply_size(static_cast<size_t>(bm.bmWidth), static_cast<size_t>(bm.bmHeight), &pixels) ||
        !multiply_size(pixels, 4, &bytes))
        return 0;
    auto* buffer = static_cast<uint8_t*>(std::malloc(bytes));
    if (!buffer) return 0;
    int64_t answer = 0;
    HDC dc = CreateCompatibleDC(nullptr);
    if (dc) {
        BITMAPINFOHEADER h = header32(bm.bmWidth, bm.bmHeight);
        if (GetDIBits(dc, as_bitmap(bitmap), 0, bm.bmHeight, buffer, reinterpret_cast<BITMAPINFO*>(&h),
                      DIB_RGB_COLORS) > 0)
            answer = any_alpha(buffer, pixels) ? 1 : 0;
        DeleteDC(dc);
    }
    std::free(buffer);
    return answer;
}

int64_t make_premultiplied_copy(int64_t bitmap) {
    // GetObjectA fills a BITMAP from a brush or a font too, and GetDIBits
    // then fails: only a bitmap whose rows all arrive makes a copy.
    if (!alpha_blend || !bitmap || GetObjectType(as_bitmap(bitmap)) != OBJ_BITMAP) return 0;
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) return 0;
    BITMAP bm = {};
    HBITMAP copy = nullptr;
    if (GetObjectA(as_bitmap(bitmap), sizeof bm, &bm) == sizeof bm && bm.bmWidth > 0 && bm.bmHeight > 0) {
        BITMAPINFOHEADER h = header32(bm.bmWidth, bm.bmHeight);
        void* bits = nullptr;
        copy = CreateDIBSection(dc, reinterpret_cast<BITMAPINFO*>(&h), DIB_RGB_COLORS, &bits, nullptr, 0);
        if (copy && (!bits || GetDIBits(dc, as_bitmap(bitmap), 0, bm.bmHeight, bits, reinterpret_cast<BITMAPINFO*>(&h),
                                         DIB_RGB_COLORS) != bm.bmHeight)) {
            DeleteObject(copy);
            copy = nullptr;
        }
        if (copy) premultiply_pixels(static_cast<uint8_t*>(bits), static_cast<size_t>(bm.bmWidth) * bm.bmHeight);
    }
    DeleteDC(dc);
    return copy ? reinterpret_cast<intptr_t>(copy) : 0;
}

void free_premultiplied_copy(int64_t copy) {
    if (alpha_blend && copy) DeleteObject(as_bitmap(copy));
}

void draw_alpha_bitmap(int64_t dc, int32_t x, int32_t y, int32_t width, int32_t height, int64_t bitmap,
                       int32_t alpha) {
    if (!alpha_blend || !bitmap || GetObjectType(as_bitmap(bitmap)) != OBJ_BITMAP) return;
    HDC target = reinterpret_cast<HDC>(static_cast<intptr_t>(dc));
    if (width == 0 || height == 0) {
        BITMAP bm = {};
        if (GetObjectA(as_bitmap(bitmap), sizeof bm, &bm) == sizeof bm) {
            width = bm.bmWidth;
            height = bm.bmHeight;
        }
    }
    HDC source = CreateCompatibleDC(target);
    if (!source) return;
    HGDIOBJ old = SelectObject(source, as_bitmap(bitmap));
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, static_cast<BYTE>(alpha), AC_SRC_ALPHA};
    alpha_blend(target, x, y, width, height, source, 0, 0, width, height, blend);
    SelectObject(source, old);
    DeleteDC(source);
}
