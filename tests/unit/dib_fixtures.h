// Packed DIBs built byte by byte for the paste tests: a header of any of the
// lengths writers use, optional masks after it, a colour table and rows.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

namespace dib {

struct Shape {
    uint32_t header = 40;  // 40, 52, 56, 108, 124 ...
    int32_t width = 0, height = 0;  // height < 0: top-down
    uint16_t bits = 24;
    uint32_t compression = 0;  // 0 rgb, 3 bitfields, 6 alpha bitfields
    uint32_t colours_used = 0;
    uint32_t masks[4] = {0, 0, 0, 0};  // written into a header of 52+ bytes
    std::vector<uint32_t> after_header = {};  // masks or colour table entries (0x00RRGGBB)
};

inline void put32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

inline size_t stride(const Shape& s) { return (static_cast<size_t>(s.width) * s.bits + 31) / 32 * 4; }

// The header and what follows it, then `rows` as given (stored order).
inline std::vector<uint8_t> build(const Shape& s, const std::vector<uint8_t>& rows) {
    std::vector<uint8_t> out(s.header < 40 ? 40 : s.header, 0);  // a short header still gets its fields
    put32(out, 0, s.header);
    put32(out, 4, static_cast<uint32_t>(s.width));
    put32(out, 8, static_cast<uint32_t>(s.height));
    out[12] = 1;
    out[14] = static_cast<uint8_t>(s.bits), out[15] = static_cast<uint8_t>(s.bits >> 8);
    put32(out, 16, s.compression);
    put32(out, 32, s.colours_used);
    for (int i = 0; i < 4; ++i)
        if (s.header >= 44 + 4u * i) put32(out, 40 + 4 * i, s.masks[i]);
    for (uint32_t v : s.after_header) {
        out.resize(out.size() + 4);
        put32(out, out.size() - 4, v);
    }
    out.insert(out.end(), rows.begin(), rows.end());
    return out;
}

// Rows of 32-bit words, given top row first, stored as the height's sign asks.
inline std::vector<uint8_t> words(const Shape& s, const std::vector<uint32_t>& top_first) {
    const int32_t h = s.height < 0 ? -s.height : s.height;
    std::vector<uint8_t> rows(stride(s) * h, 0);
    for (int32_t y = 0; y < h; ++y) {
        const size_t stored = s.height < 0 ? y : h - 1 - y;
        for (int32_t x = 0; x < s.width; ++x) put32(rows, stored * stride(s) + 4 * x, top_first[y * s.width + x]);
    }
    return rows;
}

}  // namespace dib
