#include "image/drawing.h"

#include <cstring>

#include "core/memory.h"
#include "image/drawing_platform.h"
#include "image/image.h"
#include "image/bitmap_platform.h"

namespace {

DrawingOutput* current = nullptr;

int64_t start_image_output(DrawingOutput* output) { return output->pixels ? output->dc : 0; }

void stop_image_output(DrawingOutput*) {}

void release_image_output(DrawingOutput* output) {
    // Deleting the context lets go of the image's bitmap.
    if (output->dc) delete_output_context(output->dc);
    output->dc = 0;
    set_graphics_batch_limit(output->saved_batch_limit);
}

void end_output(DrawingOutput* output) {
    if (output->release) output->release(output);
    if (current == output) current = nullptr;
    runtime_free(output);
}

// A 32-bit pattern widened with its sign, built without signed overflow.
int64_t widen32(uint64_t bits) { return static_cast<int32_t>(static_cast<uint32_t>(bits)); }

}  // namespace

DrawingOutput* image_output(int64_t image) {
    ImageObject* record = find_image(image);
    if (!record || !is_bitmap_object(record->handle)) return nullptr;
    BitmapInfo info;
    if (!bitmap_info(record->handle, &info) || !info.bits) return nullptr;  // only DIB sections
    int64_t dc = create_output_context();
    if (!dc) return nullptr;
    auto* output = static_cast<DrawingOutput*>(runtime_alloc(sizeof(DrawingOutput)));
    if (!output) {
        delete_output_context(dc);
        return nullptr;
    }
    uint32_t bytes = record->depth == 32 ? 4 : 3;
    output->kind = bytes | OUTPUT_IMAGE;
    current = output;
    output->bitmap = record->handle;
    output->saved_batch_limit = graphics_batch_limit();
    // Drawing must reach the pixels at once, not wait in a batch.
    set_graphics_batch_limit(1);
    output->dc = dc;
    select_output_bitmap(dc, record->handle);
    output->pixels = info.bits;
    output->stride = row_stride(info.width, info.bits_per_pixel);
    output->width = record->width;
    output->height = record->height;
    output->bits_per_pixel = bytes == 4 ? 32 : 24;
    output->start = start_image_output;
    output->stop = stop_image_output;
    output->release = release_image_output;
    return output;
}

int64_t start_drawing(DrawingOutput* output) {
    if (!output) return 0;
    int64_t dc = output->start ? output->start(output) : 0;
    if (!dc) end_output(output);
    return dc;
}

void stop_drawing() {
    DrawingOutput* output = current;
    if (!output) return;
    if (output->stop) output->stop(output);
    end_output(output);
}

DrawingOutput* current_output() { return current; }

int64_t rgb(int64_t r, int64_t g, int64_t b) {
    uint64_t high = ((static_cast<uint64_t>(b) << 8) | static_cast<uint64_t>(g)) << 8;
    return static_cast<int64_t>(static_cast<uint64_t>(widen32(high)) | static_cast<uint64_t>(widen32(r)));
}

int64_t rgba(int64_t r, int64_t g, int64_t b, int64_t a) {
    uint64_t high = ((((static_cast<uint64_t>(a) << 8) | static_cast<uint64_t>(b)) << 8) | static_cast<uint64_t>(g))
                    << 8;
    return static_cast<int64_t>(static_cast<uint64_t>(widen32(high)) | static_cast<uint64_t>(widen32(r)));
}

int64_t red(int64_t c) { return c & 255; }
int64_t green(int64_t c) { return (static_cast<uint32_t>(c) >> 8) & 255; }
int64_t blue(int64_t c) { return (static_cast<uint32_t>(c) >> 16) & 255; }

void fill_memory(void* address, int64_t length, int64_t value, int32_t unit) {
    if (!address || length <= 0) return;
    int size = 1;
    if (unit == 3 || unit == 25) size = 2;
    else if (unit == 5) size = 4;
    else if (unit == 21) size = 8;
    auto* p = static_cast<uint8_t*>(address);
    uint8_t bytes[8];
    uint64_t v = static_cast<uint64_t>(value);
    for (int i = 0; i < 8; ++i) bytes[i] = static_cast<uint8_t>(v >> (8 * i));
    if (size == 1) {
        std::memset(p, bytes[0], static_cast<size_t>(length));
        return;
    }
    int64_t units = length / size;
    switch (size) {
    case 2: {
        uint16_t u = static_cast<uint16_t>(v);
        for (int64_t i = 0; i < units; ++i) std::memcpy(p + 2 * i, &u, 2);
        break;
    }
    case 4: {
        uint32_t u = static_cast<uint32_t>(v);
        for (int64_t i = 0; i < units; ++i) std::memcpy(p + 4 * i, &u, 4);
        break;
    }
    default:
        for (int64_t i = 0; i < units; ++i) std::memcpy(p + 8 * i, &v, 8);
        break;
    }
    // The tail comes from the high end of the unit: a piece of 4, then 2,
    // then 1 byte, each the next lower part of the value.
    p += units * size;
    int rest = static_cast<int>(length - units * size);
    int top = size;
    for (int piece = 4; piece >= 1; piece /= 2) {
        if (!(rest & piece)) continue;
        top -= piece;
        std::memcpy(p, bytes + top, piece);
        p += piece;
    }
}
