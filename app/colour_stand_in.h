// Temporary: the image library's colour helpers and fill, until it lands.
#pragma once
#include <cstdint>
#include <cstring>
namespace app_colour {
inline int64_t rgba(int64_t r, int64_t g, int64_t b, int64_t a) {
    uint32_t hi = static_cast<uint32_t>((((((static_cast<uint64_t>(a) << 8) | static_cast<uint64_t>(b)) << 8) | static_cast<uint64_t>(g)) << 8));
    return static_cast<int64_t>(static_cast<int32_t>(hi)) | static_cast<int64_t>(static_cast<int32_t>(r));
}
inline int64_t red(int64_t c) { return static_cast<uint32_t>(c) & 255; }
inline int64_t green(int64_t c) { return (static_cast<uint32_t>(c) >> 8) & 255; }
inline int64_t blue(int64_t c) { return (static_cast<uint32_t>(c) >> 16) & 255; }
inline void fill_memory(void* at, int64_t length, int64_t value, int unit) {
    (void)unit;
    uint32_t w = static_cast<uint32_t>(value);
    auto* p = static_cast<unsigned char*>(at);
    for (int64_t i = 0; i + 4 <= length; i += 4) std::memcpy(p + i, &w, 4);
}
}  // namespace app_colour
