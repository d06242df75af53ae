#include "image/pixels.h"

#include <algorithm>
#include <cstring>

void fill_pixels32(uint8_t* bits, int64_t stride, int32_t width, int32_t height, uint32_t value) {
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* row = bits + y * stride;
        for (int32_t x = 0; x < width; ++x) std::memcpy(row + 4 * static_cast<size_t>(x), &value, 4);
    }
}

void premultiply_pixels(uint8_t* pixels, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        uint8_t* p = pixels + 4 * i;
        unsigned a = p[3];
        if (a == 255) continue;
        // Divides by 256, not 255: the display copies have always been made so.
        p[0] = static_cast<uint8_t>((p[0] * a) >> 8);
        p[1] = static_cast<uint8_t>((p[1] * a) >> 8);
        p[2] = static_cast<uint8_t>((p[2] * a) >> 8);
    }
}

void transparent_to_white(uint8_t* pixels, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        uint8_t* p = pixels + 4 * i;
        if (p[3] == 0) p[0] = p[1] = p[2] = 255;
    }
}

bool any_alpha(const uint8_t* pixels, size_t count) {
    for (size_t i = 0; i < count; ++i)
        if (pixels[4 * i + 3]) return true;
    return false;
}

void copy_region(uint8_t* destination, int64_t destination_stride, int32_t width, int32_t height,
                 const uint8_t* source, int64_t source_stride, int32_t source_width, int32_t source_height,
                 int32_t bytes_per_pixel, int32_t x, int32_t y) {
    // Clip in 64 bits so that extreme offsets cannot overflow.
    int64_t x0 = std::max<int64_t>(0, -static_cast<int64_t>(x));
    int64_t x1 = std::min<int64_t>(width, static_cast<int64_t>(source_width) - x);
    int64_t y0 = std::max<int64_t>(0, -static_cast<int64_t>(y));
    int64_t y1 = std::min<int64_t>(height, static_cast<int64_t>(source_height) - y);
    if (x0 >= x1 || y0 >= y1) return;
    size_t bytes = static_cast<size_t>(x1 - x0) * bytes_per_pixel;
    for (int64_t row = y0; row < y1; ++row) {
        // Row `row` from the top is memory row height - 1 - row (bottom-up).
        uint8_t* d = destination + (height - 1 - row) * destination_stride + x0 * bytes_per_pixel;
        const uint8_t* s = source + (source_height - 1 - (row + y)) * source_stride + (x0 + x) * bytes_per_pixel;
        std::memcpy(d, s, bytes);
    }
}

void nearest_resample(uint8_t* destination, int64_t destination_stride, int32_t width, int32_t height,
                      const uint8_t* source, int64_t source_stride, int32_t source_width, int32_t source_height,
                      int32_t bytes_per_pixel) {
    for (int32_t y = 0; y < height; ++y) {
        int64_t sy = (static_cast<int64_t>(y) * source_height) / height;
        const uint8_t* s = source + sy * source_stride;
        uint8_t* d = destination + y * destination_stride;
        for (int32_t x = 0; x < width; ++x) {
            int64_t sx = (static_cast<int64_t>(x) * source_width) / width;
            std::memcpy(d + static_cast<size_t>(x) * bytes_per_pixel, s + sx * bytes_per_pixel, bytes_per_pixel);
        }
    }
}

void picture_to_words(uint32_t* words, const uint8_t* bits, int64_t stride, int32_t width, int32_t height,
                      int32_t bytes_per_pixel) {
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* s = bits + static_cast<int64_t>(height - 1 - y) * stride;
        uint32_t* d = words + static_cast<size_t>(y) * width;
        if (bytes_per_pixel == 4) {
            std::memcpy(d, s, static_cast<size_t>(width) * 4);
            continue;
        }
        for (int32_t x = 0; x < width; ++x, s += 3) d[x] = uint32_t{s[0]} | uint32_t{s[1]} << 8 | uint32_t{s[2]} << 16;
    }
}

void words_to_picture(uint8_t* bits, int64_t stride, const uint32_t* words, int32_t width, int32_t height,
                      int32_t bytes_per_pixel) {
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* d = bits + static_cast<int64_t>(height - 1 - y) * stride;
        const uint32_t* s = words + static_cast<size_t>(y) * width;
        if (bytes_per_pixel == 4) {
            std::memcpy(d, s, static_cast<size_t>(width) * 4);
            continue;
        }
        for (int32_t x = 0; x < width; ++x, d += 3) {
            d[0] = static_cast<uint8_t>(s[x]);
            d[1] = static_cast<uint8_t>(s[x] >> 8);
            d[2] = static_cast<uint8_t>(s[x] >> 16);
        }
    }
}
