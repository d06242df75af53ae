// The GDI+ codes the loader meets: pixel formats, with the image depth each
// one asks for, and the turns that put a picture upright.
#pragma once

#include <cstdint>

struct PixelFormatTable {
    // flag values
    int64_t PixelFormatIndexed;
    int64_t PixelFormatGDI;
    int64_t PixelFormatAlpha;
    int64_t PixelFormatPAlpha;
    int64_t PixelFormatExtended;
    int64_t PixelFormatCanonical;
    int64_t PixelFormatUndefined;
    int64_t PixelFormatDontCare;
    // formats: index | bits-per-pixel << 8 | flags
    int64_t PixelFormat1bppIndexed;
    int64_t PixelFormat4bppIndexed;
    int64_t PixelFormat8bppIndexed;
    int64_t PixelFormat16bppGrayScale;
    int64_t PixelFormat16bppRGB555;
    int64_t PixelFormat16bppRGB565;
    int64_t PixelFormat16bppARGB1555;
    int64_t PixelFormat24bppRGB;
    int64_t PixelFormat32bppRGB;
    int64_t PixelFormat32bppARGB;
    int64_t PixelFormat32bppPARGB;
    int64_t PixelFormat48bppRGB;
    int64_t PixelFormat64bppARGB;
    int64_t PixelFormat64bppPARGB;
    int64_t PixelFormatMax;  // the number of formats
};

extern PixelFormatTable PIXEL_FORMAT_TABLE;

// Fills PIXEL_FORMAT_TABLE: the flags first, then each format from them.
void set_pixel_format_table();

// The depth a decoded picture of this format is drawn into: its own bits
// per pixel (32 for a format not in the table), limited to 24, since the
// source image keeps no alpha.
int64_t depth_for_pixel_format(int64_t format);

// The GDI+ RotateFlipType calls, in order, that turn a picture of this
// orientation upright; their number (0 to 2).  The two diagonal mirrors are
// a left-right flip followed by a plain turn: the combined types
// (Rotate90FlipX, Rotate270FlipX) are applied in opposite orders by
// different GDI+ implementations.
int32_t rotate_flip_steps(int32_t orientation, int32_t steps[2]);
