#include "image/image.h"

#include <cstring>

#include "image/bitmap_platform.h"
#include "image/pixels.h"

namespace {

ObjectRegistry* images = nullptr;

constexpr uint32_t OPAQUE_BLACK = 0xFF000000u;

}  // namespace

void init_image_library() {
    if (!images) images = new_registry(sizeof(ImageObject), 16, free_image);
}

ObjectRegistry* image_registry() { return images; }

int64_t row_stride(int64_t width, int64_t depth) {
    if (width < 0 || width > (int64_t{1} << 32)) return 0;
    switch (depth) {
    case 1: return ((width + 31) / 32) * 4;
    case 4: return ((width + 7) / 8) * 4;
    case 8: return ((width + 3) / 4) * 4;
    case 15:
    case 16: return ((width + 1) / 2) * 4;
    case 24: return ((3 * width + 3) / 4) * 4;
    case 32: return 4 * width;
    default: return 0;
    }
}

ImageObject* find_image(int64_t image) { return static_cast<ImageObject*>(find_object(images, image)); }

uint8_t* image_bits(int64_t image, BitmapInfo* info) {
    ImageObject* record = find_image(image);
    BitmapInfo local;
    if (!info) info = &local;
    if (!record || !bitmap_info(record->handle, info)) return nullptr;
    return info->bits;
}

int64_t create_image(int64_t id, int32_t width, int32_t height, int32_t depth) {
    init_image_library();
    // A number that holds an image has it freed here, before the new bitmap
    // is made: a failed create leaves the number empty.
    auto* record = static_cast<ImageObject*>(take_object(images, id));
    if (!record) return 0;
    int64_t bitmap = make_bitmap(width, height, depth);
    BitmapInfo info;
    if (!bitmap || !bitmap_info(bitmap, &info)) {
        if (bitmap) delete_bitmap(bitmap);
        if (id == AUTO_ID) release_object(images, record_handle(record));
        return 0;
    }
    // The new memory is all zero, which is already the 24-bit fill (black).
    if (info.bits_per_pixel == 32) fill_pixels32(info.bits, info.stride, info.width, info.height, OPAQUE_BLACK);
    record->handle = bitmap;
    record->width = static_cast<int16_t>(info.width);
    record->height = static_cast<int16_t>(info.height);
    record->depth = record->save_depth = static_cast<int8_t>(info.bits_per_pixel);
    return id == AUTO_ID ? record_handle(record) : bitmap;
}

void free_image(int64_t image) {
    if (!images) return;
    if (image == AUTO_ID) {
        free_all_objects(images);
        return;
    }
    ImageObject* record = find_image(image);
    if (!record) return;
    delete_bitmap(record->handle);
    release_object(images, image);
}

void free_all_images() { free_image(AUTO_ID); }

int64_t is_image(int64_t image) { return check_object(images, image); }

int64_t image_handle(int64_t image) {
    ImageObject* record = find_image(image);
    return record ? record->handle : 0;
}

int64_t image_width(int64_t image) {
    ImageObject* record = find_image(image);
    return record ? record->width : 0;
}

int64_t image_height(int64_t image) {
    ImageObject* record = find_image(image);
    return record ? record->height : 0;
}
