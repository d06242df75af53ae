// Image objects: each image is a record of the image registry that owns one
// bitmap, a device-independent bitmap section of 24 or 32 bits per pixel, so
// the pixels of every image are addressable in memory.
//
// Pixel memory of an image (every module relies on this layout):
//   - rows bottom-up: the first row in memory is the bottom row of the picture;
//   - each row padded to a multiple of 4 bytes (row_stride);
//   - 24 bits: blue, green, red; 32 bits: blue, green, red, alpha (straight
//     alpha, 255 opaque), i.e. the little-endian word 0xAARRGGBB.
//
// Every operation that takes an image accepts its number (0 or more) or the
// handle that create_image returned for AUTO_ID.  Ids and handles are 64-bit;
// width, height and depth are 32-bit.  Failures return 0.
#pragma once

#include <cstdint>

#include "core/registry.h"

struct ImageObject {
    int64_t handle;      // the bitmap (an HBITMAP); 0 means no image
    int16_t width;       // as the platform reports it for the bitmap
    int16_t height;
    int8_t depth;        // bits per pixel of the memory: 24 or 32
    int8_t save_depth;   // what saving writes by default
};

// Sizes that fit the record's 16-bit fields.
constexpr int32_t MAX_IMAGE_SIDE = 32767;

void init_image_library();

// For a number: the new bitmap handle; for AUTO_ID: the new image's handle.
// Depth below 24 gives a 24-bit image; other depths than 24 and 32 fail.
// 32-bit images start opaque black (00 00 00 FF), 24-bit ones all zero.
int64_t create_image(int64_t id, int32_t width, int32_t height, int32_t depth);
void free_image(int64_t image);   // AUTO_ID frees every image
void free_all_images();
int64_t is_image(int64_t image);  // validating lookup
int64_t image_handle(int64_t image);
int64_t image_width(int64_t image);
int64_t image_height(int64_t image);

// The record of a live image (plain lookup), or null.  Encoders and other
// modules read depth and save_depth here and reach the pixels through
// image_bits.
ImageObject* find_image(int64_t image);

// The image registry (null before init_image_library).
ObjectRegistry* image_registry();

// Bytes per row of a bitmap of this width and depth (1, 4, 8, 15, 16, 24 or
// 32 bits); 0 for other depths or a width out of range.
int64_t row_stride(int64_t width, int64_t depth);

// A new zero-filled bottom-up DIB section, or 0.  Depths below 24 become 24.
// Sizes of 0 or less or above MAX_IMAGE_SIDE are refused.
int64_t make_bitmap(int32_t width, int32_t height, int32_t depth);

// Geometry and memory of a bitmap made by make_bitmap (or any DIB section).
struct BitmapInfo {
    int32_t width;
    int32_t height;          // positive: rows bottom-up
    int32_t bits_per_pixel;
    int32_t stride;          // bytes per row
    uint8_t* bits;           // first byte of the bottom row
};
// True for a bottom-up DIB section whose memory can be reached; fills *info.
bool bitmap_info(int64_t bitmap, BitmapInfo* info);
// Pixel memory of a live image and its geometry; null when there is none.
uint8_t* image_bits(int64_t image, BitmapInfo* info);

// Alpha display: msimg32's AlphaBlend, probed at start-up.
void load_alpha_blend();
void unload_alpha_blend();
bool alpha_blend_available();
int64_t bitmap_has_alpha(int64_t bitmap);
int64_t make_premultiplied_copy(int64_t bitmap);
void free_premultiplied_copy(int64_t copy);
void draw_alpha_bitmap(int64_t dc, int32_t x, int32_t y, int32_t width, int32_t height, int64_t bitmap,
                       int32_t alpha);

// Region grab and resize.
// For a number: the new bitmap handle; for AUTO_ID: the new image's handle;
// 0 on failure, leaving id untouched.  Parts outside the source stay zero.
int64_t grab_image(int64_t source, int64_t id, int32_t x, int32_t y, int32_t width, int32_t height);
// Scales in place; IGNORE_ARG keeps a side.  Mode 0 is smooth, any other
// mode drops pixels.  The bitmap handle afterwards, 0 on failure (the image
// is then as it was).
int64_t resize_image(int64_t image, int32_t width, int32_t height, int32_t mode);
// What grab_image (source, AUTO_ID, x, y, side, side) and then, for a side
// other than the image's, resize_image (..., its width, its height, 0) would
// give, written into the existing square image of the source's depth,
// without the side x side copy.  1 on success; 0 when either image is
// missing, the image is not square or differs in depth, or the side is
// outside 1 .. MAX_IMAGE_SIDE (the image's pixels may then be anything).
int64_t scale_square_into(int64_t image, int64_t source, int64_t x, int64_t y, int32_t side);
// A quick likeness of the same square (sample_square in image/square.h), for
// previews; the same checks and result.
int64_t sample_square_into(int64_t image, int64_t source, int64_t x, int64_t y, int32_t side);
// The cubic resampler for 32-bit bitmaps; turns fully transparent source
// pixels white first (in place).  1 on success.
int64_t resample_bitmap(int64_t destination, int32_t width, int32_t height, int64_t source, int32_t source_width,
                        int32_t source_height);
