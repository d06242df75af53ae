#include "app_pictures.h"

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

}  // namespace

bool write_picture(const std::string& path, Format format, int32_t width, int32_t height, Transparent transparent) {
    HMODULE lib = LoadLibraryA("gdiplus.dll");
    if (!lib) return false;
    auto startup = reinterpret_cast<Startup>(GetProcAddress(lib, "GdiplusStartup"));
    auto shutdown = reinterpret_cast<Shutdown>(GetProcAddress(lib, "GdiplusShutdown"));
    auto from_scan0 = reinterpret_cast<FromScan0>(GetProcAddress(lib, "GdipCreateBitmapFromScan0"));
    auto save = reinterpret_cast<SaveToFile>(GetProcAddress(lib, "GdipSaveImageToFile"));
    auto dispose = reinterpret_cast<Dispose>(GetProcAddress(lib, "GdipDisposeImage"));
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
