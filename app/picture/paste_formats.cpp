#include "app/picture/paste_formats.h"

#include <bit>
#include <cstring>

#include "codecs/png_reader.h"  // over_black
#include "image/image.h"

namespace {

// Header compression values.
constexpr uint32_t DIB_RGB = 0;
constexpr uint32_t DIB_BITFIELDS = 3;
constexpr uint32_t DIB_ALPHABITFIELDS = 6;

constexpr size_t INFO_HEADER_SIZE = 40;
constexpr size_t MASKS_IN_HEADER = 52;       // red, green and blue at 40, 44, 48
constexpr size_t ALPHA_MASK_IN_HEADER = 56;  // alpha at 52
constexpr size_t LARGEST_HEADER = 124;

uint32_t u32(const uint8_t* p) { return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24; }
int32_t i32(const uint8_t* p) { return static_cast<int32_t>(u32(p)); }
uint16_t u16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

bool contiguous(uint32_t mask) {
    if (mask == 0) return false;
    const uint32_t shifted = mask >> std::countr_zero(mask);
    return (shifted & (shifted + 1)) == 0;
}

bool masks_ok(const uint32_t masks[4], int32_t bits) {
    const uint64_t limit = bits == 16 ? 0xFFFFu : 0xFFFFFFFFu;
    uint32_t seen = 0;
    for (int i = 0; i < 4; ++i) {
        if (i == 3 && masks[i] == 0) break;  // no alpha
        if (!contiguous(masks[i]) || masks[i] > limit || (masks[i] & seen)) return false;
        seen |= masks[i];
    }
    return true;
}

// One channel of a masked pixel as 0..255.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    int width = 0;

    explicit Channel(uint32_t m) : mask(m) {
        if (m) {
            shift = std::countr_zero(m);
            width = std::popcount(m);
        }
    }
    uint8_t operator()(uint32_t pixel) const {
        const uint32_t v = (pixel & mask) >> shift;
        if (width >= 8) return static_cast<uint8_t>(v >> (width - 8));
        const uint32_t top = (1u << width) - 1;
        return static_cast<uint8_t>((v * 255 + top / 2) / top);
    }
};

uint32_t masked_pixel(const uint8_t* row, int32_t x, int32_t bits) {
    return bits == 16 ? u16(row + 2 * static_cast<size_t>(x)) : u32(row + 4 * static_cast<size_t>(x));
}

uint32_t palette_index(const uint8_t* row, int32_t x, int32_t bits) {
    if (bits == 8) return row[x];
    const size_t bit = static_cast<size_t>(x) * static_cast<size_t>(bits);
    const int shift = 8 - bits - static_cast<int>(bit % 8);
    return (row[bit / 8] >> shift) & ((1u << bits) - 1);
}

const uint8_t* source_row(const DibLayout& d, int32_t y) {
    const int32_t stored = d.top_down ? y : d.height - 1 - y;
    return d.pixels + static_cast<size_t>(stored) * d.stride;
}

bool any_alpha(const DibLayout& d) {
    for (int32_t y = 0; y < d.height; ++y) {
        const uint8_t* row = source_row(d, y);
        for (int32_t x = 0; x < d.width; ++x)
            if (masked_pixel(row, x, d.bits) & d.masks[3]) return true;
    }
    return false;
}

}  // namespace

int paste_order(const PasteOffer& offer, PasteFormat order[4]) {
    int n = 0;
    if (offer.files) order[n++] = PASTE_FILES;
    if (offer.png) order[n++] = PASTE_PNG;
    if (offer.dibv5_with_alpha) order[n++] = PASTE_DIBV5;
    if (offer.dib) order[n++] = PASTE_DIB;
    return n;
}

