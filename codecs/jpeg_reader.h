// JPEG input through libjpeg: baseline, progressive and arithmetic-coded
// files in YCbCr (any chroma subsampling), RGB or grey, decoded as libjpeg
// decodes by default (accurate integer transform, smooth chroma
// upsampling) straight into the caller's 24-bit rows.  CMYK and YCCK are
// declined, for another decoder to take.
//
// Hostile files cost little: a side above MAX_DECODE_SIDE, data far too
// short for the size the header claims, a progressive file of more than
// MAX_JPEG_SCANS scans, or coefficients beyond the memory budget are
// refused from the header (the progressive scans as they are met), before
// the target is asked for.  The first warning libjpeg gives about the data
// ends the decode: the rows decoded up to it stay, the rest are grey, and
// the file counts as damaged.  Nothing is printed and nothing past the
// given bytes is read.
#pragma once

#include <cstddef>
#include <cstdint>

#include "codecs/orientation.h"

// The largest side a decoder accepts (the image library's limit).
constexpr int32_t MAX_DECODE_SIDE = 32767;

// The most scans a progressive file may have (the usual files have ten or
// twenty; each scan may cost a pass over the whole picture).
constexpr int32_t MAX_JPEG_SCANS = 64;

// What decode_jpeg made of the bytes.
enum JpegResult : int32_t {
    JPEG_TOO_LARGE = -2,  // sides or memory beyond the limits: no picture
    JPEG_DECLINED = -1,   // no JPEG, or one in a colour space this decoder leaves to others
    JPEG_FAILED = 0,      // refused or unreadable: no picture (a target asked for holds nothing useful)
    JPEG_COMPLETE = 1,    // every pixel decoded
    JPEG_DAMAGED = 2,     // the picture, from the first damage on filled with grey
};

// The grey that stands for the rows a damaged file could not give.
constexpr uint8_t DAMAGED_GREY = 128;

// True when the bytes start like a JPEG file.
bool looks_like_jpeg(const uint8_t* data, size_t size);

// Decodes the JPEG in data[0..size), turned upright by `orientation`
// (1..8): asks `make` for the target at the upright size, then writes every
// pixel.
JpegResult decode_jpeg(const uint8_t* data, size_t size, int32_t orientation, MakeTarget make, void* context);

// The stored size of the JPEG, read from its header alone; false when
// libjpeg cannot read the header or the decoder would decline or refuse
// the file from it.
bool jpeg_size(const uint8_t* data, size_t size, int32_t* width, int32_t* height);
