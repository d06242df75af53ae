// Source pictures through our own decoders (JPEG, PNG, WebP, and HEIF and
// AVIF through libheif when it is there), turned upright by their EXIF
// orientation and converted to sRGB from their embedded colour profile, in
// front of the platform decoder (GDI+), which takes every other format and
// whatever these decline.
#pragma once

#include <cstddef>
#include <cstdint>

// A new 24-bit image (AUTO_ID handle) of the JPEG, PNG, WebP, HEIF or AVIF
// picture in data[0..size), upright, in sRGB and with any alpha composited
// over black; 0 when the bytes are none of these, or the decoder declines
// or fails on them.  Then, when `why` is given and the failure has a
// reason worth showing, *why is set to a few words saying it (a static
// text); otherwise it is left alone.
int64_t decode_picture(const uint8_t* data, size_t size, const char** why = nullptr);

// True when a file starting with these bytes is worth reading whole: a
// picture for our decoders.
bool worth_reading_whole(const uint8_t* start, size_t size);

// The reasons decode_picture gives.
extern const char* const NEEDS_HEIF_LIBRARY;  // "HEIC needs libheif.dll beside roundcut.exe"
extern const char* const DAMAGED_HEIF;        // "Damaged HEIC or AVIF"
extern const char* const DAMAGED_WEBP;        // "Damaged WebP"
