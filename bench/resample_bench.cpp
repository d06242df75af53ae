// Speed of the resamplers on the jobs the program meets: the crop of a large
// photograph scaled to the 600 x 600 canvas (area average, 24 bits), and the
// cubic filter on 32-bit pictures.
//
// By default the source pictures are made here (smooth gradients with fine
// detail).  With RESAMPLE_BENCH_DIR set, each source is read from
// DIR/photo_WxH.ppm (binary PPM, top-down RGB) and each result is written
// to DIR/ours_<job>.ppm, so that a comparison script can time another tool on
// the very same pictures and compare the pixels.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "image/resample.h"

namespace {

struct Picture {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;  // top-down, 3 bytes per pixel
};

const char* bench_dir() { return std::getenv("RESAMPLE_BENCH_DIR"); }

bool read_ppm(const std::string& path, Picture& p) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    int maxval = 0;
    bool ok = std::fscanf(f, "P6 %d %d %d", &p.width, &p.height, &maxval) == 3 && maxval == 255 &&
              std::fgetc(f) != EOF && p.width > 0 && p.height > 0;
    if (ok) {
        p.rgb.resize(static_cast<size_t>(p.width) * p.height * 3);
        ok = std::fread(p.rgb.data(), 1, p.rgb.size(), f) == p.rgb.size();
    }
    std::fclose(f);
    return ok;
}

void write_ppm(const std::string& path, const Picture& p) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    std::fprintf(f, "P6\n%d %d\n255\n", p.width, p.height);
    std::fwrite(p.rgb.data(), 1, p.rgb.size(), f);
    std::fclose(f);
}

Picture synthetic(int w, int h) {
    Picture p;
    p.width = w;
    p.height = h;
    p.rgb.resize(static_cast<size_t>(w) * h * 3);
    uint32_t seed = 12345;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            seed = seed * 1664525u + 1013904223u;
            uint8_t* q = &p.rgb[(static_cast<size_t>(y) * w + x) * 3];
            q[0] = static_cast<uint8_t>(x * 255 / w + (seed >> 29));
            q[1] = static_cast<uint8_t>(y * 255 / h);
            q[2] = static_cast<uint8_t>(((x / 7 + y / 5) & 1) ? 200 : 40);
        }
    return p;
}

const Picture& source(int w, int h) {
    static std::map<std::pair<int, int>, Picture> cache;
    auto key = std::make_pair(w, h);
    auto it = cache.find(key);
    if (it != cache.end()) return it->second;
    Picture p;
    if (const char* dir = bench_dir()) {
        std::string path = std::string(dir) + "/photo_" + std::to_string(w) + "x" + std::to_string(h) + ".ppm";
        if (!read_ppm(path, p) || p.width != w || p.height != h) {
            std::fprintf(stderr, "cannot read %s\n", path.c_str());
            std::exit(1);
        }
    } else {
        p = synthetic(w, h);
    }
    return cache.emplace(key, std::move(p)).first->second;
}

// Image memory: bottom-up rows of blue, green, red (and alpha), padded.
std::vector<uint8_t> to_memory(const Picture& p, int bpp, int64_t stride) {
    std::vector<uint8_t> m(static_cast<size_t>(stride) * p.height, 0);
    for (int y = 0; y < p.height; ++y) {
        uint8_t* row = &m[static_cast<size_t>(p.height - 1 - y) * stride];
        const uint8_t* s = &p.rgb[static_cast<size_t>(y) * p.width * 3];
        for (int x = 0; x < p.width; ++x) {
            row[x * bpp] = s[3 * x + 2];
            row[x * bpp + 1] = s[3 * x + 1];
            row[x * bpp + 2] = s[3 * x];
            if (bpp == 4) row[x * bpp + 3] = 255;
        }
    }
    return m;
}

void save_result(const std::string& job, const std::vector<uint8_t>& m, int w, int h, int bpp, int64_t stride) {
    const char* dir = bench_dir();
    if (!dir) return;
    Picture p;
    p.width = w;
    p.height = h;
    p.rgb.resize(static_cast<size_t>(w) * h * 3);
    for (int y = 0; y < h; ++y) {
        const uint8_t* row = &m[static_cast<size_t>(h - 1 - y) * stride];
        uint8_t* d = &p.rgb[static_cast<size_t>(y) * w * 3];
        for (int x = 0; x < w; ++x) {
            d[3 * x] = row[x * bpp + 2];
            d[3 * x + 1] = row[x * bpp + 1];
            d[3 * x + 2] = row[x * bpp];
        }
    }
    write_ppm(std::string(dir) + "/ours_" + job + ".ppm", p);
}

std::string job_name(const char* kind, int sw, int sh, int dw, int dh) {
    return std::string(kind) + "_" + std::to_string(sw) + "x" + std::to_string(sh) + "_" + std::to_string(dw) + "x" +
           std::to_string(dh);
}

void BM_Cubic32(benchmark::State& state, int sw, int sh, int dw, int dh) {
    std::vector<uint8_t> src = to_memory(source(sw, sh), 4, int64_t{4} * sw);
    std::vector<uint8_t> dst(static_cast<size_t>(dw) * dh * 4);
    for (auto _ : state) {
        if (!cubic_resample(dst.data(), dw, dh, src.data(), sw, sh, true)) state.SkipWithError("no memory");
        benchmark::DoNotOptimize(dst.data());
    }
    save_result(job_name("cubic", sw, sh, dw, dh), dst, dw, dh, 4, int64_t{4} * dw);
}

void BM_Area24(benchmark::State& state, int sw, int sh, int dw, int dh) {
    int64_t ss = (int64_t{3} * sw + 3) / 4 * 4, ds = (int64_t{3} * dw + 3) / 4 * 4;
    std::vector<uint8_t> src = to_memory(source(sw, sh), 3, ss);
    std::vector<uint8_t> dst(static_cast<size_t>(ds) * dh);
    for (auto _ : state) {
        if (!area_resample(dst.data(), ds, dw, dh, src.data(), ss, sw, sh, 3)) state.SkipWithError("no memory");
        benchmark::DoNotOptimize(dst.data());
    }
    save_result(job_name("area", sw, sh, dw, dh), dst, dw, dh, 3, ds);
}

}  // namespace

BENCHMARK_CAPTURE(BM_Cubic32, 4000x3000_to_600x600, 4000, 3000, 600, 600)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Cubic32, 300x300_to_600x600, 300, 300, 600, 600)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Area24, 2400x2400_to_600x600, 2400, 2400, 600, 600)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Area24, 6000x6000_to_600x600, 6000, 6000, 600, 600)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Area24, 300x300_to_600x600, 300, 300, 600, 600)->Unit(benchmark::kMillisecond);
