#include "app_pictures.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace pictures {

namespace {

struct StartupInput {
    UINT32 version;
    void* callback;
    BOOL no_thread;
    BOOL no_codecs;
};

using Startup = int(WINAPI*)(ULONG_PTR*, const StartupInput*, void*);
using Shutdown = void(WINAPI*)(ULONG_PTR);
using FromScan0 = int(WINAPI*)(INT, INT, INT, INT, BYTE*, void**);
using SaveToFile = int(WINAPI*)(void*, const WCHAR*, const CLSID*, const void*);
using Dispose = int(WINAPI*)(void*);

// The encoders' class ids: image/bmp, jpeg, gif, tiff, png.
const CLSID ENCODERS[] = {
    {0x557cf400, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}},
    {0x557cf401, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}},
    {0x557cf402, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}},
    {0x557cf405, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}},
    {0x557cf406, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}},
};

constexpr INT FORMAT_32BPP_ARGB = 0x26200A;

template <typename F>
F function(HMODULE lib, const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(lib, name)));
}

// GIF written by hand (the encoder here writes an empty file): a global
// palette of the pattern's colours and LZW codes of 9 bits, with a clear
// code often enough that the code size never grows.
bool write_gif(const std::string& path, int32_t width, int32_t height) {
    std::vector<uint32_t> palette;
    std::vector<uint8_t> indices(static_cast<size_t>(width) * height);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            uint32_t c = pattern(x, y);
            size_t i = 0;
            while (i < palette.size() && palette[i] != c) ++i;
            if (i == palette.size()) palette.push_back(c);
            if (i > 255) return false;
            indices[static_cast<size_t>(y) * width + x] = static_cast<uint8_t>(i);
        }
    std::string out = "GIF89a";
    auto word = [&](int v) { out.push_back(static_cast<char>(v & 0xFF)), out.push_back(static_cast<char>(v >> 8)); };
    word(width), word(height);
    out += "\xF7";  // global table of 256 entries, 8 bits per primary
    out.push_back(0), out.push_back(0);
    for (int i = 0; i < 256; ++i) {
        uint32_t c = i < static_cast<int>(palette.size()) ? palette[i] : 0;
        out.push_back(static_cast<char>(c >> 16)), out.push_back(static_cast<char>(c >> 8)),
            out.push_back(static_cast<char>(c));
    }
    out.push_back(','), word(0), word(0), word(width), word(height), out.push_back(0);
    out.push_back(8);  // minimum code size
    std::string codes;
    uint32_t bits = 0;
    int count = 0;
    auto emit = [&](uint32_t code) {
        bits |= code << count;
        count += 9;
        while (count >= 8) codes.push_back(static_cast<char>(bits & 0xFF)), bits >>= 8, count -= 8;
    };
    for (size_t i = 0; i < indices.size(); ++i) {
        if (i % 250 == 0) emit(256);
        emit(indices[i]);
    }
    emit(257);
    if (count > 0) codes.push_back(static_cast<char>(bits & 0xFF));
    for (size_t at = 0; at < codes.size(); at += 255) {
        size_t n = std::min<size_t>(255, codes.size() - at);
        out.push_back(static_cast<char>(n));
        out.append(codes, at, n);
    }
    out.push_back(0), out.push_back(';');
    return write_bytes(path, out.data(), out.size());
}

}  // namespace

bool write_picture(const std::string& path, Format format, int32_t width, int32_t height, Transparent transparent) {
    if (format == GIF) return write_gif(path, width, height);
    HMODULE lib = LoadLibraryA("gdiplus.dll");
    if (!lib) return false;
    auto startup = function<Startup>(lib, "GdiplusStartup");
    auto shutdown = function<Shutdown>(lib, "GdiplusShutdown");
    auto from_scan0 = function<FromScan0>(lib, "GdipCreateBitmapFromScan0");
    auto save = function<SaveToFile>(lib, "GdipSaveImageToFile");
    auto dispose = function<Dispose>(lib, "GdipDisposeImage");
    bool ok = false;
    ULONG_PTR token = 0;
    StartupInput input{1, nullptr, FALSE, FALSE};
    if (startup && shutdown && from_scan0 && save && dispose && startup(&token, &input, nullptr) == 0) {
        std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = 0; x < width; ++x)
                pixels[static_cast<size_t>(y) * width + x] =
                    (transparent && transparent(x, y)) ? 0x00FF0000u : 0xFF000000u | pattern(x, y);
        void* bitmap = nullptr;
        if (from_scan0(width, height, width * 4, FORMAT_32BPP_ARGB, reinterpret_cast<BYTE*>(pixels.data()),
                       &bitmap) == 0) {
            std::wstring wide(path.begin(), path.end());
            ok = save(bitmap, wide.c_str(), &ENCODERS[format], nullptr) == 0;
            dispose(bitmap);
        }
        shutdown(token);
    }
    FreeLibrary(lib);
    return ok;
}

std::string scratch_folder(const char* name) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string folder = std::string(temp) + "roundcut_" + name + "_" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileA((folder + found.cFileName).c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    return folder;
}

bool write_bytes(const std::string& path, const void* data, size_t size) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

std::string read_bytes(const std::string& path) {
    std::string data;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return data;
    char chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) data.append(chunk, n);
    std::fclose(f);
    return data;
}

namespace {

const uint8_t* pixel_address(int64_t image, int32_t x, int32_t y, BitmapInfo* info) {
    uint8_t* bits = image_bits(image, info);
    if (!bits || x < 0 || y < 0 || x >= info->width || y >= info->height) return nullptr;
    return bits + static_cast<int64_t>(info->height - 1 - y) * info->stride + x * (info->bits_per_pixel / 8);
}

}  // namespace

uint32_t colour_at(int64_t image, int32_t x, int32_t y) {
    BitmapInfo info{};
    const uint8_t* p = pixel_address(image, x, y, &info);
    if (!p) return 0xFF000000u;
    return uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0];
}

int alpha_at(int64_t image, int32_t x, int32_t y) {
    BitmapInfo info{};
    const uint8_t* p = pixel_address(image, x, y, &info);
    return p && info.bits_per_pixel == 32 ? p[3] : -1;
}

int gdi_object_count() {
    int n = 0;
    for (uintptr_t h = 1; h <= 0xFFFF; ++h) n += GetObjectType(reinterpret_cast<HGDIOBJ>(h)) != 0;
    return n;
}

}  // namespace pictures
