// The WebP decoder on any bytes (the first byte picks the orientation): it
// decodes or declines, never crashes, leaks or prints; a decoded still
// picture has libwebp's own size, upright, and (as stored) holds libwebp's
// own BGRA decode put over black in every byte.
#include <webp/decode.h>

#include <cstring>
#include <vector>

#include "codecs/jpeg_reader.h"
#include "codecs/png_reader.h"
#include "codecs/webp_reader.h"
#include "decoded_buffer.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t input_size) {
    if (input_size < 1) return 0;
    const int32_t orientation = input[0] % 9;
    const uint8_t* data = input + 1;
    const size_t size = input_size - 1;
    Decoded d;
    if (!decode_webp(data, size, orientation, make_buffer, &d)) return 0;
    WebPBitstreamFeatures features;
    FUZZ_CHECK(WebPGetFeatures(data, size, &features) == VP8_STATUS_OK);
    if (features.has_animation) return 0;
    const int32_t width = features.width, height = features.height;
    const bool swap = orientation_swaps_sides(orientation);
    FUZZ_CHECK(d.width == (swap ? height : width) && d.height == (swap ? width : height));

    // Orientation 1 only: placement has its own tests.
    int w = 0, h = 0;
    uint8_t* reference = WebPDecodeBGRA(data, size, &w, &h);
    FUZZ_CHECK(reference && w == width && h == height);
    for (int32_t y = 0; orientation < 2 && y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            const uint8_t* r = reference + (static_cast<size_t>(y) * width + x) * 4;
            const uint8_t* p = &d.pixels[(static_cast<size_t>(height - 1 - y) * width + x) * 3];
            for (int c = 0; c < 3; ++c) FUZZ_CHECK(p[c] == over_black(r[c], r[3]));
        }
    WebPFree(reference);
    return 0;
}
