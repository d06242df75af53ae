// Pictures for the palette tests, made in memory: a photograph-like scene
// (smooth sky, textured ground, hard-edged objects of distinct hues) and a
// smooth gradient.  Pixels are blue, green, red[, alpha] at a given pitch,
// memory row 0 first, as image memory holds them.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

struct TestPicture {
    int32_t width = 0;
    int32_t height = 0;
    int32_t bits = 24;
    int32_t pitch = 0;
    std::vector<uint8_t> bytes;

    uint8_t* row(int32_t y) { return bytes.data() + static_cast<size_t>(y) * pitch; }
    const uint8_t* row(int32_t y) const { return bytes.data() + static_cast<size_t>(y) * pitch; }
    const uint8_t* pixel(int32_t x, int32_t y) const { return row(y) + x * (bits / 8); }
};

inline TestPicture blank_picture(int32_t width, int32_t height, int32_t bits, int32_t extra_pitch = 0) {
    TestPicture p;
    p.width = width;
    p.height = height;
    p.bits = bits;
    p.pitch = (bits == 24 ? (3 * width + 3) / 4 * 4 : 4 * width) + extra_pitch;
    p.bytes.assign(static_cast<size_t>(p.pitch) * height, 0);
    return p;
}

inline void set_pixel(TestPicture& p, int32_t x, int32_t y, int b, int g, int r, int a = 255) {
    uint8_t* q = p.row(y) + x * (p.bits / 8);
    q[0] = static_cast<uint8_t>(b);
    q[1] = static_cast<uint8_t>(g);
    q[2] = static_cast<uint8_t>(r);
    if (p.bits == 32) q[3] = static_cast<uint8_t>(a);
}

// Deterministic noise in -1 .. 1.
inline double picture_noise(int32_t x, int32_t y) {
    uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return (h & 0xFFFF) / 32767.5 - 1.0;
}

inline int picture_clamp(double v) { return v < 0 ? 0 : v > 255 ? 255 : static_cast<int>(v + 0.5); }

// A scene with the features of a photograph: a sky gradient, a textured
// hillside below a wavy horizon, a red ball and a blue box with hard edges,
// soft shading and fine noise everywhere.  With `alpha`, a 32-bit picture
// fades out towards its right edge.
inline TestPicture synthetic_photograph(int32_t width, int32_t height, int32_t bits, bool alpha = false) {
    TestPicture p = blank_picture(width, height, bits);
    const double pi = 3.14159265358979;
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            double u = (x + 0.5) / width, v = (y + 0.5) / height;  // v = 0 at the top
            double r, g, b;
            double horizon = 0.55 + 0.06 * std::sin(u * 2 * pi * 1.5);
            if (v < horizon) {
                r = 90 + 110 * v;
                g = 140 + 80 * v;
                b = 230 - 40 * v;
            } else {
                double grass = 0.5 + 0.5 * std::sin(u * 40 + v * 25) * std::cos(u * 13 - v * 31);
                r = 60 + 70 * grass + 40 * (v - horizon);
                g = 110 + 60 * grass;
                b = 30 + 20 * grass;
            }
            double bx = u - 0.3, by = v - 0.45;
            if (bx * bx + by * by < 0.025) {
                double shade = 1.0 - 2.5 * (bx + by + 0.1) * (bx + by + 0.1);
                r = 220 * shade + 20;
                g = 40 * shade + 10;
                b = 30 * shade + 10;
            }
            if (u > 0.6 && u < 0.85 && v > 0.3 && v < 0.7) {
                r = 40 + 60 * u;
                g = 70 + 50 * v;
                b = 160 + 80 * (0.85 - u);
            }
            double n = 6 * picture_noise(x, y);
            int a = alpha ? picture_clamp(255 * (1.0 - 0.8 * u)) : 255;
            set_pixel(p, x, height - 1 - y, picture_clamp(b + n), picture_clamp(g + n), picture_clamp(r + n), a);
        }
    }
    return p;
}

// A horizontal grey ramp from `low` to `high`, the same on every row.
inline TestPicture grey_gradient(int32_t width, int32_t height, int32_t bits, double low, double high) {
    TestPicture p = blank_picture(width, height, bits);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            int v = picture_clamp(low + (high - low) * x / (width - 1));
            set_pixel(p, x, y, v, v, v);
        }
    return p;
}

// Peak signal-to-noise ratio of the colour channels of two pictures of the
// same size, each given as 4-byte blue, green, red, alpha pixels.
inline double colour_psnr(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    double sum = 0;
    size_t n = 0;
    for (size_t i = 0; i + 3 < a.size() && i + 3 < b.size(); i += 4) {
        for (int c = 0; c < 3; ++c) {
            double d = static_cast<double>(a[i + c]) - b[i + c];
            sum += d * d;
            ++n;
        }
    }
    if (n == 0) return 0;
    double mse = sum / n;
    return mse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}
