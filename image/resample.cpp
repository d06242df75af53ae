// The cubic resampler.
#include "image/resample.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/memory.h"
#include "image/pixels.h"

namespace {

// The published Mitchell-Netravali coefficients, evaluated for B = C = 1/3.
constexpr double B = 1.0 / 3.0;
constexpr double C = 1.0 / 3.0;
constexpr double P0 = (6 - 2 * B) / 6;
constexpr double P2 = (-18 + 12 * B + 6 * C) / 6;
constexpr double P3 = (12 - 9 * B - 6 * C) / 6;
constexpr double Q0 = (8 * B + 24 * C) / 6;
constexpr double Q1 = (-12 * B - 48 * C) / 6;
constexpr double Q2 = (6 * B + 30 * C) / 6;
constexpr double Q3 = (-B - 6 * C) / 6;

// sum + 0.5 truncated toward zero, clamped to a byte.
inline uint8_t to_byte(double sum) {
    double v = sum + 0.5;
    if (v <= 0) return 0;
    if (v >= 255) return 255;
    return static_cast<uint8_t>(v);
}

#if defined(__SSE2__)
// to_byte of four sums at once: the same bytes (0.5 added, clamped to
// 0 .. 255, truncated).
inline void to_bytes(uint8_t* destination, __m128d low, __m128d high) {
    const __m128d half = _mm_set1_pd(0.5), zero = _mm_setzero_pd(), top = _mm_set1_pd(255);
    low = _mm_min_pd(_mm_max_pd(_mm_add_pd(low, half), zero), top);
    high = _mm_min_pd(_mm_max_pd(_mm_add_pd(high, half), zero), top);
    const __m128i words = _mm_unpacklo_epi64(_mm_cvttpd_epi32(low), _mm_cvttpd_epi32(high));
    const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(words, words), _mm_setzero_si128());
    const int32_t four = _mm_cvtsi128_si32(bytes);
    std::memcpy(destination, &four, 4);
}
#endif

}  // namespace

double mitchell_filter(double x) {
    double t = std::fabs(x);
    if (t < 1) return (P3 * t + P2) * t * t + P0;
    if (t < 2) return ((Q3 * t + Q2) * t + Q1) * t + Q0;
    return 0;
}

ContributionTable* make_contributions(int32_t destination_size, int32_t source_size) {
    if (destination_size <= 0 || source_size <= 0) return nullptr;
    double scale = static_cast<double>(destination_size) / source_size;
    double width = 2, f = 1;
    if (scale < 1) {
        width = 2 / scale;
        f = scale;
    }
    int32_t n = 2 * static_cast<int32_t>(std::ceil(width)) + 1;
    size_t count;
    if (!multiply_size(static_cast<size_t>(destination_size), static_cast<size_t>(n), &count) ||
        !multiply_size(count, sizeof(double), &count))
        return nullptr;
    auto* table = static_cast<ContributionTable*>(std::calloc(1, sizeof(ContributionTable)));
    if (!table) return nullptr;
    table->entries = static_cast<Contribution*>(std::calloc(destination_size, sizeof(Contribution)));
    table->weights = static_cast<double*>(std::malloc(count));
    if (!table->entries || !table->weights) {
        free_contributions(table);
        return nullptr;
    }
    table->destination_size = destination_size;
    table->source_size = source_size;
    table->max_taps = n;

    for (int32_t i = 0; i < destination_size; ++i) {
        double centre = (i + 0.5) / scale - 0.5;
        int64_t first = static_cast<int64_t>(std::floor(centre - width));
        int64_t last = static_cast<int64_t>(std::ceil(centre + width));
        if (first < 0) first = 0;
        if (last > source_size - 1) last = source_size - 1;
        // One tap too many drops the one with the lowest index.
        if (last - first + 1 > n) ++first;
        // Rounding can never make more than that, but an entry must not
        // outgrow its room whatever happens.
        if (last - first + 1 > n) last = first + n - 1;
        double* w = table->weights + static_cast<size_t>(i) * n;
        int32_t taps = static_cast<int32_t>(last - first + 1);
        double total = 0;
        for (int32_t k = 0; k < taps; ++k) {
            w[k] = mitchell_filter((centre - static_cast<double>(first + k)) * f) * f;
            total += w[k];
        }
        if (total > 0 && total != 1)
            for (int32_t k = 0; k < taps; ++k) w[k] /= total;
        table->entries[i] = {static_cast<int32_t>(first), taps, w};
    }
    return table;
}

