// Saving an image object: its pixel memory goes to save_pixels with the
// image's own size and depth, rows bottom-up.
#pragma once

#include <cstdint>

#include "codecs/encoder.h"

// Depth -1 writes the image's save_depth.  Shorter calls take BMP, flags 7
// and that default depth.  1 on success, 0 on failure.
int32_t save_image(int64_t image, const char* file, uint32_t format = FORMAT_BMP,
                   int32_t flags = DEFAULT_SAVE_FLAGS, int32_t depth = -1);
