// Scaling a square of a picture straight from the picture's memory.
//
// grab_image followed by resize_image (mode 0) copies the square into a new
// bitmap of side x side pixels (black, all bytes 0, where the square reaches
// past the picture) and then resamples that copy.  For a big square the copy
// costs as much as the scaling and needs side x side pixels of memory.  The
// functions here give the very same bytes without the copy: they read the
// picture's rows where they lie (pointer and stride) and treat every position
// outside the picture as the zero pixel the copy would hold.
#pragma once

#include <cstdint>

enum SquareFilter {
    SQUARE_AREA,   // the area average (24-bit pictures, or 32-bit without alpha display)
    SQUARE_CUBIC,  // the cubic resampler of 32-bit pictures with alpha
};

// The square (x, y, side), counted from the picture's top-left corner, scaled
// to size x size into the destination, both pictures stored bottom-up with
// their own strides and the same bytes per pixel (3 or 4; the cubic filter
// needs 4 and a packed destination).  At side == size the square is copied
// as it is, like a grab without resize.  False for sizes below 1, an
// unsupported layout or when memory runs out; the destination may then hold
// anything.  Memory used: a few rows of side pixels, plus, for the cubic
// filter, a size x side temporary (the first pass of the resampler).
bool scale_square(uint8_t* destination, int64_t destination_stride, int32_t size, const uint8_t* source,
                  int64_t source_stride, int32_t source_width, int32_t source_height, int32_t bytes_per_pixel,
                  int64_t x, int64_t y, int32_t side, SquareFilter filter);

// A quick likeness of the same square for previews: each destination pixel
// is the one source pixel at the centre of its footprint (column
// x + floor((2i + 1) side / 2 size)), zero outside the picture.  With
// whiten_transparent (32-bit pictures the cubic filter would scale), fully
// transparent pixels come out as (255, 255, 255, 0), as that filter sees
// them.  Reads size x size pixels whatever the side.
bool sample_square(uint8_t* destination, int64_t destination_stride, int32_t size, const uint8_t* source,
                   int64_t source_stride, int32_t source_width, int32_t source_height, int32_t bytes_per_pixel,
                   int64_t x, int64_t y, int32_t side, bool whiten_transparent = false);

// The square scaled with the cubic filter into a packed 32-bit destination,
// from a picture of 3 or 4 bytes per pixel (a 24-bit picture's pixels taken
// as opaque and black outside it; a 32-bit picture's transparent pixels
// white, as the cubic filter takes them): what enlarging uses at every depth.  The same failures as
// scale_square.
bool cubic_square_32(uint8_t* destination, int64_t destination_stride, int32_t size, const uint8_t* source,
                     int64_t source_stride, int32_t source_width, int32_t source_height, int32_t bytes_per_pixel,
                     int64_t x, int64_t y, int32_t side);
