// Packed DIBs from the clipboard, any bytes at all: the first input byte
// says whether alpha is used, the rest is the block, copied to exactly its
// size so that any read past it is caught.
//
// Properties: a picture comes out exactly when the header is accepted, of
// the size the header gives; everything the layout points at lies inside
// the block, the colour table before the rows.
#include <cstring>
#include <vector>

#include "app/picture/paste_formats.h"
#include "fuzz_input.h"
#include "image/image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool started = false;
    if (!started) {
        init_image_library();
        started = true;
    }
    if (size == 0) return 0;
    const bool use_alpha = data[0] & 1;
    std::vector<uint8_t> block(data + 1, data + size);
    const uint8_t* begin = block.data();
    const uint8_t* end = begin + block.size();

    DibLayout layout{};
    const bool accepted = read_dib_layout(begin, block.size(), &layout);
    if (accepted) {
        FUZZ_CHECK(layout.width >= 1 && layout.width <= MAX_IMAGE_SIDE);
        FUZZ_CHECK(layout.height >= 1 && layout.height <= MAX_IMAGE_SIDE);
        FUZZ_CHECK(layout.pixels >= begin && layout.pixels <= end);
        FUZZ_CHECK(static_cast<size_t>(end - layout.pixels) / layout.stride >= static_cast<size_t>(layout.height));
        if (layout.bits <= 8) {
            FUZZ_CHECK(layout.palette >= begin + 40);
            FUZZ_CHECK(layout.palette + 4 * static_cast<size_t>(layout.palette_count) <= layout.pixels);
        }
    }
    const int64_t image = dib_to_image(begin, block.size(), use_alpha);
    FUZZ_CHECK((image != 0) == accepted);
    if (image) {
        FUZZ_CHECK(image_width(image) == layout.width && image_height(image) == layout.height);
        free_image(image);
    }
    return 0;
}
