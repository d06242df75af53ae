// The resampling kernels on random sizes (1 to 2000 on each side) and
// pixels: the cubic resampler, the area average and the nearest-pixel
// stretch, each writing into a buffer of exactly the size it may use (with
// guard bytes in the row padding), and the weight tables behind them.
//
// Properties: the area average of a picture stays within each channel's
// smallest and largest source value, and both smooth kernels keep a
// one-colour picture that colour; every tap lies inside the source and the
// weights of each destination index add up to their total.
#include <cmath>
#include <cstring>
#include <vector>

#include "fuzz_input.h"
#include "image/pixels.h"
#include "image/resample.h"

namespace {

// At most this many pixels in a source or destination picture, so that one
// run never needs more than a few megabytes.
constexpr int64_t MAX_PIXELS = 1 << 18;
constexpr uint8_t GUARD = 0xA5;

int32_t side(FuzzInput& in) {
    // Mostly small sides, sometimes anything up to 2000.
    return in.byte() < 160 ? static_cast<int32_t>(in.range(1, 64)) : static_cast<int32_t>(in.range(1, 2000));
}

void fit(int32_t* w, int32_t* h) {
    if (static_cast<int64_t>(*w) * *h > MAX_PIXELS) *h = static_cast<int32_t>(MAX_PIXELS / *w);
    if (*h < 1) *h = 1;
}

void fill(std::vector<uint8_t>& pixels, FuzzInput& in, bool one_colour, const uint8_t colour[4], int bpp) {
    if (one_colour) {
        for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = colour[i % bpp];
        return;
    }
    // The rest of the input, repeated; an empty rest gives a ramp.
    size_t rest = in.left();
    const uint8_t* p = in.data + in.at;
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = rest ? p[i % rest] : static_cast<uint8_t>(i * 7);
}

void check_contributions(int32_t d, int32_t s) {
    ContributionTable* t = make_contributions(d, s);
    FUZZ_CHECK(t);
    for (int32_t i = 0; i < d; ++i) {
        const Contribution& e = t->entries[i];
        FUZZ_CHECK(e.first >= 0 && e.count >= 1 && e.count <= t->max_taps);
        FUZZ_CHECK(static_cast<int64_t>(e.first) + e.count <= s);
        double total = 0;
        for (int32_t k = 0; k < e.count; ++k) total += e.weights[k];
        FUZZ_CHECK(std::fabs(total - 1) < 1e-9);
    }
    free_contributions(t);

    AreaTable* a = make_area_table(d, s);
    FUZZ_CHECK(a);
    for (int32_t i = 0; i < d; ++i) {
        FUZZ_CHECK(a->first[i] >= 0 && a->count[i] >= 1);
        FUZZ_CHECK(static_cast<int64_t>(a->first[i]) + a->count[i] <= s);
        uint64_t total = 0;
        for (int32_t k = 0; k < a->count[i]; ++k) total += a->weights[a->offset[i] + k];
        FUZZ_CHECK(total == a->total);
    }
    free_area_table(a);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in{data, size};
    const uint8_t kernel = in.byte() % 3;
    int32_t sw = side(in), sh = side(in), w = side(in), h = side(in);
    fit(&sw, &sh);
    fit(&w, &h);
    const bool one_colour = in.byte() % 4 == 0;
    uint8_t colour[4] = {in.byte(), in.byte(), in.byte(), in.byte()};
    const uint8_t extra = in.byte();

    check_contributions(w, sw);
    check_contributions(h, sh);

    if (kernel == 0) {
        // Cubic: packed 32-bit pictures.
        const bool whiten = extra & 1;
        std::vector<uint8_t> source(static_cast<size_t>(sw) * sh * 4);
        fill(source, in, one_colour, colour, 4);
        std::vector<uint8_t> original = source;
        std::vector<uint8_t> destination(static_cast<size_t>(w) * h * 4, GUARD);
        FUZZ_CHECK(cubic_resample(destination.data(), w, h, source.data(), sw, sh, whiten));
        // Only the whitening may touch the source, and only transparent pixels.
        for (size_t i = 0; i < source.size(); i += 4) {
            if (whiten && original[i + 3] == 0)
                FUZZ_CHECK(source[i] == 255 && source[i + 1] == 255 && source[i + 2] == 255 && source[i + 3] == 0);
            else
                FUZZ_CHECK(std::memcmp(&source[i], &original[i], 4) == 0);
        }
        if (one_colour) {
            uint8_t want[4] = {colour[0], colour[1], colour[2], colour[3]};
            if (whiten && colour[3] == 0) want[0] = want[1] = want[2] = 255;
            for (size_t i = 0; i < destination.size(); ++i) FUZZ_CHECK(destination[i] == want[i % 4]);
        }
        return 0;
    }

    // Area average and nearest pixel: 3 or 4 bytes per pixel, rows padded
    // by a few guard bytes on both sides.
    const int bpp = (extra & 1) ? 4 : 3;
    const int64_t source_stride = static_cast<int64_t>(sw) * bpp + ((extra >> 1) & 7);
    const int64_t pad = (extra >> 4) & 7;
    const int64_t destination_stride = static_cast<int64_t>(w) * bpp + pad;
    std::vector<uint8_t> source(static_cast<size_t>(source_stride) * sh);
    fill(source, in, one_colour, colour, 1);
    if (one_colour)
        for (int32_t y = 0; y < sh; ++y)
            for (int64_t x = 0; x < static_cast<int64_t>(sw) * bpp; ++x) source[y * source_stride + x] = colour[x % bpp];
    std::vector<uint8_t> destination(static_cast<size_t>(destination_stride) * h, GUARD);
    if (kernel == 1)
        FUZZ_CHECK(area_resample(destination.data(), destination_stride, w, h, source.data(), source_stride, sw, sh, bpp));
    else
        nearest_resample(destination.data(), destination_stride, w, h, source.data(), source_stride, sw, sh, bpp);

    uint8_t lo[4] = {255, 255, 255, 255}, hi[4] = {0, 0, 0, 0};
    for (int32_t y = 0; y < sh; ++y)
        for (int64_t x = 0; x < static_cast<int64_t>(sw) * bpp; ++x) {
            uint8_t v = source[y * source_stride + x];
            int c = static_cast<int>(x % bpp);
            if (v < lo[c]) lo[c] = v;
            if (v > hi[c]) hi[c] = v;
        }
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t* row = destination.data() + y * destination_stride;
        for (int64_t x = 0; x < static_cast<int64_t>(w) * bpp; ++x) {
            int c = static_cast<int>(x % bpp);
            FUZZ_CHECK(row[x] >= lo[c] && row[x] <= hi[c]);
        }
        // Row padding is not the picture's: it stays as it was.
        for (int64_t x = static_cast<int64_t>(w) * bpp; x < destination_stride; ++x) FUZZ_CHECK(row[x] == GUARD);
    }
    return 0;
}
