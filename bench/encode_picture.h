// The picture the encoder benchmarks write: the application's 600 x 600
// RGBA output with a photograph inside the circle (centre 299, 299, radius
// 295, inner alpha 255) and a background colour outside (outer alpha 0).
// The photograph is a PNG named by ROUNDCUT_BENCH_PHOTO (bench/compare_encode.sh
// supplies one); without it a synthetic scene stands in.
#pragma once

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace encode_bench {

constexpr int SIDE = 600;

struct Cutout {
    std::vector<uint8_t> memory;  // bottom-up rows of 2400 bytes: blue, green, red, alpha
    bool from_photo = false;
};

// The photograph as top-down RGB, or empty.
inline std::vector<uint8_t> load_photo(const char* file, int* width, int* height) {
    std::vector<uint8_t> rgb;
    if (!file || !*file) return rgb;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, file)) return rgb;
    image.format = PNG_FORMAT_RGB;
    rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) {
        png_image_free(&image);
        return {};
    }
    *width = static_cast<int>(image.width);
    *height = static_cast<int>(image.height);
    return rgb;
}

inline Cutout make_cutout() {
    Cutout c;
    c.memory.resize(SIDE * SIDE * 4);
    int pw = 0, ph = 0;
    std::vector<uint8_t> photo = load_photo(std::getenv("ROUNDCUT_BENCH_PHOTO"), &pw, &ph);
    c.from_photo = !photo.empty();
    for (int y = 0; y < SIDE; ++y) {
        uint8_t* row = c.memory.data() + static_cast<size_t>(SIDE - 1 - y) * SIDE * 4;
        for (int x = 0; x < SIDE; ++x) {
            uint8_t* p = row + 4 * x;
            int dx = x - 299, dy = y - 299;
            if (dx * dx + dy * dy > 295 * 295) {
                p[0] = 200, p[1] = 110, p[2] = 30, p[3] = 0;
                continue;
            }
            double r, g, b;
            if (c.from_photo) {
                // Bilinear scaling of the whole photograph to the square.
                double sx = (x + 0.5) * pw / SIDE - 0.5, sy = (y + 0.5) * ph / SIDE - 0.5;
                int x0 = std::max(0, static_cast<int>(std::floor(sx))), y0 = std::max(0, static_cast<int>(std::floor(sy)));
                int x1 = std::min(pw - 1, x0 + 1), y1 = std::min(ph - 1, y0 + 1);
                double fx = std::clamp(sx - x0, 0.0, 1.0), fy = std::clamp(sy - y0, 0.0, 1.0);
                double v[3];
                for (int k = 0; k < 3; ++k) {
                    auto at = [&](int px, int py) { return photo[(static_cast<size_t>(py) * pw + px) * 3 + k]; };
                    v[k] = (at(x0, y0) * (1 - fx) + at(x1, y0) * fx) * (1 - fy) + (at(x0, y1) * (1 - fx) + at(x1, y1) * fx) * fy;
                }
                r = v[0], g = v[1], b = v[2];
            } else {
                double fx = x / 599.0, fy = y / 599.0;
                r = 128 + 100 * std::sin(fx * 9 + fy * 3);
                g = 128 + 90 * std::cos(fy * 7 - fx * 2);
                b = 128 + 80 * std::sin((fx + fy) * 5);
                uint32_t h = static_cast<uint32_t>(x) * 2654435761u ^ static_cast<uint32_t>(y) * 40503u;
                h = (h ^ (h >> 15)) * 0x2c1b3c6du;
                double noise = static_cast<int>((h >> 20) % 13) - 6;
                r += noise, g += noise, b += noise;
            }
            p[0] = static_cast<uint8_t>(std::clamp(b + 0.5, 0.0, 255.0));
            p[1] = static_cast<uint8_t>(std::clamp(g + 0.5, 0.0, 255.0));
            p[2] = static_cast<uint8_t>(std::clamp(r + 0.5, 0.0, 255.0));
            p[3] = 255;
        }
    }
    return c;
}

// The same picture as top-down RGBA bytes, the raw form other tools read.
inline bool dump_rgba(const Cutout& c, const char* file) {
    FILE* f = std::fopen(file, "wb");
    if (!f) return false;
    std::vector<uint8_t> row(SIDE * 4);
    bool ok = true;
    for (int y = 0; y < SIDE && ok; ++y) {
        const uint8_t* s = c.memory.data() + static_cast<size_t>(SIDE - 1 - y) * SIDE * 4;
        for (int x = 0; x < SIDE; ++x) {
            row[4 * x] = s[4 * x + 2];
            row[4 * x + 1] = s[4 * x + 1];
            row[4 * x + 2] = s[4 * x];
            row[4 * x + 3] = s[4 * x + 3];
        }
        ok = std::fwrite(row.data(), 1, row.size(), f) == row.size();
    }
    return std::fclose(f) == 0 && ok;
}

}  // namespace encode_bench
