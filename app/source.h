// The source picture and its crop: loading a file into the source image,
// the initial square, and cutting the square out again after a press.
#pragma once

#include <cstdint>

#include "app/crop.h"

// Decodes the file into a new 24-bit image, upright by its EXIF orientation
// and drawn 1:1 over black: JPEG and PNG through our own decoders, anything
// they decline or fail on and every other format through GDI+ (see
// app/picture_decode.h); 0 when nothing can decode the file.
int64_t load_with_gdiplus(const char* file);

// The text converted from the system code page to a new UTF-16 string
// (a BSTR; free it with SysFreeString).
wchar_t* to_wide_string(const char* text);

// Replaces the source and crop images by the file's picture, or by a black
// 600 x 600 picture when it cannot be decoded, and sets the initial square:
// the largest one at the top-left corner, at most 600 pixels.
void load_source(const char* file);

// Cuts the current square out of the source and scales it to 600 x 600 into
// the crop image, which is always a 600 x 600 image afterwards (black when
// the square cannot be shown) unless memory for it could not be had (0).
// The crop image is written in place when it already has that size and the
// source's depth.
void grab_crop_square();

// A quick likeness of the square in the crop image (one source pixel per
// canvas pixel), for moves that grab_crop_square will follow.
void preview_crop_square();

// Takes the crop image off the screen before it is freed (the left gadget
// shows nothing until the next crop is set).  Nothing to do without a window.
void clear_crop_display();

// One press of a crop button: the bound test, the move and, when the test
// passed, a new crop image.  True when the test passed.
bool apply_crop_press(CropButton button);
