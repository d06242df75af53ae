// Copying the cut-out to the clipboard, in three forms so that programs
// with and without transparency can paste it: the PNG file Save PNG would
// write, a 32-bit bitmap with straight alpha, and a 24-bit bitmap over white
// as Save JPG composes it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Sizes of the bitmap headers as the clipboard carries them (packed
// bitmaps: the header, then the rows bottom-up).
constexpr size_t BITMAP_INFO_HEADER_SIZE = 40;
constexpr size_t BITMAP_V5_HEADER_SIZE = 124;

struct ClipboardImage {
    std::vector<uint8_t> png;    // the registered "PNG" format
    std::vector<uint8_t> dibv5;  // 32 bits, straight alpha, BI_BITFIELDS masks
    std::vector<uint8_t> dib;    // 24 bits over white
};

// The three forms of a 32-bit image; false (and *out empty) when the image
// is not a 32-bit image or memory runs out.
bool make_clipboard_image(int64_t image, ClipboardImage* out);

// Puts the cut-out at the output size on the clipboard, owned by the main
// window: 1 when every form was placed, else 0 (the clipboard may then hold
// some of them, or what it held before).
int64_t copy_cutout();
