// Source pictures through our own decoders (JPEG, PNG, WebP, and HEIF and
// AVIF through libheif when it is there), turned upright by their EXIF
// orientation and converted to sRGB from their embedded colour profile, in
// front of the platform decoder (GDI+), which takes every other format and
// whatever these decline.
#pragma once

#include <cstddef>
#include <cstdint>

// Why a file gave no picture, or not the whole of it.
enum class PictureProblem : int32_t {
    NONE,
    UNREADABLE,    // nothing could decode it
    DAMAGED_JPEG,  // cut short or corrupt: the rows before the damage, or nothing
    DAMAGED_PNG,   // cut short, corrupt, or far too short for the picture its header claims
    TOO_LARGE,     // sides or memory beyond what the tool takes
    DAMAGED_WEBP,  // libwebp cannot read it
    DAMAGED_HEIF,  // a HEIC, HEIF or AVIF file libheif cannot read
    NEEDS_LIBHEIF, // a HEIC, HEIF or AVIF file, and no libheif.dll beside the program
};

// The few words the status bar shows for the problem ("" for none).
const char* picture_problem_text(PictureProblem problem);

// A new 24-bit image (AUTO_ID handle) of the JPEG, PNG, WebP, HEIF or AVIF
// picture in data[0..size), upright, in sRGB and with any alpha composited
// over black.  0 when the bytes are none of these or the decoder declines
// them (then *problem is NONE and the platform decoder may try), or when
// the file is refused (then *problem says why, and no other decoder should
// spend time on it).  A damaged JPEG gives its picture with *problem
// DAMAGED_JPEG.
int64_t decode_picture(const uint8_t* data, size_t size, PictureProblem* problem = nullptr);

// True when a file starting with these bytes is worth reading whole: a
// picture for our decoders.
bool worth_reading_whole(const uint8_t* start, size_t size);
