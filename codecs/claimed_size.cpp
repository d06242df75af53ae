#include "codecs/claimed_size.h"

#include <cstring>

namespace {

uint32_t le16(const uint8_t* p) { return p[0] | uint32_t(p[1]) << 8; }
uint32_t le32(const uint8_t* p) { return le16(p) | le16(p + 2) << 16; }

}  // namespace

bool claimed_size(const uint8_t* start, size_t size, int64_t* width, int64_t* height) {
    if (!start) return false;
    if (size >= 10 && (std::memcmp(start, "GIF87a", 6) == 0 || std::memcmp(start, "GIF89a", 6) == 0)) {
        *width = le16(start + 6);
        *height = le16(start + 8);
        return true;
    }
    if (size >= 22 && start[0] == 'B' && start[1] == 'M') {
        const uint32_t header = le32(start + 14);
        if (header == 12) {  // the old core header: 16-bit sides
            *width = le16(start + 18);
            *height = le16(start + 20);
        } else {
            if (size < 26) return false;
            // Signed sides; a negative height is a top-down bitmap.
            *width = static_cast<int32_t>(le32(start + 18));
            if (*width < 0) return false;  // no bitmap at all
            const int64_t h = static_cast<int32_t>(le32(start + 22));
            *height = h < 0 ? -h : h;
        }
        return true;
    }
    return false;
}

bool tiff_claimed_size(const uint8_t* header, const uint8_t* directory, size_t size, int64_t* width, int64_t* height) {
    if (!header || !directory || size < 2) return false;
    const bool big = header[0] == 'M';
    auto u16 = [big](const uint8_t* p) { return big ? uint32_t(p[0]) << 8 | p[1] : le16(p); };
    auto u32 = [big, &u16](const uint8_t* p) { return big ? u16(p) << 16 | u16(p + 2) : le32(p); };
    const size_t entries = u16(directory);
    int64_t sides[2] = {-1, -1};
    for (size_t i = 0; i < entries && 2 + (i + 1) * 12 <= size; ++i) {
        const uint8_t* e = directory + 2 + i * 12;
        const uint32_t tag = u16(e), type = u16(e + 2);
        if ((tag != 256 && tag != 257) || u32(e + 4) != 1) continue;
        if (type == 3) sides[tag - 256] = u16(e + 8);       // SHORT
        else if (type == 4) sides[tag - 256] = u32(e + 8);  // LONG
    }
    if (sides[0] < 0 || sides[1] < 0) return false;
    *width = sides[0];
    *height = sides[1];
    return true;
}
