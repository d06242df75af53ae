// PNG output through libpng: 8-bit truecolour (RGB or RGBA) with filter None
// on every row and deflate level 9, no ancillary chunks.  Registered under
// FORMAT_PNG with one writer for 24-bit and one for 32-bit pixels.
#pragma once

#include <cstddef>
#include <cstdint>

// Registers the PNG record once; later calls do nothing.
void register_png_encoder();

int32_t write_png_rgb(const char* file, const uint8_t* pixels, int32_t width, int32_t height, int32_t pitch,
                      int32_t layout, int32_t flags, int32_t depth);
int32_t write_png_rgba(const char* file, const uint8_t* pixels, int32_t width, int32_t height, int32_t pitch,
                       int32_t layout, int32_t flags, int32_t depth);
// colour_type 2 (RGB, 3-byte pixels) or 6 (RGBA, 4-byte pixels).  Depths 1
// to 8 ask for a palette image; any other depth gives 8-bit truecolour.
int32_t write_png(const char* file, const uint8_t* pixels, int32_t width, int32_t height, int32_t pitch,
                  int32_t layout, int32_t flags, int32_t depth, int32_t colour_type);

// The file write_png would write, in memory: a new block of *size bytes
// (release it with std::free), or null with *size 0 on failure.
uint8_t* write_png_to_memory(size_t* size, const uint8_t* pixels, int32_t width, int32_t height, int32_t pitch,
                             int32_t layout, int32_t flags, int32_t depth, int32_t colour_type);
