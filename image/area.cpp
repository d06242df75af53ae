// The area-averaging resampler.  Along one axis, measured in units of
// 1/(D/g) source pixels (g the greatest common divisor of the sizes), the
// footprint of destination pixel i is [i*S', (i+1)*S') and source pixel j
// covers [j*D', (j+1)*D'), S' = S/g, D' = D/g; every overlap is an integer
// and the overlaps of one footprint total S'.  The first pass keeps its exact
// integer sums, the second divides once by both totals, rounding to nearest.
#include <cstdlib>
#include <numeric>

#include "core/memory.h"
#include "image/resample.h"

namespace {

// Rows pass from bytes to exact sums.
template <int BPP>
void rows_to_sums(uint32_t* out, size_t out_stride, const uint8_t* src, int64_t src_stride, int32_t rows,
                  const AreaTable* t) {
    for (int32_t r = 0; r < rows; ++r) {
        const uint8_t* s = src + r * src_stride;
        uint32_t* o = out + r * out_stride;
        for (int32_t i = 0; i < t->destination_size; ++i) {
            const uint8_t* p = s + static_cast<size_t>(t->first[i]) * BPP;
            const uint32_t* w = t->weights + t->offset[i];
            uint32_t acc[BPP] = {};
            for (int32_t k = 0; k < t->count[i]; ++k, p += BPP)
                for (int c = 0; c < BPP; ++c) acc[c] += p[c] * w[k];
            for (int c = 0; c < BPP; ++c) o[i * BPP + c] = acc[c];
        }
    }
}

// Rows pass from exact sums to bytes.
template <int BPP>
void rows_to_bytes(uint8_t* dst, int64_t dst_stride, const uint32_t* src, size_t src_stride, int32_t rows,
                   const AreaTable* t, const AreaDivider& d) {
    for (int32_t r = 0; r < rows; ++r) {
        const uint32_t* s = src + r * src_stride;
        uint8_t* o = dst + r * dst_stride;
        for (int32_t i = 0; i < t->destination_size; ++i) {
            const uint32_t* p = s + static_cast<size_t>(t->first[i]) * BPP;
            const uint32_t* w = t->weights + t->offset[i];
            uint64_t acc[BPP] = {};
            for (int32_t k = 0; k < t->count[i]; ++k, p += BPP)
                for (int c = 0; c < BPP; ++c) acc[c] += static_cast<uint64_t>(p[c]) * w[k];
            for (int c = 0; c < BPP; ++c) o[i * BPP + c] = area_divide(acc[c], d);
        }
    }
}

}  // namespace

AreaTable* make_area_table(int32_t destination_size, int32_t source_size) {
    if (destination_size <= 0 || source_size <= 0) return nullptr;
    int64_t g = std::gcd(destination_size, source_size);
    int64_t sp = source_size / g, dp = destination_size / g;
    // A footprint S'/D' source pixels long touches at most that many + 2.
    size_t slots = static_cast<size_t>(source_size) + 2 * static_cast<size_t>(destination_size);
    auto* t = static_cast<AreaTable*>(std::calloc(1, sizeof(AreaTable)));
    if (!t) return nullptr;
    t->first = static_cast<int32_t*>(std::malloc(sizeof(int32_t) * destination_size));
    t->count = static_cast<int32_t*>(std::malloc(sizeof(int32_t) * destination_size));
    t->offset = static_cast<int32_t*>(std::malloc(sizeof(int32_t) * destination_size));
    t->weights = static_cast<uint32_t*>(std::malloc(sizeof(uint32_t) * slots));
    if (!t->first || !t->count || !t->offset || !t->weights) {
        free_area_table(t);
        return nullptr;
    }
    t->destination_size = destination_size;
    t->source_size = source_size;
    t->total = static_cast<uint32_t>(sp);
    size_t used = 0;
    for (int64_t i = 0; i < destination_size; ++i) {
        int64_t lo = i * sp, hi = (i + 1) * sp;
        int64_t first = lo / dp;
        int64_t last = (hi + dp - 1) / dp - 1;
        if (last > source_size - 1) last = source_size - 1;
        t->first[i] = static_cast<int32_t>(first);
        t->offset[i] = static_cast<int32_t>(used);
        int32_t n = 0;
        for (int64_t j = first; j <= last && used < slots; ++j) {
            int64_t a = j * dp > lo ? j * dp : lo;
            int64_t b = (j + 1) * dp < hi ? (j + 1) * dp : hi;
            if (b <= a) continue;
            t->weights[used++] = static_cast<uint32_t>(b - a);
            ++n;
        }
        t->count[i] = n;
    }
    return t;
}

