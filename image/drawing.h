// Drawing outputs: an image made the target of drawing.  image_output wraps
// an image, start_drawing hands back a memory device context in which the
// image's bitmap is selected (what is drawn through it lands in the image's
// pixels), stop_drawing releases it all.  Also the colour helpers and
// fill_memory.
//
// Colour values: red in bits 0-7, green 8-15, blue 16-23, alpha (where used)
// 24-31, held in a 64-bit integer widened from the 32-bit pattern with its
// sign (so a colour with alpha 128 or more is negative).
#pragma once

#include <cstdint>

struct DrawingOutput;
using OutputStart = int64_t (*)(DrawingOutput* output);  // the context to draw into, or 0
using OutputStep = void (*)(DrawingOutput* output);

// Bits of DrawingOutput::kind.
constexpr uint32_t OUTPUT_BYTES_PER_PIXEL = 0xFF;  // mask: 3 or 4
constexpr uint32_t OUTPUT_IMAGE = 0x100;           // the output is an image

struct DrawingOutput {
    uint8_t* pixels;            // the image's DIB memory (bottom-up)
    int64_t stride;             // row_stride(width, bits per pixel)
    int32_t width;              // from the image's record
    int32_t height;
    int32_t bits_per_pixel;     // 32 for a 32-bit image, else 24
    uint32_t kind;              // bytes per pixel | OUTPUT_IMAGE
    int64_t dc;                 // memory device context with the bitmap selected
    int64_t bitmap;             // the image's bitmap handle
    int64_t saved_batch_limit;  // the graphics batch limit before the output was made
    OutputStart start;
    OutputStep stop;
    OutputStep release;
};

// The new output (made current at once, replacing any earlier current
// output without ending it), or null when there is no such image, its handle
// is not a DIB section or no device context can be made.
DrawingOutput* image_output(int64_t image);
// The device context to draw into, or 0 (a failed start frees the output).
int64_t start_drawing(DrawingOutput* output);
// Ends the current output; nothing when there is none.
void stop_drawing();
DrawingOutput* current_output();

int64_t rgb(int64_t red, int64_t green, int64_t blue);
int64_t rgba(int64_t red, int64_t green, int64_t blue, int64_t alpha);
int64_t red(int64_t colour);
int64_t green(int64_t colour);
int64_t blue(int64_t colour);

// Unit codes of fill_memory.
constexpr int32_t FILL_BYTE = 1;
constexpr int32_t FILL_WORD = 3;       // 25 too
constexpr int32_t FILL_LONG = 5;
constexpr int32_t FILL_QUAD = 21;

// Writes the value's low unit bytes (little-endian) over length bytes; a
// tail shorter than the unit takes the value's high bytes in pieces of 4,
// 2 and 1.  Nothing for a null address or a length of 0 or less.
void fill_memory(void* address, int64_t length, int64_t value, int32_t unit);
