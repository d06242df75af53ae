#include "app/output/clipboard.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "app/output/save.h"
#include "codecs/encoder.h"
#include "codecs/png_writer.h"
#include "image/image.h"

namespace {

constexpr int32_t PNG_RGBA = 6;            // libpng's colour type with alpha
constexpr uint32_t BITMAP_RGB = 0;         // BI_RGB
constexpr uint32_t BITMAP_BITFIELDS = 3;   // BI_BITFIELDS
constexpr uint32_t COLOUR_SPACE_SRGB = 0x73524742;  // LCS_sRGB, "sRGB"
constexpr uint32_t INTENT_IMAGES = 4;      // LCS_GM_IMAGES

void put32(std::vector<uint8_t>& block, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) block[at + i] = static_cast<uint8_t>(value >> (8 * i));
}
void put16(std::vector<uint8_t>& block, size_t at, uint16_t value) {
    block[at] = static_cast<uint8_t>(value);
    block[at + 1] = static_cast<uint8_t>(value >> 8);
}

// The header fields both bitmap headers share; the rest stays zero.
void put_header(std::vector<uint8_t>& block, size_t header_size, int32_t width, int32_t height, uint16_t bits,
                uint32_t compression, uint32_t image_size) {
    put32(block, 0, static_cast<uint32_t>(header_size));
    put32(block, 4, static_cast<uint32_t>(width));
    put32(block, 8, static_cast<uint32_t>(height));  // positive: rows bottom-up
    put16(block, 12, 1);
    put16(block, 14, bits);
    put32(block, 16, compression);
    put32(block, 20, image_size);
}

}  // namespace

bool make_clipboard_image(int64_t image, ClipboardImage* out) {
    if (!out) return false;
    *out = ClipboardImage{};
    const ImageObject* record = find_image(image);
    BitmapInfo info{};
    const uint8_t* bits = image_bits(image, &info);
    if (!record || !bits || info.bits_per_pixel != 32 || info.width <= 0 || info.height <= 0) return false;
    const int32_t width = info.width, height = info.height;
    // Both sides are at most 32767, so every size below fits 32 bits.
    const size_t rows = static_cast<size_t>(width) * 4 * static_cast<size_t>(height);
    const auto dib_pitch = static_cast<size_t>(composite_pitch(width));

    // The PNG exactly as Save PNG writes it.
    size_t png_size = 0;
    uint8_t* png = write_png_to_memory(&png_size, bits, width, height, info.stride, ROWS_BOTTOM_UP, SAVE_FLAGS,
                                       record->save_depth, PNG_RGBA);
    uint8_t* over_white = composite_over_white(bits, width, height, info.stride);
    bool made = png && over_white;
    if (made) {
        try {
            out->png.assign(png, png + png_size);

            out->dibv5.assign(BITMAP_V5_HEADER_SIZE + rows, 0);
            put_header(out->dibv5, BITMAP_V5_HEADER_SIZE, width, height, 32, BITMAP_BITFIELDS,
                       static_cast<uint32_t>(rows));
            put32(out->dibv5, 40, 0x00FF0000u);  // red, green, blue and alpha masks
            put32(out->dibv5, 44, 0x0000FF00u);
            put32(out->dibv5, 48, 0x000000FFu);
            put32(out->dibv5, 52, 0xFF000000u);
            put32(out->dibv5, 56, COLOUR_SPACE_SRGB);
            put32(out->dibv5, 108, INTENT_IMAGES);
            // 32-bit rows have no padding: the memory goes across as it is.
            std::memcpy(out->dibv5.data() + BITMAP_V5_HEADER_SIZE, bits, rows);

            out->dib.assign(BITMAP_INFO_HEADER_SIZE + dib_pitch * static_cast<size_t>(height), 0);
            put_header(out->dib, BITMAP_INFO_HEADER_SIZE, width, height, 24, BITMAP_RGB,
                       static_cast<uint32_t>(dib_pitch * static_cast<size_t>(height)));
            std::memcpy(out->dib.data() + BITMAP_INFO_HEADER_SIZE, over_white, dib_pitch * static_cast<size_t>(height));
        } catch (const std::bad_alloc&) {
            made = false;
        }
    }
    std::free(png);
    std::free(over_white);
    if (!made) *out = ClipboardImage{};
    return made;
}
