// The cut-out rasteriser alone, natively: the filled circle at the default
// radius, and the whole portable composition (fill plus circle).
#include <benchmark/benchmark.h>

#include <memory>

#include "app/output/cutout.h"

namespace {

struct Buffers {
    std::unique_ptr<PixelBuffer> source{new PixelBuffer{}};
    std::unique_ptr<PixelBuffer> output{new PixelBuffer{}};
    CutoutCanvas canvas() { return CutoutCanvas{source.get(), output.get(), 255}; }
};

void BM_FillCircle(benchmark::State& state) {
    Buffers b;
    for (int64_t i = 0; i < CANVAS_SIZE * CANVAS_SIZE; ++i) b.source->words[i] = static_cast<uint32_t>(i * 2654435761u);
    const int64_t radius = state.range(0);
    for (auto _ : state) {
        fill_circle(b.canvas(), CUTOUT_CENTRE, CUTOUT_CENTRE, radius);
        benchmark::DoNotOptimize(b.output->words[299 * 601]);
    }
}
BENCHMARK(BM_FillCircle)->Arg(295)->Arg(424)->Arg(1000000000)->Unit(benchmark::kMicrosecond);

void BM_ComposeCutout(benchmark::State& state) {
    Buffers b;
    for (auto _ : state) {
        compose_cutout(b.canvas(), 0x336699, 128, 295);
        benchmark::DoNotOptimize(b.output->words[0]);
    }
}
BENCHMARK(BM_ComposeCutout)->Unit(benchmark::kMicrosecond);

}  // namespace
