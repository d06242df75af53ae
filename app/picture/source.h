// The source picture and its crop: loading a file into the source image,
// the initial square, and cutting the square out again after a press.
#pragma once

#include <cstdint>

#include "app/model/crop.h"

// Replaces the source and crop images by the file's picture, or by a black
// 600 x 600 picture when it cannot be decoded, and sets the initial square:
// with Start on faces on, the square on the face found in it (see
// app/picture/face_find.h); otherwise, or when none is found, the largest
// one at the top-left corner, at most 600 pixels.
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
// Whether the crop image shows such a likeness (until the next grab).
bool crop_is_preview();

// Whoever shows the crop image (the main window's left picture) lets go of
// it before it is freed: the function set here is called first (none at
// first, as without a window).
using CropDisplayRelease = void (*)();
void set_crop_display_release(CropDisplayRelease release);

// Makes a decoded picture (a new image, now owned by the source) the
// source, as a load does: the initial square and the crop.
void use_source_image(int64_t image);

// The square on the face in the source, and a new crop image: true when a
// face was found (otherwise nothing changes).
bool apply_face_square();

// One press of a crop button: the bound test, the move and, when the test
// passed, a new crop image.  True when the test passed.
bool apply_crop_press(CropButton button);
