// JPEG input through libjpeg: baseline, progressive and arithmetic-coded
// files in YCbCr or grey, decoded straight into the caller's 24-bit rows.
// Every other colour space (CMYK, YCCK, RGB, ...) is declined, as is a side
// above MAX_DECODE_SIDE; a file libjpeg has to warn about counts as failed.
// Nothing is printed and nothing past the given bytes is read.
#pragma once

#include <cstddef>
#include <cstdint>

#include "codecs/orientation.h"

// The largest side a decoder accepts (the image library's limit).
constexpr int32_t MAX_DECODE_SIDE = 32767;

// True when the bytes start like a JPEG file.
bool looks_like_jpeg(const uint8_t* data, size_t size);

// Decodes the JPEG in data[0..size), turned upright by `orientation`
// (1..8): asks `make` for the target at the upright size, then writes every
// pixel.  1 when the picture is complete in the target; 0 when the file was
// declined or failed (then the target, if one was made, is partly written
// and should be discarded).
int32_t decode_jpeg(const uint8_t* data, size_t size, int32_t orientation, MakeTarget make, void* context);

// The stored size of the JPEG, read from its header alone; false when
// libjpeg cannot read the header or the decoder would decline the file.
bool jpeg_size(const uint8_t* data, size_t size, int32_t* width, int32_t* height);
