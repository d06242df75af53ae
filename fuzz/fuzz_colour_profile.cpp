// Embedded profiles on any bytes: the search in a JPEG, PNG or WebP file
// (the bytes as they come) and the conversion with the bytes taken as a
// profile never crash, leak or print; a conversion that declines leaves
// the pixels as they were.
#include <cstring>
#include <vector>

#include "codecs/colour_profile.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<uint8_t> found = embedded_profile(data, size);
    FUZZ_CHECK(found.size() <= size * 1100 + 1);  // no more than inflating all the bytes could give
    uint8_t pixels[5 * 3 * 3], before[sizeof pixels];
    for (size_t i = 0; i < sizeof pixels; ++i) pixels[i] = static_cast<uint8_t>(i * 37);
    std::memcpy(before, pixels, sizeof pixels);
    if (!convert_to_srgb(data, size, pixels, 5 * 3, 5, 3)) FUZZ_CHECK(std::memcmp(pixels, before, sizeof pixels) == 0);
    return 0;
}
