// WebP input through libwebp: lossy, lossless, with or without alpha, and
// the first frame of an animation, decoded into the caller's 24-bit rows
// with alpha composited over black as for PNG.  Nothing is printed and
// nothing past the given bytes is read.
#pragma once

#include <cstddef>
#include <cstdint>

#include "codecs/orientation.h"

// True when the bytes start with a RIFF header of type WEBP.
bool looks_like_webp(const uint8_t* data, size_t size);

// The payload of the first chunk with this four-letter tag in a WebP
// file's RIFF container ("EXIF", "ICCP", ...); null when there is none or
// the container is malformed before it.
const uint8_t* webp_chunk(const uint8_t* data, size_t size, const char* tag, size_t* length);

// Decodes the WebP in data[0..size), turned upright by `orientation`
// (1..8): asks `make` for the target at the upright size, then writes every
// pixel.  1 when the picture is complete in the target; 0 when the file was
// declined or failed (then the target, if one was made, should be discarded).
int32_t decode_webp(const uint8_t* data, size_t size, int32_t orientation, MakeTarget make, void* context);
