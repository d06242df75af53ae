// PNG input through libpng: every colour type and bit depth, interlaced or
// not, decoded into the caller's 24-bit rows with alpha composited over
// black, as the platform draws such a picture into a source image.  Sides
// above MAX_DECODE_SIDE are refused in the header, before anything is
// allocated for the picture.  Nothing is printed and nothing past the given
// bytes is read.
#pragma once

#include <cstddef>
#include <cstdint>

#include "codecs/orientation.h"

// True when the bytes start with the PNG signature.
bool looks_like_png(const uint8_t* data, size_t size);

// Decodes the PNG in data[0..size), turned upright by `orientation` (1..8):
// asks `make` for the target at the upright size, then writes every pixel.
// 1 when the picture is complete in the target; 0 when the file was declined
// or failed (then the target, if one was made, should be discarded);
// PNG_REFUSED, before the target is asked for, when its data is far too
// short for the size its header claims.
constexpr int32_t PNG_REFUSED = -1;
constexpr uint64_t PNG_MOST_DEFLATED = 1032;
int32_t decode_png(const uint8_t* data, size_t size, int32_t orientation, MakeTarget make, void* context);

// A colour channel drawn with this alpha over black, as the platform does it.
// That is (channel x alpha + 127) / 255, computed without a division.
inline uint8_t over_black(uint32_t channel, uint32_t alpha) {
    const uint32_t t = channel * alpha + 128;
    return static_cast<uint8_t>((t + (t >> 8)) >> 8);
}
