// Region grab and resize.  Both work on the images' memory directly: every
// bitmap of this library is a DIB section, so copying and scaling need no
// device context except for the platform's pixel-dropping stretch.
#include "core/registry.h"
#include "image/bitmap_platform.h"
#include "image/image.h"
#include "image/pixels.h"
#include "image/resample.h"
#include "image/square.h"

int64_t grab_image(int64_t source, int64_t id, int32_t x, int32_t y, int32_t width, int32_t height) {
    ImageObject* from = find_image(source);
    BitmapInfo src;
    if (!from || !bitmap_info(from->handle, &src)) return 0;
    int8_t depth = from->depth, save_depth = from->save_depth;
    int64_t bitmap = make_bitmap(width, height, depth);
    BitmapInfo dst;
    if (!bitmap || !bitmap_info(bitmap, &dst) || dst.bits_per_pixel != src.bits_per_pixel) {
        if (bitmap) delete_bitmap(bitmap);
        return 0;
    }
    copy_region(dst.bits, dst.stride, width, height, src.bits, src.stride, src.width, src.height,
                src.bits_per_pixel / 8, x, y);
    // The record is taken only now, so a failed grab never disturbs what the
    // id held before.  (Taking a number that held the source frees it; the
    // copy is already made.)
    auto* record = static_cast<ImageObject*>(take_object(image_registry(), id));
    if (!record) {
        delete_bitmap(bitmap);
        return 0;
    }
    record->handle = bitmap;
    record->width = static_cast<int16_t>(width);
    record->height = static_cast<int16_t>(height);
    record->depth = depth;
    record->save_depth = save_depth;
    return id == AUTO_ID ? record_handle(record) : bitmap;
}

int64_t resize_image(int64_t image, int32_t width, int32_t height, int32_t mode) {
    ImageObject* record = find_image(image);
    if (!record || !is_bitmap_object(record->handle)) return 0;
    int32_t cw = record->width, ch = record->height;
    if (width == IGNORE_ARG) width = cw;
    if (height == IGNORE_ARG) height = ch;
    if (width == cw && height == ch) return record->handle;

    int64_t old_bitmap = record->handle;
    int64_t bitmap = make_bitmap(width, height, record->depth);
    if (!bitmap) return 0;
    BitmapInfo from, to;
    bool done = false;
    if (bitmap_info(old_bitmap, &from) && bitmap_info(bitmap, &to) && from.bits_per_pixel == to.bits_per_pixel &&
        from.width == cw && from.height == ch) {
        if (mode != 0) {
            done = stretch_pixel_dropping(bitmap, width, height, old_bitmap, cw, ch);
        } else if (bitmap_has_alpha(old_bitmap)) {
            done = resample_bitmap(bitmap, width, height, old_bitmap, cw, ch) != 0;
        } else {
            // The smooth path for pictures without alpha: our own area average
            // (the platform's halftone stretch does not average everywhere).
            done = area_resample(to.bits, to.stride, width, height, from.bits, from.stride, cw, ch,
                                 from.bits_per_pixel / 8);
        }
    }
    if (!done) {
        // The image keeps its old bitmap and size.
        delete_bitmap(bitmap);
        return 0;
    }
    record->handle = bitmap;
    record->width = static_cast<int16_t>(width);
    record->height = static_cast<int16_t>(height);
    delete_bitmap(old_bitmap);
    return bitmap;
}

int64_t resample_bitmap(int64_t destination, int32_t width, int32_t height, int64_t source, int32_t source_width,
                        int32_t source_height) {
    BitmapInfo to, from;
    if (!bitmap_info(destination, &to) || !bitmap_info(source, &from)) return 0;
    // Both are packed 32-bit pictures of the sizes given; anything else
    // would let the passes run past the memory.
    if (to.bits_per_pixel != 32 || from.bits_per_pixel != 32 || to.width != width || to.height != height ||
        from.width != source_width || from.height != source_height)
        return 0;
    return cubic_resample(to.bits, width, height, from.bits, source_width, source_height, true) ? 1 : 0;
}

namespace {

// Both images' memory, when the image is square and of the source's depth
// and the side is one an image can have.
bool square_pair(int64_t image, int64_t source, int32_t side, BitmapInfo* to, BitmapInfo* from) {
    ImageObject* record = find_image(image);
    ImageObject* picture = find_image(source);
    if (!record || !picture || !bitmap_info(record->handle, to) || !bitmap_info(picture->handle, from)) return false;
    return to->width == to->height && to->bits_per_pixel == from->bits_per_pixel && side >= 1 &&
           side <= MAX_IMAGE_SIDE;
}

}  // namespace

int64_t sample_square_into(int64_t image, int64_t source, int64_t x, int64_t y, int32_t side) {
    BitmapInfo to, from;
    if (!square_pair(image, source, side, &to, &from)) return 0;
    // Transparent pixels as the exact scaling (below) treats them.
    const bool whiten = from.bits_per_pixel == 32 && alpha_blend_available() && side != to.width;
    return sample_square(to.bits, to.stride, to.width, from.bits, from.stride, from.width, from.height,
                         from.bits_per_pixel / 8, x, y, side, whiten)
               ? 1
               : 0;
}

int64_t scale_square_into(int64_t image, int64_t source, int64_t x, int64_t y, int32_t side) {
    BitmapInfo to, from;
    if (!square_pair(image, source, side, &to, &from)) return 0;
    // The filter resize_image would choose for the grabbed copy, a DIB
    // section of the source's depth.
    const SquareFilter filter = from.bits_per_pixel == 32 && alpha_blend_available() ? SQUARE_CUBIC : SQUARE_AREA;
    return scale_square(to.bits, to.stride, to.width, from.bits, from.stride, from.width, from.height,
                        from.bits_per_pixel / 8, x, y, side, filter)
               ? 1
               : 0;
}
