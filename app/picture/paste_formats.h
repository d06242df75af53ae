// Pictures from the clipboard, portable: the order in which a paste tries
// the offered formats, and packed device-independent bitmaps (a header, maybe
// masks and a colour table, then the rows) turned into a 24-bit source image.
#pragma once

#include <cstddef>
#include <cstdint>

enum PasteFormat : int32_t {
    PASTE_FILES,   // a dropped-file list: its first file, loaded like a chosen one
    PASTE_PNG,     // the registered "PNG" format, decoded from memory
    PASTE_DIBV5,   // a packed DIB with a version-5 header, taken only with alpha
    PASTE_DIB,     // a packed DIB, colours only
};

struct PasteOffer {
    bool files, png, dibv5_with_alpha, dib;
};

// The offered formats best first: files, PNG, a DIBV5 with alpha, a DIB.
// A paste tries them in this order until one gives a picture.  Returns how
// many were written to `order` (at most 4).
int paste_order(const PasteOffer& offer, PasteFormat order[4]);

// A packed DIB, checked.  Every pointer lies inside the block it was read
// from, and the rows fit in it: height rows of stride bytes from `pixels`.
struct DibLayout {
    int32_t width, height;      // both 1 .. MAX_IMAGE_SIDE
    bool top_down;              // the first row in memory is the top one
    int32_t bits;               // 1, 4, 8, 16, 24 or 32
    uint32_t masks[4];          // red, green, blue, alpha (alpha 0: none); 16 and 32 bits
    const uint8_t* palette;     // blue, green, red, reserved per entry; up to 8 bits
    uint32_t palette_count;
    const uint8_t* pixels;
    size_t stride;
};

// Reads the header of a packed DIB of `size` bytes.  False for anything
// this reader does not take: a header shorter than 40 bytes or longer than
// the block, sizes of 0 or beyond the image library's limit, compressed
// rows, masks that are empty, broken or overlapping, colour tables or rows
// past the end of the block.
bool read_dib_layout(const uint8_t* data, size_t size, DibLayout* layout);

// Whether the block is a DIB whose 32-bit pixels carry alpha in a mask.
bool dib_has_alpha(const uint8_t* data, size_t size);

// A new 24-bit image of the DIB's picture, or 0.  With use_alpha and an
// alpha mask the colours are composited over black, as a loaded picture
// with alpha is; a picture whose alpha is 0 everywhere is taken as opaque
// (many programs leave the fourth byte unused).  Palette indexes past the
// table give black.
int64_t dib_to_image(const uint8_t* data, size_t size, bool use_alpha);
