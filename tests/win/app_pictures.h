// Test pictures for the loading and rendering tests: written by GDI+'s own
// encoders (or as raw bytes) into a scratch folder, and read back from
// images of the image library.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "image/image.h"

namespace pictures {

enum Format { BMP, JPEG, GIF, TIFF, PNG };

// The colour (0xRRGGBB) of pixel (x, y) of the test pattern: blocks of
// 20 x 20 pixels, each of one colour, with distinct channels, so that
// scaled crops can be compared at block centres; 64 colours in all, so a
// GIF keeps it exact.
inline uint32_t pattern(int64_t x, int64_t y) {
    uint32_t bx = static_cast<uint32_t>(x / 20), by = static_cast<uint32_t>(y / 20);
    uint32_t r = (bx % 8) * 32 + 15, g = (by % 8) * 32 + 5, b = ((bx + by) & 1) ? 0xC0 : 0x30;
    return r << 16 | g << 8 | b;
}

// Writes a width x height picture of the pattern; pixels for which
// `transparent` answers true get alpha 0 (only PNG keeps it).
using Transparent = bool (*)(int64_t x, int64_t y);
bool write_picture(const std::string& path, Format format, int32_t width, int32_t height,
                   Transparent transparent = nullptr);

// A fresh, empty scratch folder, ending in "\".
std::string scratch_folder(const char* name);
bool write_bytes(const std::string& path, const void* data, size_t size);
std::string read_bytes(const std::string& path);

// Colour 0xRRGGBB of pixel (x, y), counted from the top, of a 24- or 32-bit
// image; 0xFF000000 when out of range.  alpha_at gives the alpha byte of a
// 32-bit image.
uint32_t colour_at(int64_t image, int32_t x, int32_t y);
int alpha_at(int64_t image, int32_t x, int32_t y);

// Whether two colours differ by at most `tolerance` in every channel.
inline bool near_colour(uint32_t a, uint32_t b, int tolerance) {
    for (int shift = 0; shift < 24; shift += 8) {
        int d = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
        if (d > tolerance || d < -tolerance) return false;
    }
    return true;
}

// Live GDI objects of the process (GetGuiResources is not answered here).
int gdi_object_count();

}  // namespace pictures
