// Source pictures through our own JPEG and PNG decoders, turned upright by
// their EXIF orientation, in front of the platform decoder (GDI+), which
// takes every other format and whatever these decline.
#pragma once

#include <cstddef>
#include <cstdint>

// A new 24-bit image (AUTO_ID handle) of the JPEG or PNG picture in
// data[0..size), upright and with any alpha composited over black; 0 when
// the bytes are no JPEG or PNG, or the decoder declines or fails on them.
int64_t decode_picture(const uint8_t* data, size_t size);

// True when a file starting with these bytes is worth reading whole: a
// JPEG or PNG for our decoders.
bool worth_reading_whole(const uint8_t* start, size_t size);
