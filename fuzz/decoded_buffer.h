// The target the decoder fuzz targets hand to a decoder: plain memory,
// bottom-up as the source images are, filled with a canary (0x5A) that a
// decoder must write over, and kept small for the fuzzer's memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "codecs/jpeg_reader.h"  // MAX_DECODE_SIDE
#include "codecs/orientation.h"
#include "fuzz_input.h"

struct Decoded {
    int32_t width = 0, height = 0;
    std::vector<uint8_t> pixels;
};

inline bool make_buffer(void* context, int32_t width, int32_t height, DecodeTarget* target) {
    auto* d = static_cast<Decoded*>(context);
    FUZZ_CHECK(width >= 1 && height >= 1 && width <= MAX_DECODE_SIDE && height <= MAX_DECODE_SIDE);
    if (static_cast<int64_t>(width) * height > (1 << 18)) return false;
    d->width = width, d->height = height;
    d->pixels.assign(static_cast<size_t>(width) * height * 3, 0x5A);
    target->top = d->pixels.data() + static_cast<size_t>(height - 1) * width * 3;
    target->stride = -static_cast<ptrdiff_t>(width) * 3;
    return true;
}
