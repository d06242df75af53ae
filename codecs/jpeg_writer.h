// JPEG output through libjpeg: sequential, three components, the quality
// level from the flags.  Registered under FORMAT_JPEG with a 24-bit writer
// only, so 32-bit pictures arrive composited over white.
#pragma once

#include <cstdint>

// Registers the JPEG record once; later calls do nothing.
void register_jpeg_encoder();

// Flags are the quality level 0..10 (clamped); libjpeg quality is ten times
// that.  The depth is not used.
int32_t write_jpeg(const char* file, const uint8_t* pixels, int32_t width, int32_t height, int32_t pitch,
                   int32_t layout, int32_t flags, int32_t depth);

// The libjpeg quality a flags value gives.
inline int32_t jpeg_quality(int32_t flags) { return 10 * (flags < 0 ? 0 : flags > 10 ? 10 : flags); }
