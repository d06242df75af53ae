#include "codecs/save_image.h"

#include "image/image.h"

int32_t save_image(int64_t image, const char* file, uint32_t format, int32_t flags, int32_t depth) {
    if (!file || !*file) return 0;
    ImageObject* record = find_image(image);
    if (!record) return 0;
    // Only a device-independent section with reachable memory can be saved.
    BitmapInfo info;
    const uint8_t* bits = image_bits(image, &info);
    if (!bits) return 0;
    if (depth == -1) depth = record->save_depth;
    int64_t pitch = row_stride(info.width, info.bits_per_pixel);
    if (pitch <= 0) return 0;
    return save_pixels(file, bits, format, record->width, record->height, static_cast<int32_t>(pitch), record->depth,
                       ROWS_BOTTOM_UP, flags, depth);
}
