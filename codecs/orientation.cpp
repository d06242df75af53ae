#include "codecs/orientation.h"

#include <cstring>

#include "codecs/webp_reader.h"

namespace {

constexpr uint16_t ORIENTATION_TAG = 0x0112;
constexpr uint16_t TYPE_SHORT = 3;

struct Bytes {
    const uint8_t* data;
    size_t size;
    bool big_endian;

    bool has(size_t at, size_t n) const { return at <= size && n <= size - at; }
    uint32_t u16(size_t at) const {
        return big_endian ? uint32_t(data[at]) << 8 | data[at + 1] : data[at] | uint32_t(data[at + 1]) << 8;
    }
    uint32_t u32(size_t at) const {
        return big_endian ? u16(at) << 16 | u16(at + 2) : u16(at) | u16(at + 2) << 16;
    }
};

uint32_t be16(const uint8_t* p) { return uint32_t(p[0]) << 8 | p[1]; }
uint32_t be32(const uint8_t* p) { return be16(p) << 16 | be16(p + 2); }

// The orientation entry of the first directory of a TIFF structure (as in
// TIFF files and EXIF blocks); 1 when absent or malformed.  Only the first
// directory is read, so no offset chain can loop.
int32_t tiff_orientation(const uint8_t* data, size_t size) {
    if (size < 8) return 1;
    Bytes b{data, size, false};
    if (data[0] == 'I' && data[1] == 'I') b.big_endian = false;
    else if (data[0] == 'M' && data[1] == 'M') b.big_endian = true;
    else return 1;
    if (b.u16(2) != 42) return 1;
    uint32_t directory = b.u32(4);
    if (!b.has(directory, 2)) return 1;
    uint32_t entries = b.u16(directory);
    if (!b.has(directory + 2, size_t{entries} * 12)) return 1;
    for (uint32_t i = 0; i < entries; ++i) {
        size_t entry = directory + 2 + size_t{i} * 12;
        if (b.u16(entry) != ORIENTATION_TAG) continue;
        // One SHORT, held in the entry itself.
        if (b.u16(entry + 2) != TYPE_SHORT || b.u32(entry + 4) != 1) return 1;
        uint32_t value = b.u16(entry + 8);
        return value >= 1 && value <= 8 ? static_cast<int32_t>(value) : 1;
    }
    return 1;
}

int32_t jpeg_orientation(const uint8_t* data, size_t size) {
    size_t at = 2;
    // Markers up to the first frame or scan header; EXIF sits right after SOI
    // (or after JFIF), so the search ends there.
    while (at + 4 <= size) {
        if (data[at] != 0xFF) return 1;
        uint8_t marker = data[at + 1];
        if (marker == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9 || (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 &&
                                                 marker != 0xCC))
            return 1;
        size_t length = be16(data + at + 2);
        if (length < 2 || length > size - at - 2) return 1;
        const uint8_t* body = data + at + 4;
        size_t body_size = length - 2;
        if (marker == 0xE1 && body_size >= 6 && std::memcmp(body, "Exif\0\0", 6) == 0)
            return tiff_orientation(body + 6, body_size - 6);
        at += 2 + length;
    }
    return 1;
}

int32_t png_orientation(const uint8_t* data, size_t size) {
    size_t at = 8;
    while (at + 12 <= size) {
        uint32_t length = be32(data + at);
        if (length > size - at - 12) return 1;
        const uint8_t* type = data + at + 4;
        if (std::memcmp(type, "eXIf", 4) == 0) return tiff_orientation(data + at + 8, length);
        if (std::memcmp(type, "IEND", 4) == 0) return 1;
        at += size_t{length} + 12;
    }
    return 1;
}

}  // namespace