bool read_dib_layout(const uint8_t* data, size_t size, DibLayout* layout) {
    if (!data || size < INFO_HEADER_SIZE) return false;
    const uint32_t header = u32(data);
    if (header < INFO_HEADER_SIZE || header > LARGEST_HEADER || header > size) return false;

    DibLayout d{};
    d.width = i32(data + 4);
    const int32_t height = i32(data + 8);
    d.bits = u16(data + 14);
    const uint32_t compression = u32(data + 16);
    const uint32_t colours_used = u32(data + 32);
    if (d.width <= 0 || d.width > MAX_IMAGE_SIDE || height == 0 || height < -MAX_IMAGE_SIDE ||
        height > MAX_IMAGE_SIDE)
        return false;
    d.top_down = height < 0;
    d.height = height < 0 ? -height : height;

    uint64_t offset = header;
    const bool masked = compression == DIB_BITFIELDS || compression == DIB_ALPHABITFIELDS;
    switch (d.bits) {
    case 1:
    case 4:
    case 8:
    case 24:
        if (compression != DIB_RGB) return false;
        break;
    case 16:
    case 32:
        if (compression != DIB_RGB && !masked) return false;
        break;
    default:
        return false;
    }

    if (masked) {
        const size_t count = compression == DIB_ALPHABITFIELDS ? 4 : 3;
        const uint8_t* at = data + MASKS_IN_HEADER - 12;
        if (header < MASKS_IN_HEADER || (count == 4 && header < ALPHA_MASK_IN_HEADER)) {
            // A short header: the masks follow it.
            if (header + 4 * count > size) return false;
            at = data + header;
            offset += 4 * count;
        }
        for (size_t i = 0; i < count; ++i) d.masks[i] = u32(at + 4 * i);
        if (count == 3 && header >= ALPHA_MASK_IN_HEADER) d.masks[3] = u32(data + 52);
    } else if (d.bits == 16) {
        d.masks[0] = 0x7C00, d.masks[1] = 0x03E0, d.masks[2] = 0x001F;
    } else if (d.bits == 32) {
        d.masks[0] = 0xFF0000, d.masks[1] = 0xFF00, d.masks[2] = 0xFF;
        // Uncompressed rows with a longer header: its alpha mask says
        // whether the fourth byte is alpha.
        if (header >= ALPHA_MASK_IN_HEADER) d.masks[3] = u32(data + 52);
    }
    if ((d.bits == 16 || d.bits == 32) && !masks_ok(d.masks, d.bits)) return false;

    uint64_t table = colours_used;
    if (d.bits <= 8) {
        const uint32_t most = 1u << d.bits;
        if (colours_used > most) return false;
        if (table == 0) table = most;
        d.palette = data + offset;
        d.palette_count = static_cast<uint32_t>(table);
    }
    offset += 4 * table;  // a table beside unpaletted rows is skipped

    d.stride = (static_cast<size_t>(d.width) * static_cast<size_t>(d.bits) + 31) / 32 * 4;
    const uint64_t rows = static_cast<uint64_t>(d.stride) * static_cast<uint64_t>(d.height);
    if (offset > size || rows > size - offset) return false;
    // Some writers repeat the header's three masks after a long header.
    if (compression == DIB_BITFIELDS && header >= MASKS_IN_HEADER && rows + 12 <= size - offset &&
        std::memcmp(data + offset, data + 40, 12) == 0)
        offset += 12;
    d.pixels = data + offset;
    *layout = d;
    return true;
}

bool dib_has_alpha(const uint8_t* data, size_t size) {
    DibLayout d;
    return read_dib_layout(data, size, &d) && d.bits == 32 && d.masks[3] != 0;
}

int64_t dib_to_image(const uint8_t* data, size_t size, bool use_alpha) {
    DibLayout d;
    if (!read_dib_layout(data, size, &d)) return 0;
    const int64_t image = create_image(AUTO_ID, d.width, d.height, 24);
    BitmapInfo info{};
    uint8_t* bits = image_bits(image, &info);
    if (!bits) {
        if (image) free_image(image);
        return 0;
    }
    const bool alpha = use_alpha && d.masks[3] != 0 && any_alpha(d);
    const Channel red(d.masks[0]), green(d.masks[1]), blue(d.masks[2]), opacity(d.masks[3]);
    for (int32_t y = 0; y < d.height; ++y) {
        const uint8_t* in = source_row(d, y);
        uint8_t* out = bits + static_cast<size_t>(d.height - 1 - y) * static_cast<size_t>(info.stride);
        for (int32_t x = 0; x < d.width; ++x, out += 3) {
            if (d.bits == 24) {
                std::memcpy(out, in + 3 * static_cast<size_t>(x), 3);
            } else if (d.bits <= 8) {
                const uint32_t index = palette_index(in, x, d.bits);
                if (index < d.palette_count) std::memcpy(out, d.palette + 4 * static_cast<size_t>(index), 3);
                // else: stays black
            } else {
                const uint32_t p = masked_pixel(in, x, d.bits);
                out[0] = blue(p), out[1] = green(p), out[2] = red(p);
                if (alpha) {
                    const uint32_t a = opacity(p);
                    for (int c = 0; c < 3; ++c) out[c] = over_black(out[c], a);
                }
            }
        }
    }
    return image;
}
