// Portable pixel kernels on raw memory: a pointer to the first byte of the
// first row in memory and a stride in bytes.  Nothing here knows about the
// platform's bitmaps; the thin platform files hand their memory in.
#pragma once

#include <cstddef>
#include <cstdint>

// Writes the 32-bit value into every pixel of a 32-bit picture, row by row.
void fill_pixels32(uint8_t* bits, int64_t stride, int32_t width, int32_t height, uint32_t value);

// Multiplies blue, green and red of every 32-bit pixel by its alpha / 256
// (alpha below 255 only; opaque pixels stay as they are).  Rows are packed.
void premultiply_pixels(uint8_t* pixels, size_t count);

// Every 32-bit pixel whose alpha is 0 becomes 0x00FFFFFF (white, alpha 0).
void transparent_to_white(uint8_t* pixels, size_t count);

// True when some 32-bit pixel has a non-zero alpha byte.  Rows are packed.
bool any_alpha(const uint8_t* pixels, size_t count);

// Copies the rectangle (x, y, width, height) of a source picture, counted
// from its top-left corner, into a destination of width x height pixels of
// the same depth, both stored bottom-up.  Destination pixels whose source
// position lies outside the source are not written.
void copy_region(uint8_t* destination, int64_t destination_stride, int32_t width, int32_t height,
                 const uint8_t* source, int64_t source_stride, int32_t source_width, int32_t source_height,
                 int32_t bytes_per_pixel, int32_t x, int32_t y);

// Nearest-pixel scaling (the pixel-dropping stretch of hosts that have none
// of their own).  Both pictures have the same depth; rows in memory order.
void nearest_resample(uint8_t* destination, int64_t destination_stride, int32_t width, int32_t height,
                      const uint8_t* source, int64_t source_stride, int32_t source_width, int32_t source_height,
                      int32_t bytes_per_pixel);

// Between a bottom-up picture of 3 or 4 bytes per pixel and top-down 32-bit
// words (bytes blue, green, red, alpha), as the platform's DIB transfers do:
// to words, a 3-byte pixel gets alpha 0 and a 4-byte one keeps its bytes;
// from words, a 3-byte pixel takes the colour bytes only.
void picture_to_words(uint32_t* words, const uint8_t* bits, int64_t stride, int32_t width, int32_t height,
                      int32_t bytes_per_pixel);
void words_to_picture(uint8_t* bits, int64_t stride, const uint32_t* words, int32_t width, int32_t height,
                      int32_t bytes_per_pixel);