void free_contributions(ContributionTable* table) {
    if (!table) return;
    std::free(table->entries);
    std::free(table->weights);
    std::free(table);
}

void cubic_rows(uint8_t* destination, const uint8_t* source, int32_t rows, const ContributionTable* table) {
    const int32_t D = table->destination_size, S = table->source_size;
    for (int32_t r = 0; r < rows; ++r) {
        const uint8_t* s = source + static_cast<size_t>(r) * S * 4;
        uint8_t* d = destination + static_cast<size_t>(r) * D * 4;
        for (int32_t i = 0; i < D; ++i) {
            const Contribution& e = table->entries[i];
            const uint8_t* p = s + static_cast<size_t>(e.first) * 4;
            double b = 0, g = 0, rr = 0, a = 0;
            for (int32_t k = 0; k < e.count; ++k, p += 4) {
                double w = e.weights[k];
                b += p[0] * w;
                g += p[1] * w;
                rr += p[2] * w;
                a += p[3] * w;
            }
            d[4 * i] = to_byte(b);
            d[4 * i + 1] = to_byte(g);
            d[4 * i + 2] = to_byte(rr);
            d[4 * i + 3] = to_byte(a);
        }
    }
}

namespace {

// The bodies of the two row passes, compiled twice: for any x86-64 processor
// and for those with AVX (four doubles an instruction), picked at run time.
// Each lane adds its products in the order cubic_rows and cubic_columns do
// (no fused multiply-add exists in either target), so the sums are the same
// to the bit.
[[gnu::always_inline]] inline void across_row(uint8_t* destination, const double* source,
                                              const ContributionTable* table, bool wide) {
    for (int32_t i = 0; i < table->destination_size; ++i) {
        const Contribution& e = table->entries[i];
        const double* p = source + static_cast<size_t>(e.first) * 4;
#if defined(__SSE2__)
        __m128d low = _mm_setzero_pd(), high = _mm_setzero_pd();
        if (wide) {
            // Plain vector arithmetic, which the AVX copy makes one 256-bit
            // operation; two neighbours at once when their taps are as many,
            // so that one's additions run while the other's wait.
            using four = double __attribute__((vector_size(32)));
            four sum = {0, 0, 0, 0}, v;
            if (i + 1 < table->destination_size && table->entries[i + 1].count == e.count) {
                const Contribution& e2 = table->entries[i + 1];
                const double* p2 = source + static_cast<size_t>(e2.first) * 4;
                four sum2 = {0, 0, 0, 0}, v2;
                for (int32_t k = 0; k < e.count; ++k, p += 4, p2 += 4) {
                    std::memcpy(&v, p, sizeof v);
                    std::memcpy(&v2, p2, sizeof v2);
                    sum = sum + v * e.weights[k];
                    sum2 = sum2 + v2 * e2.weights[k];
                }
                to_bytes(destination + 4 * i, _mm_set_pd(sum[1], sum[0]), _mm_set_pd(sum[3], sum[2]));
                ++i;
                to_bytes(destination + 4 * i, _mm_set_pd(sum2[1], sum2[0]), _mm_set_pd(sum2[3], sum2[2]));
                continue;
            }
            for (int32_t k = 0; k < e.count; ++k, p += 4) {
                std::memcpy(&v, p, sizeof v);
                sum = sum + v * e.weights[k];
            }
            low = _mm_set_pd(sum[1], sum[0]);
            high = _mm_set_pd(sum[3], sum[2]);
        } else {
            for (int32_t k = 0; k < e.count; ++k, p += 4) {
                const __m128d w = _mm_set1_pd(e.weights[k]);
                low = _mm_add_pd(low, _mm_mul_pd(_mm_loadu_pd(p), w));
                high = _mm_add_pd(high, _mm_mul_pd(_mm_loadu_pd(p + 2), w));
            }
        }
        to_bytes(destination + 4 * i, low, high);
#else
        (void)wide;
        double sum[4] = {};
        for (int32_t k = 0; k < e.count; ++k, p += 4)
            for (int c = 0; c < 4; ++c) sum[c] += p[c] * e.weights[k];
        for (int c = 0; c < 4; ++c) destination[4 * i + c] = to_byte(sum[c]);
#endif
    }
}

[[gnu::always_inline]] inline void down_row(uint8_t* destination, const uint8_t* rows, int32_t slots,
                                            const Contribution& e, int32_t width, double* scratch) {
    const size_t row_bytes = static_cast<size_t>(width) * 4;
    for (size_t x = 0; x < row_bytes; ++x) scratch[x] = 0;
    for (int32_t k = 0; k < e.count; ++k) {
        const uint8_t* s = rows + static_cast<size_t>((e.first + k) % slots) * row_bytes;
        const double w = e.weights[k];
        for (size_t x = 0; x < row_bytes; ++x) scratch[x] += s[x] * w;
    }
#if defined(__SSE2__)
    for (size_t x = 0; x < row_bytes; x += 4)
        to_bytes(destination + x, _mm_loadu_pd(scratch + x), _mm_loadu_pd(scratch + x + 2));
#else
    for (size_t x = 0; x < row_bytes; ++x) destination[x] = to_byte(scratch[x]);
#endif
}

[[gnu::always_inline]] inline void to_doubles(double* destination, const uint8_t* source, size_t count,
                                              int32_t bpp, bool wide) {
    for (size_t i = 0; i < count; ++i, source += bpp, destination += 4) {
        uint32_t v;
        if (bpp == 4) {
            std::memcpy(&v, source, 4);
            if (!(v >> 24)) v = 0x00FFFFFF;
        } else {
            v = source[0] | source[1] << 8 | source[2] << 16 | 0xFF000000u;
        }
#if defined(__SSE2__)
        const __m128i words =
            _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(v)), _mm_setzero_si128()),
                               _mm_setzero_si128());
        if (wide) {
            // Four int32 to four doubles in one instruction in the AVX copy.
            using ints = int32_t __attribute__((vector_size(16)));
            using four = double __attribute__((vector_size(32)));
            const four d = __builtin_convertvector(reinterpret_cast<const ints&>(words), four);
            std::memcpy(destination, &d, sizeof d);
        } else {
            _mm_storeu_pd(destination, _mm_cvtepi32_pd(words));
            _mm_storeu_pd(destination + 2, _mm_cvtepi32_pd(_mm_shuffle_epi32(words, 0xEE)));
        }
