// The square on the face in a picture: the face search and the square's
// rule together, for the window's loads and any batch.
#pragma once

#include <cstdint>

#include "app/model/crop.h"

// The square on the largest person's face in an image (a cat's when there
// is none); false, and *square untouched, when no face is found.
bool find_face_square(int64_t image, CropSquare* square);
