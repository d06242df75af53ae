// The cubic resampler.
#include "image/resample.h"

#include <cmath>
#include <cstdlib>

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

void cubic_columns(uint8_t* destination, const uint8_t* source, int32_t width, const ContributionTable* table,
                   double* scratch) {
    const size_t row_bytes = static_cast<size_t>(width) * 4;
    for (int32_t i = 0; i < table->destination_size; ++i) {
        const Contribution& e = table->entries[i];
        for (size_t x = 0; x < row_bytes; ++x) scratch[x] = 0;
        for (int32_t k = 0; k < e.count; ++k) {
            const uint8_t* s = source + static_cast<size_t>(e.first + k) * row_bytes;
            double w = e.weights[k];
            for (size_t x = 0; x < row_bytes; ++x) scratch[x] += s[x] * w;
        }
        uint8_t* d = destination + static_cast<size_t>(i) * row_bytes;
        for (size_t x = 0; x < row_bytes; ++x) d[x] = to_byte(scratch[x]);
    }
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
