#include "app/picture/decode.h"

#include <cstring>

#include "codecs/jpeg_reader.h"
#include "codecs/orientation.h"
#include "codecs/png_reader.h"
#include "core/registry.h"
#include "image/image.h"

namespace {

// Makes the source image at the upright size and hands its rows, top row
// first, to the decoder.
bool make_source_image(void* context, int32_t width, int32_t height, DecodeTarget* target) {
    auto* image = static_cast<int64_t*>(context);
    *image = create_image(AUTO_ID, width, height, 24);
    BitmapInfo info{};
    uint8_t* bits = image_bits(*image, &info);
    if (!bits || info.bits_per_pixel != 24 || info.width != width || info.height != height) return false;
    // Bottom-up memory: the top row is the last one.
    target->top = bits + static_cast<ptrdiff_t>(height - 1) * info.stride;
    target->stride = -static_cast<ptrdiff_t>(info.stride);
    return true;
}

}  // namespace

const char* picture_problem_text(PictureProblem problem) {
    switch (problem) {
    case PictureProblem::UNREADABLE: return "Not a picture roundcut can read";
    case PictureProblem::DAMAGED_JPEG: return "Damaged JPEG";
    case PictureProblem::DAMAGED_PNG: return "Damaged PNG";
    case PictureProblem::TOO_LARGE: return "Picture too large";
    default: return "";
    }
}

int64_t decode_picture(const uint8_t* data, size_t size, PictureProblem* problem) {
    PictureProblem ignored;
    if (!problem) problem = &ignored;
    *problem = PictureProblem::NONE;
    if (!data) return 0;
    const bool jpeg = looks_like_jpeg(data, size), png = looks_like_png(data, size);
    if (!jpeg && !png) return 0;
    const int32_t orientation = read_orientation(data, size);
    int64_t image = 0;
    if (png) {
        // Declined after all or failed midway: the platform decoder gets the file.
        // libpng reads every PNG there is: what it cannot read is damaged,
        // and no other decoder spends time on it.
        const int32_t result = decode_png(data, size, orientation, make_source_image, &image);
        if (result != 1) *problem = PictureProblem::DAMAGED_PNG;
        if (result != 1 && image) {
            free_image(image);
            image = 0;
        }
        return image;
    }
    const JpegResult result = decode_jpeg(data, size, orientation, make_source_image, &image);
    if (result == JPEG_DAMAGED) *problem = PictureProblem::DAMAGED_JPEG;
    if (result == JPEG_FAILED) *problem = PictureProblem::DAMAGED_JPEG;
    if (result == JPEG_TOO_LARGE) *problem = PictureProblem::TOO_LARGE;
    if (result <= JPEG_FAILED && image) {
        free_image(image);
        image = 0;
    }
    return image;
}

bool worth_reading_whole(const uint8_t* start, size_t size) {
    return looks_like_jpeg(start, size) || looks_like_png(start, size);
}
