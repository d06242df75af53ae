// A synthetic photograph for the Windows benchmarks: smooth gradients with
// fine noise (so JPEG has real work to do), made as pixels, as a 24-bit
// image, or as a JPEG file written by GDI+'s own encoder.
#pragma once

#include <windows.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "image/image.h"

namespace photo {

inline uint32_t pixel(int32_t x, int32_t y) {
    uint32_t h = static_cast<uint32_t>(x) * 73856093u ^ static_cast<uint32_t>(y) * 19349663u;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    int noise = static_cast<int>(h >> 28) - 8;
    auto clamp = [](double v) { return static_cast<uint32_t>(v < 0 ? 0 : v > 255 ? 255 : v); };
    uint32_t r = clamp(128 + 100 * std::sin(x / 310.0) * std::cos(y / 190.0) + noise);
    uint32_t g = clamp(110 + 90 * std::cos((x + y) / 420.0) + noise);
    uint32_t b = clamp(90 + 80 * std::sin(y / 150.0 + x / 700.0) - noise);
    return r << 16 | g << 8 | b;
}

// A new 24-bit image of the photograph (AUTO_ID handle), or 0.
inline int64_t make_image(int32_t width, int32_t height) {
    int64_t image = create_image(AUTO_ID, width, height, 24);
    BitmapInfo info{};
    uint8_t* bits = image_bits(image, &info);
    if (!bits) return 0;
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* row = bits + static_cast<int64_t>(height - 1 - y) * info.stride;
        for (int32_t x = 0; x < width; ++x) {
            uint32_t c = pixel(x, y);
            row[3 * x] = static_cast<uint8_t>(c), row[3 * x + 1] = static_cast<uint8_t>(c >> 8),
                    row[3 * x + 2] = static_cast<uint8_t>(c >> 16);
        }
    }
    return image;
}

template <typename F>
F function(HMODULE lib, const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(lib, name)));
}

// Writes the photograph as a JPEG file through GDI+.
inline bool write_jpeg(const std::string& path, int32_t width, int32_t height) {
    struct StartupInput {
        UINT32 version;
        void* callback;
        BOOL no_thread, no_codecs;
    } input{1, nullptr, FALSE, FALSE};
    HMODULE lib = LoadLibraryA("gdiplus.dll");
    if (!lib) return false;
    auto startup = function<int(WINAPI*)(ULONG_PTR*, const StartupInput*, void*)>(lib, "GdiplusStartup");
    auto shutdown = function<void(WINAPI*)(ULONG_PTR)>(lib, "GdiplusShutdown");
    auto from_scan0 = function<int(WINAPI*)(INT, INT, INT, INT, BYTE*, void**)>(lib, "GdipCreateBitmapFromScan0");
    auto save = function<int(WINAPI*)(void*, const WCHAR*, const CLSID*, const void*)>(lib, "GdipSaveImageToFile");
    auto dispose = function<int(WINAPI*)(void*)>(lib, "GdipDisposeImage");
    const CLSID jpeg = {0x557cf401, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
    bool ok = false;
    ULONG_PTR token = 0;
    if (startup && shutdown && from_scan0 && save && dispose && startup(&token, &input, nullptr) == 0) {
        std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = 0; x < width; ++x) pixels[static_cast<size_t>(y) * width + x] = 0xFF000000u | pixel(x, y);
        void* bitmap = nullptr;
        if (from_scan0(width, height, width * 4, 0x26200A, reinterpret_cast<BYTE*>(pixels.data()), &bitmap) == 0) {
            std::wstring wide(path.begin(), path.end());
            ok = save(bitmap, wide.c_str(), &jpeg, nullptr) == 0;
            dispose(bitmap);
        }
        shutdown(token);
    }
    FreeLibrary(lib);
    return ok;
}

}  // namespace photo
