// Test pictures for the decoders, written in memory with libjpeg and libpng
// themselves: every JPEG and PNG kind the decoders meet, with an optional
// EXIF orientation (APP1 segment or eXIf chunk).
#pragma once

#include <cstdint>
#include <string>

namespace decode_pictures {

// Colour 0xAARRGGBB of pixel (x, y) of a busy, asymmetric picture: smooth
// gradients, sharp edges and noise, distinct channels, so that IDCT,
// upsampling, row order and channel order all show.  Alpha runs through
// every value.
uint32_t pixel(int32_t x, int32_t y);

// The upright picture with four differently coloured corner quarters (red
// top left, green top right, blue bottom left, white bottom right), for the
// orientation tests.  A file made with `corner_picture` and an orientation
// stores it turned so that applying the orientation gives it back.
uint32_t corners(int32_t x, int32_t y, int32_t width, int32_t height);

// "Exif\0\0" and a TIFF block (little- or big-endian) whose first
// directory holds the orientation.
std::string exif_block(int32_t orientation, bool big_endian);

struct JpegKind {
    int components;        // 1 grey, 3 YCbCr
    int h_sampling, v_sampling;  // of luma, chroma 1x1: 2,2 is 4:2:0, 2,1 4:2:2, 1,1 4:4:4
    bool progressive;
    int quality;
    int restart_rows = 0;  // a restart marker every this many MCU rows
    bool arithmetic = false;
};
// A JPEG of `pixel` (or `corners`), with an APP1 EXIF segment when
// orientation is not 0.
std::string jpeg(int32_t width, int32_t height, const JpegKind& kind, int32_t orientation = 0,
                 bool corner_picture = false);

struct PngKind {
    int colour_type;  // 0 grey, 2 RGB, 3 palette, 4 grey+alpha, 6 RGBA
    int bit_depth;
    bool transparency;  // tRNS for grey, RGB and palette
    bool interlaced;
    double gamma = 0;   // a gAMA chunk with this file gamma when not 0
    bool srgb = false;  // an sRGB chunk
};
// A PNG of `pixel` (or `corners`, or with `alpha_table` the colour x
// under the alpha y) in that kind, with an eXIf chunk when orientation is
// not 0.
std::string png(int32_t width, int32_t height, const PngKind& kind, int32_t orientation = 0,
                bool corner_picture = false, bool alpha_table = false);

}  // namespace decode_pictures