#else
        (void)wide;
        for (int c = 0; c < 4; ++c) destination[c] = (v >> (8 * c)) & 255;
#endif
    }
}

void to_doubles_plain(double* d, const uint8_t* s, size_t n, int32_t bpp) { to_doubles(d, s, n, bpp, false); }
void across_row_plain(uint8_t* d, const double* s, const ContributionTable* t) { across_row(d, s, t, false); }
void down_row_plain(uint8_t* d, const uint8_t* rows, int32_t slots, const Contribution& e, int32_t w, double* s) {
    down_row(d, rows, slots, e, w, s);
}
#if defined(__x86_64__) && defined(__GNUC__)
#define ROUNDCUT_AVX 1
[[gnu::target("avx")]] void across_row_avx(uint8_t* d, const double* s, const ContributionTable* t) {
    across_row(d, s, t, true);
}
[[gnu::target("avx")]] void to_doubles_avx(double* d, const uint8_t* s, size_t n, int32_t bpp) {
    to_doubles(d, s, n, bpp, true);
}
[[gnu::target("avx")]] void down_row_avx(uint8_t* d, const uint8_t* rows, int32_t slots, const Contribution& e,
                                         int32_t w, double* s) {
    down_row(d, rows, slots, e, w, s);
}
#endif

bool has_avx() {
#ifdef ROUNDCUT_AVX
    static const bool avx = __builtin_cpu_supports("avx");
    return avx;
#else
    return false;
#endif
}

}  // namespace