int32_t read_orientation(const uint8_t* data, size_t size) {
    if (!data || size < 8) return 1;
    if (data[0] == 0xFF && data[1] == 0xD8) return jpeg_orientation(data, size);
    if (std::memcmp(data, "\x89PNG\r\n\x1a\n", 8) == 0) return png_orientation(data, size);
    if (looks_like_webp(data, size)) {
        // The EXIF chunk holds a TIFF block, after an "Exif" header in some files.
        size_t length = 0;
        const uint8_t* exif = webp_chunk(data, size, "EXIF", &length);
        if (exif && length >= 6 && std::memcmp(exif, "Exif\0\0", 6) == 0) exif += 6, length -= 6;
        return exif ? tiff_orientation(exif, length) : 1;
    }
    return tiff_orientation(data, size);
}

uint32_t tiff_directory_offset(const uint8_t* header, size_t size) {
    if (!header || size < 8) return 0;
    Bytes b{header, size, header[0] == 'M'};
    if (!((header[0] == 'I' && header[1] == 'I') || (header[0] == 'M' && header[1] == 'M')) || b.u16(2) != 42)
        return 0;
    const uint32_t directory = b.u32(4);
    return directory >= 8 ? directory : 0;
}

int32_t tiff_directory_orientation(const uint8_t* header, const uint8_t* directory, size_t size) {
    if (!tiff_directory_offset(header, 8) || !directory || size < 2) return 1;
    // The header with the directory right after it: the same TIFF structure
    // as far as its first directory goes.
    const size_t entries = header[0] == 'M' ? size_t{directory[0]} << 8 | directory[1]
                                            : size_t{directory[1]} << 8 | directory[0];
    const size_t used = size < 2 + entries * 12 ? size : 2 + entries * 12;
    uint8_t copy[8 + TIFF_DIRECTORY_LIMIT];
    if (used > TIFF_DIRECTORY_LIMIT) return 1;
    std::memcpy(copy, header, 4);
    const uint8_t eight[4] = {8, 0, 0, 0}, eight_big[4] = {0, 0, 0, 8};
    std::memcpy(copy + 4, header[0] == 'M' ? eight_big : eight, 4);
    std::memcpy(copy + 8, directory, used);
    return tiff_orientation(copy, 8 + used);
}

Placement make_placement(const DecodeTarget& target, int32_t orientation, int32_t width, int32_t height) {
    const ptrdiff_t s = target.stride, w = width - 1, h = height - 1;
    uint8_t* t = target.top;
    switch (orientation) {
    case 2: return {t + 3 * w, -3, s};
    case 3: return {t + h * s + 3 * w, -3, -s};
    case 4: return {t + h * s, 3, -s};
    case 5: return {t, s, 3};
    case 6: return {t + 3 * h, s, -3};
    case 7: return {t + 3 * h + w * s, -s, -3};
    case 8: return {t + w * s, -s, 3};
    default: return {t, 3, s};
    }
}

void place_row(const Placement& placement, int32_t y, const uint8_t* bgr, int32_t width) {
    uint8_t* out = placement.first + y * placement.step_y;
    if (placement.step_x == 3) {
        std::memcpy(out, bgr, static_cast<size_t>(width) * 3);
        return;
    }
    for (int32_t x = 0; x < width; ++x, bgr += 3, out += placement.step_x) {
        out[0] = bgr[0];
        out[1] = bgr[1];
        out[2] = bgr[2];
    }
}

void place_band(const Placement& placement, int32_t y, const uint8_t* rows, size_t stride, int32_t count,
                int32_t width) {
    if (placement.step_x == 3 || placement.step_x == -3) {
        for (int32_t r = 0; r < count; ++r) place_row(placement, y + r, rows + r * stride, width);
        return;
    }
    uint8_t* band = placement.first + y * placement.step_y;
    for (int32_t x = 0; x < width; ++x) {
        uint8_t* out = band + x * placement.step_x;
        const uint8_t* in = rows + x * 3;
        for (int32_t r = 0; r < count; ++r, in += stride, out += placement.step_y) {
            out[0] = in[0];
            out[1] = in[1];
            out[2] = in[2];
        }
    }
}
