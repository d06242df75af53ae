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

const char* const NEEDS_HEIF_LIBRARY = "HEIC needs libheif.dll beside roundcut.exe";
const char* const DAMAGED_HEIF = "Damaged HEIC or AVIF";
const char* const DAMAGED_WEBP = "Damaged WebP";

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

int64_t decode_picture(const uint8_t* data, size_t size, const char** why) {
    if (!data) return 0;
    const bool jpeg = looks_like_jpeg(data, size), png = looks_like_png(data, size);
    const bool webp = looks_like_webp(data, size), heif = looks_like_heif(data, size);
    if (!jpeg && !png && !webp && !heif) return 0;
    int64_t image = 0;
    int32_t done = 0;
    const char* reason = nullptr;
    std::vector<uint8_t> profile;
    if (heif) {
        // HEIF applies its own rotation; its EXIF orientation is not applied again.
        const HeifResult result = decode_heif(data, size, make_source_image, &image, &profile);
        done = result == HeifResult::decoded;
        reason = result == HeifResult::no_library ? NEEDS_HEIF_LIBRARY : DAMAGED_HEIF;
    } else {
        const int32_t orientation = read_orientation(data, size);
        done = jpeg   ? decode_jpeg(data, size, orientation, make_source_image, &image)
               : png  ? decode_png(data, size, orientation, make_source_image, &image)
                      : decode_webp(data, size, orientation, make_source_image, &image);
        if (webp) reason = DAMAGED_WEBP;
        if (done) profile = embedded_profile(data, size);
    }
    if (!done) {
        // Declined after all or failed midway: the platform decoder gets the file.
        if (image) free_image(image);
        if (why && reason) *why = reason;
        return 0;
    }
    convert_image_to_srgb(image, profile);
    return image;
}

bool worth_reading_whole(const uint8_t* start, size_t size) {
    return looks_like_jpeg(start, size) || looks_like_png(start, size) || looks_like_webp(start, size) ||
           looks_like_heif(start, size);
}
