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
// JPEG or PNG for our decoders, or a TIFF for its orientation.
bool worth_reading_whole(const uint8_t* start, size_t size);

// The GDI+ RotateFlipType calls, in order, that turn a picture of this
// orientation upright; their number (0 to 2).  The two diagonal mirrors are
// a left-right flip followed by a plain turn: the combined types
// (Rotate90FlipX, Rotate270FlipX) are applied in opposite orders by
// different GDI+ implementations.
int32_t rotate_flip_steps(int32_t orientation, int32_t steps[2]);

// The file's picture through GDI+ alone, turned by GdipImageRotateFlip with
// the type for `orientation`, drawn over black into a new 24-bit image; 0
// when GDI+ is missing or cannot decode the file.  (Only on Windows.)
int64_t decode_with_gdiplus(const char* file, int32_t orientation);
