// Palette reduction timings.
//
// Always: reduce_palette plus every row on a 600 x 600 synthetic scene at
// depths 8 and 4, with and without dithering.
//
// With ROUNDCUT_PHOTOS naming a folder of PNG photographs (see
// bench/palette_compare.py): for each photograph, the whole job a palette
// quantizer does from file to file: decode the PNG, reduce to 256 colours,
// write the 8-bit palette PNG into ROUNDCUT_PALETTE_OUT (default: /tmp).

#include <benchmark/benchmark.h>
#include <png.h>

#include <cstdlib>
#include <dirent.h>
#include <string>
#include <vector>

#include "codecs/encoder.h"
#include "codecs/palette.h"
#include "codecs/png_writer.h"
#include "tests/unit/palette_pictures.h"

namespace {

void reduce_all_rows(benchmark::State& state, int depth, int flags) {
    TestPicture photo = synthetic_photograph(600, 600, 32);
    for (auto _ : state) {
        PaletteReducer* r = reduce_palette(photo.bytes.data(), 600, 600, 32, photo.pitch, depth, flags);
        if (!r) {
            state.SkipWithError("no reducer");
            return;
        }
        for (int32_t y = 0; y < 600; ++y) benchmark::DoNotOptimize(reducer_row(r, y));
        free_reducer(r);
    }
}

BENCHMARK_CAPTURE(reduce_all_rows, depth8, 8, 0)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(reduce_all_rows, depth8_dither, 8, DITHER)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(reduce_all_rows, depth4, 4, 0)->Unit(benchmark::kMillisecond);

// Decodes a PNG into 32-bit blue, green, red, alpha rows, bottom row first,
// as image memory holds them.
bool decode_png(const std::string& path, std::vector<uint8_t>* pixels, int32_t* width, int32_t* height) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    image.format = PNG_FORMAT_BGRA;
    pixels->resize(PNG_IMAGE_SIZE(image));
    int32_t stride = -static_cast<int32_t>(PNG_IMAGE_ROW_STRIDE(image));
    if (!png_image_finish_read(&image, nullptr, pixels->data(), stride, nullptr)) return false;
    *width = static_cast<int32_t>(image.width);
    *height = static_cast<int32_t>(image.height);
    return true;
}

void photograph_to_palette_png(benchmark::State& state, std::string source, std::string target) {
    register_png_encoder();
    for (auto _ : state) {
        std::vector<uint8_t> pixels;
        int32_t width = 0, height = 0;
        if (!decode_png(source, &pixels, &width, &height)) {
            state.SkipWithError("cannot decode");
            return;
        }
        if (!save_pixels(target.c_str(), pixels.data(), FORMAT_PNG, width, height, width * 4, 32, ROWS_BOTTOM_UP,
                         0, 8)) {
            state.SkipWithError("save failed");
            return;
        }
    }
}

// Registers one benchmark per photograph before main runs.
int register_photographs() {
    const char* folder = std::getenv("ROUNDCUT_PHOTOS");
    if (!folder) return 0;
    const char* out = std::getenv("ROUNDCUT_PALETTE_OUT");
    std::string out_folder = out ? out : "/tmp";
    DIR* dir = opendir(folder);
    if (!dir) return 0;
    std::vector<std::string> names;
    while (dirent* e = readdir(dir)) {
        std::string name = e->d_name;
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".png") == 0) names.push_back(name);
    }
    closedir(dir);
    for (const std::string& name : names) {
        std::string stem = name.substr(0, name.size() - 4);
        benchmark::RegisterBenchmark(("photograph_to_palette_png/" + stem).c_str(), photograph_to_palette_png,
                                     std::string(folder) + "/" + name, out_folder + "/" + stem + "-ours8.png")
            ->Unit(benchmark::kMillisecond);
    }
    return static_cast<int>(names.size());
}

const int photographs = register_photographs();

}  // namespace
