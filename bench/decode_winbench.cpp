// Loading big JPEG photographs and an RGBA PNG: the whole load (our
// decoders in front of GDI+), our decoder alone and the GDI+ path alone, in
// the same run, with the ratio.  The pictures are written by GDI+'s own
// encoders when they are missing (its JPEGs are 4:2:0, which our decoder
// takes).
//
//   decode_winbench.exe FOLDER             times every picture
//   decode_winbench.exe --memory ours|gdiplus FILE
//                                          one load in a fresh process; prints
//                                          its time and the process's peak
//                                          working set before and after it
//   decode_winbench.exe --loads RUNS FILE...
//                                          the whole load of each file, timed
//
// bench/decode_compare.sh runs both beside djpeg.
#include <windows.h>
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/model/state.h"
#include "app/picture/decode.h"
#include "app/picture/gdiplus_codes.h"
#include "app/picture/load_file.h"
#include "app/picture/source.h"
#include "app_photo.h"
#include "core/dynlib.h"
#include "timing.h"

namespace {

// The photograph with an alpha that sweeps across it, as an RGBA PNG; with
// `smooth` in blocks of 2 x 2 pixels, whose noise deflate compresses better
// (inflating dominates PNG decoding, so its time follows the file size).
bool write_rgba_png(const std::string& path, int32_t width, int32_t height, bool smooth) {
    struct StartupInput {
        UINT32 version;
        void* callback;
        BOOL no_thread, no_codecs;
    } input{1, nullptr, FALSE, FALSE};
    HMODULE lib = LoadLibraryA("gdiplus.dll");
    if (!lib) return false;
    using photo::function;
    auto startup = function<int(WINAPI*)(ULONG_PTR*, const StartupInput*, void*)>(lib, "GdiplusStartup");
    auto shutdown = function<void(WINAPI*)(ULONG_PTR)>(lib, "GdiplusShutdown");
    auto from_scan0 = function<int(WINAPI*)(INT, INT, INT, INT, BYTE*, void**)>(lib, "GdipCreateBitmapFromScan0");
    auto save = function<int(WINAPI*)(void*, const WCHAR*, const CLSID*, const void*)>(lib, "GdipSaveImageToFile");
    auto dispose = function<int(WINAPI*)(void*)>(lib, "GdipDisposeImage");
    const CLSID png = {0x557cf406, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
    bool ok = false;
    ULONG_PTR token = 0;
    if (startup && shutdown && from_scan0 && save && dispose && startup(&token, &input, nullptr) == 0) {
        std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = 0; x < width; ++x)
                pixels[static_cast<size_t>(y) * width + x] =
                        static_cast<uint32_t>((x * 255 / width) << 24) | photo::pixel(smooth ? x & ~1 : x, smooth ? y & ~1 : y);
        void* bitmap = nullptr;
        if (from_scan0(width, height, width * 4, 0x26200A, reinterpret_cast<BYTE*>(pixels.data()), &bitmap) == 0) {
            std::wstring wide(path.begin(), path.end());
            ok = save(bitmap, wide.c_str(), &png, nullptr) == 0;
            dispose(bitmap);
        }
        shutdown(token);
    }
    FreeLibrary(lib);
    return ok;
}

std::vector<uint8_t> read_all(const std::string& path) {
    std::vector<uint8_t> bytes;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        uint8_t chunk[1 << 16];
        size_t n;
        while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
        std::fclose(f);
    }
    return bytes;
}

double peak_mb() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PeakWorkingSetSize / 1048576.0;
}

void start_up() {
    load_alpha_blend();
    init_image_library();
    init_dynamic_libraries();
    clear_app_state();
    set_pixel_format_table();
    set_app_defaults();
}

}  // namespace

int main(int argc, char** argv) {
    start_up();
    if (argc == 4 && std::strcmp(argv[1], "--memory") == 0) {
        const bool ours = std::strcmp(argv[2], "ours") == 0;
        // gdi32, GDI+ and the C runtime loaded and warmed up before the peak
        // is read, so the difference is the load itself.
        int64_t small = decode_with_gdiplus("Z:\\nonexistent.png", 1);
        free_image(small);
        const double before = peak_mb();
        const auto start = std::chrono::steady_clock::now();
        int64_t image = ours ? decode_picture_file(argv[3]) : decode_with_gdiplus(argv[3], 1);
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        const double after = peak_mb();
        std::printf("memory %-8s %lld x %lld  %.1f ms  peak working set before %.0f MB, after %.0f MB, load %.0f MB\n",
                    argv[2], static_cast<long long>(image_width(image)), static_cast<long long>(image_height(image)), ms,
                    before, after, after - before);
        return image ? 0 : 1;
    }
    if (argc >= 4 && std::strcmp(argv[1], "--loads") == 0) {
        const int runs = std::atoi(argv[2]);
        for (int i = 3; i < argc; ++i) time_job(argv[i], runs, [&] { load_source(argv[i]); });
        return 0;
    }
    std::string folder = argc > 1 ? argv[1] : ".";
    if (!folder.empty() && folder.back() != '\\') folder += '\\';
    const struct {
        const char* name;
        int32_t width, height, runs;
        bool png, smooth;
    } pictures[] = {
            {"photo_3840x2400.jpg", 3840, 2400, 10, false, false},
            {"photo_8000x6000.jpg", 8000, 6000, 5, false, false},
            {"photo_12000x9000.jpg", 12000, 9000, 3, false, false},
            {"rgba_3700x2400.png", 3700, 2400, 10, true, false},
            {"rgba_2x2_3700x2400.png", 3700, 2400, 10, true, true},
    };
    for (const auto& p : pictures) {
        std::string path = folder + p.name;
        if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES &&
            !(p.png ? write_rgba_png(path, p.width, p.height, p.smooth) : photo::write_jpeg(path, p.width, p.height))) {
            std::printf("could not write %s\n", path.c_str());
            return 1;
        }
        std::vector<uint8_t> bytes = read_all(path);
        int64_t probe = decode_picture(bytes.data(), bytes.size());
        const bool ours = image_width(probe) == p.width && image_height(probe) == p.height;
        free_image(probe);
        bytes.clear();
        bytes.shrink_to_fit();
        std::printf("%s: decoded by %s\n", p.name, ours ? "our decoder" : "GDI+ (ours declined it)");
        std::string label = std::string(p.name) + " whole load";
        const double whole = time_job(label.c_str(), p.runs, [&] { load_source(path.c_str()); });
        label = std::string(p.name) + " decode_picture_file (ours)";
        const double decode = time_job(label.c_str(), p.runs, [&] { free_image(decode_picture_file(path.c_str())); });
        label = std::string(p.name) + " GDI+ path alone";
        const double gdiplus =
                time_job(label.c_str(), p.runs, [&] { free_image(decode_with_gdiplus(path.c_str(), 1)); });
        std::printf("ratio GDI+ path / ours: %.2f (whole load %.1f ms)\n", gdiplus / decode, whole);
    }
    return 0;
}
