// HEIF (HEIC) and AVIF input through libheif, which is loaded at run time
// (it and its HEVC decoder are LGPL DLLs beside the program), so that
// everything else works without it.  The primary picture comes out with
// its own rotation and mirror applied (not its EXIF orientation as well),
// alpha composited over black.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "codecs/orientation.h"

// The file libheif is loaded from, found beside the program (a test may
// name another).
extern const char* heif_library_file;

// The most pixels a picture may have (about 16384 x 16384): libheif holds
// it twice over before we see it.
extern int64_t heif_pixel_limit;

// True when the bytes start with an ISO file-type box naming a HEIF or AVIF brand.
bool looks_like_heif(const uint8_t* data, size_t size);

enum class HeifResult {
    decoded,     // the picture is complete in the target
    no_library,  // libheif (or a function of it) is missing
    too_large,   // more pixels than heif_pixel_limit
    failed,      // declined or damaged; discard the target if one was made
};

// Decodes the primary picture of the HEIF or AVIF file in data[0..size):
// asks `make` for the target at the upright size, then writes every pixel.
// *profile receives the ICC profile the file carries for it, if any.
HeifResult decode_heif(const uint8_t* data, size_t size, MakeTarget make, void* context,
                       std::vector<uint8_t>* profile);
