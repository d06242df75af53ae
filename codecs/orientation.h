// EXIF orientation of a picture file, and where each decoded pixel goes so
// that the picture comes out upright.
//
// Orientation values (tag 0x0112): 1 as stored, 2 mirrored left-right,
// 3 turned half round, 4 mirrored top-bottom, 5 mirrored along the main
// diagonal, 6 to be turned a quarter clockwise, 7 mirrored along the other
// diagonal, 8 to be turned a quarter anticlockwise.
#pragma once

#include <cstddef>
#include <cstdint>

// The orientation a JPEG (APP1 "Exif"), TIFF (its own first directory),
// PNG (eXIf chunk) or WebP (EXIF chunk) file in memory declares; 1 for anything else, and for
// anything malformed: offsets past the end, wrong types or counts, values
// outside 1..8.
int32_t read_orientation(const uint8_t* data, size_t size);

// A TIFF file's orientation without reading the file whole: the first
// directory's offset from the 8-byte header (0 when it is no TIFF header),
// then the orientation from the header and the bytes read there (the entry
// count and up to TIFF_DIRECTORY_LIMIT bytes of it): what read_orientation
// gives for the whole file.
constexpr size_t TIFF_DIRECTORY_LIMIT = 2 + 1024 * 12;
uint32_t tiff_directory_offset(const uint8_t* header, size_t size);
int32_t tiff_directory_orientation(const uint8_t* header, const uint8_t* directory, size_t size);

// True when the orientation swaps width and height (5 to 8).
inline bool orientation_swaps_sides(int32_t orientation) { return orientation >= 5 && orientation <= 8; }

// Where decoders write: 24-bit blue-green-red pixels of the upright picture,
// `top` the first byte of its top row and `stride` the step in bytes from a
// row to the one below it (negative for bottom-up bitmaps).
struct DecodeTarget {
    uint8_t* top;
    ptrdiff_t stride;
};

// Asked by a decoder once it knows the upright size, before it writes a
// pixel: fills *target and answers true, or answers false to stop the decode.
using MakeTarget = bool (*)(void* context, int32_t width, int32_t height, DecodeTarget* target);

// Stored pixel (x, y) of a picture stored width x height goes to the byte
// first + x * step_x + y * step_y of the target.
struct Placement {
    uint8_t* first;
    ptrdiff_t step_x;
    ptrdiff_t step_y;
};

// The placement for a stored width x height picture with this orientation
// (anything outside 1..8 counts as 1).
Placement make_placement(const DecodeTarget& target, int32_t orientation, int32_t width, int32_t height);

// Writes stored row y, `width` blue-green-red pixels, where the placement puts it.
void place_row(const Placement& placement, int32_t y, const uint8_t* bgr, int32_t width);

// Writes `count` stored rows from row y on, `stride` bytes apart, where the
// placement puts them.  A quarter turn makes each row a column: taken a
// column at a time down the band, each target row gets a run of pixels side
// by side (a few rows' band touches far fewer lines of memory than a row).
void place_band(const Placement& placement, int32_t y, const uint8_t* rows, size_t stride, int32_t count,
                int32_t width);
