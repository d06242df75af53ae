// Writing the application's output picture: PNG (RGBA, level 9, filter
// None), JPEG (quality 100, composited over white) and BMP (32 and 24 bits).
// bench/compare_encode.sh runs this beside ImageMagick with the same picture
// and settings.  ROUNDCUT_BENCH_DIR names the folder for the files (default
// the temporary folder); ROUNDCUT_BENCH_DUMP, when set, receives the picture
// as raw top-down RGBA.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "codecs/encoder.h"
#include "codecs/jpeg_writer.h"
#include "codecs/png_writer.h"
#include "encode_picture.h"

namespace {

const encode_bench::Cutout& picture() {
    static encode_bench::Cutout cutout = [] {
        encode_bench::Cutout c = encode_bench::make_cutout();
        if (const char* dump = std::getenv("ROUNDCUT_BENCH_DUMP")) encode_bench::dump_rgba(c, dump);
        register_png_encoder();
        register_jpeg_encoder();
        return c;
    }();
    return cutout;
}

std::string out_file(const char* name) {
    const char* dir = std::getenv("ROUNDCUT_BENCH_DIR");
    return std::string(dir && *dir ? dir : "/tmp") + "/" + name;
}

long file_size(const std::string& file) {
    FILE* f = std::fopen(file.c_str(), "rb");
    if (!f) return -1;
    std::fseek(f, 0, SEEK_END);
    long n = std::ftell(f);
    std::fclose(f);
    return n;
}

void write_format(benchmark::State& state, const char* name, uint32_t format, int32_t flags, int32_t depth) {
    const encode_bench::Cutout& c = picture();
    std::string file = out_file(name);
    for (auto _ : state) {
        int32_t ok = save_pixels(file.c_str(), c.memory.data(), format, 600, 600, 2400, 32, ROWS_BOTTOM_UP, flags, depth);
        if (!ok) state.SkipWithError("save failed");
    }
    state.counters["bytes"] = static_cast<double>(file_size(file));
    state.counters["photo"] = c.from_photo ? 1 : 0;
}

void BM_WritePng(benchmark::State& state) { write_format(state, "ours.png", FORMAT_PNG, 32, -1); }
void BM_WriteJpeg(benchmark::State& state) { write_format(state, "ours.jpg", FORMAT_JPEG, 32, -1); }
void BM_WriteBmp32(benchmark::State& state) { write_format(state, "ours32.bmp", FORMAT_BMP, 7, 32); }
void BM_WriteBmp24(benchmark::State& state) { write_format(state, "ours24.bmp", FORMAT_BMP, 7, 24); }

void BM_CompositeOverWhite(benchmark::State& state) {
    const encode_bench::Cutout& c = picture();
    for (auto _ : state) {
        uint8_t* block = composite_over_white(c.memory.data(), 600, 600, 2400);
        benchmark::DoNotOptimize(block);
        std::free(block);
    }
}

}  // namespace

BENCHMARK(BM_WritePng)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteJpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteBmp32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteBmp24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompositeOverWhite)->Unit(benchmark::kMillisecond);
