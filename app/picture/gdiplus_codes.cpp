#include "app/picture/gdiplus_codes.h"

PixelFormatTable PIXEL_FORMAT_TABLE;

void set_pixel_format_table() {
    PixelFormatTable& t = PIXEL_FORMAT_TABLE;
    t.PixelFormatIndexed = 0x10000;
    t.PixelFormatGDI = 0x20000;
    t.PixelFormatAlpha = 0x40000;
    t.PixelFormatPAlpha = 0x80000;
    t.PixelFormatExtended = 0x100000;
    t.PixelFormatCanonical = 0x200000;
    t.PixelFormatUndefined = 0;
    t.PixelFormatDontCare = 0;
    t.PixelFormat1bppIndexed = 1 | (1 << 8) | t.PixelFormatIndexed | t.PixelFormatGDI;
    t.PixelFormat4bppIndexed = 2 | (4 << 8) | t.PixelFormatIndexed | t.PixelFormatGDI;
    t.PixelFormat8bppIndexed = 3 | (8 << 8) | t.PixelFormatIndexed | t.PixelFormatGDI;
    t.PixelFormat16bppGrayScale = 4 | (16 << 8) | t.PixelFormatExtended;
    t.PixelFormat16bppRGB555 = 5 | (16 << 8) | t.PixelFormatGDI;
    t.PixelFormat16bppRGB565 = 6 | (16 << 8) | t.PixelFormatGDI;
    t.PixelFormat16bppARGB1555 = 7 | (16 << 8) | t.PixelFormatAlpha | t.PixelFormatGDI;
    t.PixelFormat24bppRGB = 8 | (24 << 8) | t.PixelFormatGDI;
    t.PixelFormat32bppRGB = 9 | (32 << 8) | t.PixelFormatGDI;
    t.PixelFormat32bppARGB = 10 | (32 << 8) | t.PixelFormatAlpha | t.PixelFormatGDI | t.PixelFormatCanonical;
    t.PixelFormat32bppPARGB = 11 | (32 << 8) | t.PixelFormatAlpha | t.PixelFormatPAlpha | t.PixelFormatGDI;
    t.PixelFormat48bppRGB = 12 | (48 << 8) | t.PixelFormatExtended;
    t.PixelFormat64bppARGB = 13 | (64 << 8) | t.PixelFormatAlpha | t.PixelFormatCanonical | t.PixelFormatExtended;
    t.PixelFormat64bppPARGB = 14 | (64 << 8) | t.PixelFormatAlpha | t.PixelFormatPAlpha | t.PixelFormatExtended;
    t.PixelFormatMax = 15;
}

int64_t depth_for_pixel_format(int64_t format) {
    const PixelFormatTable& t = PIXEL_FORMAT_TABLE;
    // First match wins, in this order.
    const struct {
        int64_t format;
        int64_t depth;
    } map[] = {
        {t.PixelFormat1bppIndexed, 1},     {t.PixelFormat4bppIndexed, 4},    {t.PixelFormat8bppIndexed, 8},
        {t.PixelFormat16bppARGB1555, 16},  {t.PixelFormat16bppGrayScale, 16}, {t.PixelFormat16bppRGB555, 16},
        {t.PixelFormat16bppRGB565, 16},    {t.PixelFormat24bppRGB, 24},      {t.PixelFormat32bppARGB, 32},
        {t.PixelFormat32bppPARGB, 32},     {t.PixelFormat32bppRGB, 32},      {t.PixelFormat48bppRGB, 48},
        {t.PixelFormat64bppARGB, 64},      {t.PixelFormat64bppPARGB, 64},
    };
    int64_t depth = 32;
    for (const auto& entry : map) {
        if (entry.format == format) {
            depth = entry.depth;
            break;
        }
    }
    return depth > 24 ? 24 : depth;
}

int32_t rotate_flip_steps(int32_t orientation, int32_t steps[2]) {
    // RotateNoneFlipNone 0, Rotate90FlipNone 1, Rotate180FlipNone 2,
    // Rotate270FlipNone 3, RotateNoneFlipX 4, RotateNoneFlipY 6.
    switch (orientation) {
    case 2: steps[0] = 4; return 1;
    case 3: steps[0] = 2; return 1;
    case 4: steps[0] = 6; return 1;
    case 5: steps[0] = 4, steps[1] = 3; return 2;
    case 6: steps[0] = 1; return 1;
    case 7: steps[0] = 4, steps[1] = 1; return 2;
    case 8: steps[0] = 3; return 1;
    default: return 0;
    }
}