void free_area_table(AreaTable* t) {
    if (!t) return;
    std::free(t->first);
    std::free(t->count);
    std::free(t->offset);
    std::free(t->weights);
    std::free(t);
}

bool area_resample(uint8_t* destination, int64_t destination_stride, int32_t width, int32_t height,
                   const uint8_t* source, int64_t source_stride, int32_t source_width, int32_t source_height,
                   int32_t bytes_per_pixel) {
    if (width <= 0 || height <= 0 || source_width <= 0 || source_height <= 0) return false;
    if (bytes_per_pixel != 3 && bytes_per_pixel != 4) return false;
    const int bpp = bytes_per_pixel;
    // The cheaper order: rows first costs source rows x destination width,
    // columns first destination rows x source width.  Either way the work
    // streams one destination row at a time, so no picture-sized temporary
    // is needed; a source row's sums are kept while neighbouring destination
    // rows share it.
    bool rows_first = static_cast<int64_t>(width) * source_height <= static_cast<int64_t>(height) * source_width;
    size_t out_elements = static_cast<size_t>(width) * bpp;
    size_t in_elements = static_cast<size_t>(source_width) * bpp;
    size_t sums_bytes, acc_bytes;
    if (!multiply_size(rows_first ? out_elements : in_elements, sizeof(uint32_t), &sums_bytes) ||
        !multiply_size(out_elements, sizeof(uint64_t), &acc_bytes))
        return false;
    AreaTable* across = make_area_table(width, source_width);
    AreaTable* down = make_area_table(height, source_height);
    auto* sums = static_cast<uint32_t*>(std::malloc(sums_bytes));
    auto* acc = static_cast<uint64_t*>(std::malloc(acc_bytes));
    bool done = across && down && sums && acc;
    if (done) {
        AreaDivider d = make_area_divider(static_cast<uint64_t>(across->total) * down->total);
        int32_t cached = -1;  // the source row whose sums are in `sums`
        for (int32_t i = 0; i < height; ++i) {
            uint8_t* out = destination + i * destination_stride;
            const uint32_t* wy = down->weights + down->offset[i];
            if (rows_first) {
                for (size_t x = 0; x < out_elements; ++x) acc[x] = 0;
                for (int32_t k = 0; k < down->count[i]; ++k) {
                    int32_t j = down->first[i] + k;
                    if (j != cached) {
                        if (bpp == 3) rows_to_sums<3>(sums, 0, source + j * source_stride, 0, 1, across);
                        else rows_to_sums<4>(sums, 0, source + j * source_stride, 0, 1, across);
                        cached = j;
                    }
                    uint64_t w = wy[k];
                    for (size_t x = 0; x < out_elements; ++x) acc[x] += sums[x] * w;
                }
                for (size_t x = 0; x < out_elements; ++x) out[x] = area_divide(acc[x], d);
            } else {
                for (size_t x = 0; x < in_elements; ++x) sums[x] = 0;
                for (int32_t k = 0; k < down->count[i]; ++k) {
                    const uint8_t* s = source + (down->first[i] + k) * source_stride;
                    uint32_t w = wy[k];
                    for (size_t x = 0; x < in_elements; ++x) sums[x] += s[x] * w;
                }
                if (bpp == 3) rows_to_bytes<3>(out, 0, sums, 0, 1, across, d);
                else rows_to_bytes<4>(out, 0, sums, 0, 1, across, d);
            }
        }
    }
    std::free(acc);
    std::free(sums);
    free_area_table(down);
    free_area_table(across);
    return done;
}