void pixels_to_doubles(double* destination, const uint8_t* source, size_t count, int32_t bytes_per_pixel) {
#ifdef ROUNDCUT_AVX
    if (has_avx()) return to_doubles_avx(destination, source, count, bytes_per_pixel);
#endif
    to_doubles_plain(destination, source, count, bytes_per_pixel);
}

void cubic_across_row(uint8_t* destination, const double* source, const ContributionTable* table) {
#ifdef ROUNDCUT_AVX
    if (has_avx()) return across_row_avx(destination, source, table);
#endif
    across_row_plain(destination, source, table);
}

void cubic_down_row(uint8_t* destination, const uint8_t* rows, int32_t slots, const Contribution& e, int32_t width,
                    double* scratch) {
#ifdef ROUNDCUT_AVX
    if (has_avx()) return down_row_avx(destination, rows, slots, e, width, scratch);
#endif
    down_row_plain(destination, rows, slots, e, width, scratch);
}

void cubic_columns(uint8_t* destination, const uint8_t* source, int32_t width, const ContributionTable* table,
                   double* scratch) {
    const size_t row_bytes = static_cast<size_t>(width) * 4;
    for (int32_t i = 0; i < table->destination_size; ++i)
        cubic_down_row(destination + static_cast<size_t>(i) * row_bytes, source, table->source_size,
                       table->entries[i], width, scratch);
}

bool cubic_resample(uint8_t* destination, int32_t width, int32_t height, uint8_t* source, int32_t source_width,
                    int32_t source_height, bool whiten_transparent) {
    if (width <= 0 || height <= 0 || source_width <= 0 || source_height <= 0) return false;
    // The smaller of the two possible intermediates: w x ch or cw x h.
    bool rows_first = static_cast<int64_t>(width) * source_height <= static_cast<int64_t>(height) * source_width;
    int32_t temp_width = rows_first ? width : source_width;
    int32_t temp_height = rows_first ? source_height : height;
    size_t temp_bytes, scratch_bytes;
    if (!multiply_size(static_cast<size_t>(temp_width) * 4, static_cast<size_t>(temp_height), &temp_bytes) ||
        !multiply_size(static_cast<size_t>(rows_first ? width : source_width) * 4, sizeof(double), &scratch_bytes))
        return false;
    ContributionTable* across = make_contributions(width, source_width);
    ContributionTable* down = make_contributions(height, source_height);
    auto* temp = static_cast<uint8_t*>(std::malloc(temp_bytes));
    auto* scratch = static_cast<double*>(std::malloc(scratch_bytes));
    bool done = across && down && temp && scratch;
    if (done) {
        if (whiten_transparent)
            transparent_to_white(source, static_cast<size_t>(source_width) * static_cast<size_t>(source_height));
        if (rows_first) {
            cubic_rows(temp, source, source_height, across);
            cubic_columns(destination, temp, width, down, scratch);
        } else {
            cubic_columns(temp, source, source_width, down, scratch);
            cubic_rows(destination, temp, height, across);
        }
    }
    std::free(scratch);
    std::free(temp);
    free_contributions(down);
    free_contributions(across);
    return done;
}
