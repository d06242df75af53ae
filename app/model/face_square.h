// Where the square goes on a picture with a face in it: plain arithmetic,
// shared by the window and any batch.
#pragma once

#include <cstdint>

#include "app/model/crop.h"

// The square for a face box (top-left corner and size, in the picture's
// pixels) in a width x height picture: its side 2.2 times the face's, at
// least the face's and at most the picture's shorter side; the face centred
// across it, the face's centre at 45 % of the side from its top; then moved
// inside the picture.
CropSquare square_on_face(int64_t face_x, int64_t face_y, int64_t face_width, int64_t face_height, int64_t width,
                          int64_t height);
