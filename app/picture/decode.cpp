#include "app/picture/decode.h"

#include <cstring>
#include <vector>

#include "codecs/colour_profile.h"
#include "codecs/heif_reader.h"
#include "codecs/jpeg_reader.h"
#include "codecs/orientation.h"
#include "codecs/png_reader.h"
#include "codecs/webp_reader.h"
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

void convert_image_to_srgb(int64_t image, const std::vector<uint8_t>& profile) {
    if (profile.empty()) return;
    BitmapInfo info{};
    uint8_t* bits = image_bits(image, &info);
    if (bits && info.bits_per_pixel == 24)
        convert_to_srgb(profile.data(), profile.size(), bits, static_cast<size_t>(info.stride), info.width,
                        info.height);
}

}  // namespace

const char* picture_problem_text(PictureProblem problem) {
    switch (problem) {
    case PictureProblem::UNREADABLE: return "Not a picture roundcut can read";
    case PictureProblem::DAMAGED_JPEG: return "Damaged JPEG";
    case PictureProblem::DAMAGED_PNG: return "Damaged PNG";
    case PictureProblem::TOO_LARGE: return "Picture too large";
    case PictureProblem::DAMAGED_WEBP: return "Damaged WebP";
    case PictureProblem::DAMAGED_HEIF: return "Damaged HEIC or AVIF";
    case PictureProblem::NEEDS_LIBHEIF: return "HEIC needs libheif.dll beside roundcut.exe";
    default: return "";
    }
}

int64_t decode_picture(const uint8_t* data, size_t size, PictureProblem* problem) {
    PictureProblem ignored;
    if (!problem) problem = &ignored;
    *problem = PictureProblem::NONE;
    if (!data) return 0;
    const bool jpeg = looks_like_jpeg(data, size), png = looks_like_png(data, size);
    const bool webp = looks_like_webp(data, size), heif = looks_like_heif(data, size);
    if (!jpeg && !png && !webp && !heif) return 0;
    int64_t image = 0;
    bool whole = false;
    std::vector<uint8_t> profile;
    // libpng, libwebp and libheif read every file of their kind there is:
    // what they cannot read is damaged, and no other decoder spends time on it.
    if (heif) {
        // HEIF applies its own rotation; its EXIF orientation is not applied again.
        const HeifResult result = decode_heif(data, size, make_source_image, &image, &profile);
        whole = result == HeifResult::decoded;
        if (!whole)
            *problem = result == HeifResult::no_library  ? PictureProblem::NEEDS_LIBHEIF
                       : result == HeifResult::too_large ? PictureProblem::TOO_LARGE
                                                         : PictureProblem::DAMAGED_HEIF;
    } else if (png || webp) {
        const int32_t orientation = read_orientation(data, size);
        whole = (png ? decode_png(data, size, orientation, make_source_image, &image)
                     : decode_webp(data, size, orientation, make_source_image, &image)) == 1;
        if (!whole) *problem = png ? PictureProblem::DAMAGED_PNG : PictureProblem::DAMAGED_WEBP;
    } else {
        const JpegResult result = decode_jpeg(data, size, read_orientation(data, size), make_source_image, &image);
        if (result == JPEG_DAMAGED || result == JPEG_FAILED) *problem = PictureProblem::DAMAGED_JPEG;
        if (result == JPEG_TOO_LARGE) *problem = PictureProblem::TOO_LARGE;
        whole = result >= JPEG_COMPLETE;  // a damaged JPEG keeps the rows before the damage
    }
    if (!whole) {
        if (image) free_image(image);
        return 0;
    }
    if (!heif) profile = embedded_profile(data, size);
    convert_image_to_srgb(image, profile);
    return image;
}

bool worth_reading_whole(const uint8_t* start, size_t size) {
    return looks_like_jpeg(start, size) || looks_like_png(start, size) || looks_like_webp(start, size) ||
           looks_like_heif(start, size);
}
