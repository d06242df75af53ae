// Scaling a square as it was before the weights and buffers were kept from
// one update to the next and the cubic filter streamed its rows: the old path
// of bench/live_update_winbench.cpp.
#pragma once

#include <cstdlib>
#include <cstring>
#include <numeric>

#include "core/memory.h"
#include "image/pixels.h"
#include "image/resample.h"
#include "image/square.h"

namespace before {

namespace {

using wide = __int128;

// Where the square meets the picture.  Columns c and memory rows j are the
// grabbed copy's: column c is picture column x + c, memory row j (the copy
// is stored bottom-up) is picture row y + side - 1 - j.
struct Overlap {
    int64_t c0, c1;  // columns inside the picture: c0 <= c < c1
    int64_t j0, j1;  // memory rows inside the picture: j0 <= j < j1
    bool empty() const { return c0 >= c1 || j0 >= j1; }
};

Overlap overlap(int32_t source_width, int32_t source_height, int64_t x, int64_t y, int32_t side) {
    auto clamp = [side](wide v) { return static_cast<int64_t>(v < 0 ? 0 : v > side ? side : v); };
    Overlap o;
    o.c0 = clamp(-static_cast<wide>(x));
    o.c1 = clamp(static_cast<wide>(source_width) - x);
    // Picture row py = y + side - 1 - j lies in [0, H) for j in (y + side - 1 - H, y + side - 1].
    o.j0 = clamp(static_cast<wide>(y) + side - source_height);
    o.j1 = clamp(static_cast<wide>(y) + side);
    return o;
}

// The source row behind the copy's memory row j (inside the overlap), at column c0.
const uint8_t* source_row(const uint8_t* source, int64_t stride, int32_t source_height, int32_t bpp, int64_t x,
                          int64_t y, int32_t side, int64_t j, int64_t c0) {
    const int64_t py = y + side - 1 - j;
    return source + (source_height - 1 - py) * stride + (x + c0) * bpp;
}

bool copy_square(uint8_t* destination, int64_t destination_stride, const uint8_t* source, int64_t source_stride,
                 int32_t source_height, int32_t bpp, int64_t x, int64_t y, int32_t side, const Overlap& o) {
    const size_t row_bytes = static_cast<size_t>(side) * bpp;
    for (int64_t j = 0; j < side; ++j) {
        uint8_t* d = destination + j * destination_stride;
        if (o.empty() || j < o.j0 || j >= o.j1) {
            std::memset(d, 0, row_bytes);
            continue;
        }
        std::memset(d, 0, static_cast<size_t>(o.c0) * bpp);
        std::memcpy(d + o.c0 * bpp, source_row(source, source_stride, source_height, bpp, x, y, side, j, o.c0),
                    static_cast<size_t>(o.c1 - o.c0) * bpp);
        std::memset(d + o.c1 * bpp, 0, static_cast<size_t>(side - o.c1) * bpp);
    }
    return true;
}

// Sums of one destination row across: output pixels first_out..last_out
// (those whose footprint meets the picture's columns); the others are 0.
// (num + den / 2) / den exactly for num + den / 2 below 2^32, by one
// multiplication: with s = 32 + ceil(log2 den) and m = ceil(2^s / den), the
// error of num x m / 2^s against num / den stays below 1 / den.
struct ExactDivider {
    unsigned __int128 m;
    int shift;
    uint32_t half;
};

ExactDivider make_exact_divider(uint64_t den) {
    int l = 0;
    while ((uint64_t{1} << l) < den) ++l;
    const int s = 32 + l;
    const unsigned __int128 power = static_cast<unsigned __int128>(1) << s;
    return ExactDivider{(power + den - 1) / den, s, static_cast<uint32_t>(den / 2)};
}

inline uint8_t exact_divide(uint32_t num, const ExactDivider& d) {
    const uint64_t q = static_cast<uint64_t>((static_cast<unsigned __int128>(num + d.half) * d.m) >> d.shift);
    return static_cast<uint8_t>(q > 255 ? 255 : q);
}

// Sums of one destination row across: output pixels first_out..last_out
// (those whose footprint meets the picture's columns); the others are 0.
// Narrow: every sum and its rounding fit 32 bits.
template <int BPP>
void average_across_narrow(uint8_t* out, const uint32_t* sums, const AreaTable* t, int64_t first_out,
                           int64_t last_out, const ExactDivider& d) {
    for (int64_t i = first_out; i <= last_out; ++i) {
        const uint32_t* p = sums + static_cast<size_t>(t->first[i]) * BPP;
        const uint32_t* w = t->weights + t->offset[i];
        uint32_t acc[BPP] = {};
        for (int32_t k = 0; k < t->count[i]; ++k, p += BPP)
            for (int c = 0; c < BPP; ++c) acc[c] += p[c] * w[k];
        for (int c = 0; c < BPP; ++c) out[i * BPP + c] = exact_divide(acc[c], d);
    }
}

template <int BPP>
void average_across_wide(uint8_t* out, const uint32_t* sums, const AreaTable* t, int64_t first_out,
                         int64_t last_out, const AreaDivider& d) {
    for (int64_t i = first_out; i <= last_out; ++i) {
        const uint32_t* p = sums + static_cast<size_t>(t->first[i]) * BPP;
        const uint32_t* w = t->weights + t->offset[i];
        uint64_t acc[BPP] = {};
        for (int32_t k = 0; k < t->count[i]; ++k, p += BPP)
            for (int c = 0; c < BPP; ++c) acc[c] += static_cast<uint64_t>(p[c]) * w[k];
        for (int c = 0; c < BPP; ++c) out[i * BPP + c] = area_divide(acc[c], d);
    }
}

// Sums per block of the columns pass: 16 KB, well inside the first-level cache.
constexpr size_t BLOCK = 4096;

template <int BPP>
bool area_square(uint8_t* destination, int64_t destination_stride, int32_t size, const uint8_t* source,
                 int64_t source_stride, int32_t source_height, int64_t x, int64_t y, int32_t side,
                 const Overlap& o) {
    const size_t row_bytes = static_cast<size_t>(size) * BPP;
    if (o.empty()) {
        for (int32_t i = 0; i < size; ++i) std::memset(destination + i * destination_stride, 0, row_bytes);
        return true;
    }
    AreaTable* t = make_area_table(size, side);
    auto* sums = static_cast<uint32_t*>(std::calloc(static_cast<size_t>(side) * BPP, sizeof(uint32_t)));
    if (!t || !sums) {
        free_area_table(t);
        std::free(sums);
        return false;
    }
    // The same table serves both axes: the square is scaled alike across and down.
    const uint64_t total = static_cast<uint64_t>(t->total) * t->total;
    const AreaDivider d = make_area_divider(total);
    // A sum is at most 255 x total: 32 bits suffice unless the totals are large.
    const bool narrow = 255 * total + total / 2 <= UINT32_MAX;
    const ExactDivider exact = make_exact_divider(total);
    // The weight of a source row wholly inside a footprint (D / gcd): such
    // rows are summed in 16 bits, which holds up to 257 of them.
    const uint32_t full = static_cast<uint32_t>(size / std::gcd(size, side));
    uint16_t* plain = static_cast<uint16_t*>(std::malloc(BLOCK * sizeof(uint16_t)));
    // Output pixels whose footprint meets columns c0 .. c1 - 1.
    int64_t first_out = 0, last_out = size - 1;
    while (first_out < size && t->first[first_out] + t->count[first_out] <= o.c0) ++first_out;
    while (last_out >= 0 && t->first[last_out] >= o.c1) --last_out;

    uint32_t* in = sums + o.c0 * BPP;
    const size_t in_count = static_cast<size_t>(o.c1 - o.c0) * BPP;
    for (int32_t i = 0; i < size; ++i) {
        uint8_t* out = destination + i * destination_stride;
        const uint32_t* wy = t->weights + t->offset[i];
        // The contributing rows inside the picture; their sums are made a
        // block of columns at a time, so that the block stays in the cache
        // while every row adds to it.
        int32_t k0 = 0, k1 = t->count[i];
        while (k0 < k1 && (t->first[i] + k0 < o.j0 || t->first[i] + k0 >= o.j1)) ++k0;
        while (k1 > k0 && (t->first[i] + k1 - 1 < o.j0 || t->first[i] + k1 - 1 >= o.j1)) --k1;
        const bool any = k0 < k1;
        const bool sixteen = plain && k1 - k0 <= 257;
        for (size_t b0 = 0; any && b0 < in_count; b0 += BLOCK) {
            const size_t n = in_count - b0 < BLOCK ? in_count - b0 : BLOCK;
            uint32_t* block = in + b0;
            bool weighted = false, summed = false;
            for (int32_t k = k0; k < k1; ++k) {
                const uint8_t* s =
                    source_row(source, source_stride, source_height, BPP, x, y, side, t->first[i] + k, o.c0) + b0;
                const uint32_t w = wy[k];
                if (sixteen && w == full) {
                    if (!summed) for (size_t e = 0; e < n; ++e) plain[e] = s[e];
                    else for (size_t e = 0; e < n; ++e) plain[e] = static_cast<uint16_t>(plain[e] + s[e]);
                    summed = true;
                } else {
                    if (!weighted) for (size_t e = 0; e < n; ++e) block[e] = s[e] * w;
                    else for (size_t e = 0; e < n; ++e) block[e] += s[e] * w;
                    weighted = true;
                }
            }
            if (!summed) continue;
            if (!weighted && full == 1) for (size_t e = 0; e < n; ++e) block[e] = plain[e];
            else if (!weighted) for (size_t e = 0; e < n; ++e) block[e] = plain[e] * full;
            else for (size_t e = 0; e < n; ++e) block[e] += plain[e] * full;
        }
        if (!any || first_out > last_out) {
            std::memset(out, 0, row_bytes);
            continue;
        }
        std::memset(out, 0, static_cast<size_t>(first_out) * BPP);
        if (narrow) average_across_narrow<BPP>(out, sums, t, first_out, last_out, exact);
        else average_across_wide<BPP>(out, sums, t, first_out, last_out, d);
        std::memset(out + (last_out + 1) * BPP, 0, static_cast<size_t>(size - 1 - last_out) * BPP);
    }
    std::free(plain);
    std::free(sums);
    free_area_table(t);
    return true;
}

// The cubic resample of the grabbed copy, rows first as cubic_resample takes
// a square to a square: each copy row is made (zero outside the picture,
// fully transparent pixels white) and passed across at once, so only the
// size x side intermediate is ever held.
bool cubic_square(uint8_t* destination, int64_t destination_stride, int32_t size, const uint8_t* source,
                  int64_t source_stride, int32_t source_height, int32_t bpp, int64_t x, int64_t y, int32_t side,
                  const Overlap& o) {
    if (destination_stride != static_cast<int64_t>(size) * 4) return false;
    size_t temp_bytes;
    if (!multiply_size(static_cast<size_t>(size) * 4, static_cast<size_t>(side), &temp_bytes)) return false;
    ContributionTable* across = make_contributions(size, side);
    ContributionTable* down = make_contributions(size, side);
    auto* temp = static_cast<uint8_t*>(std::malloc(temp_bytes));
    auto* row = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(side) * 4));
    auto* scratch = static_cast<double*>(std::malloc(static_cast<size_t>(size) * 4 * sizeof(double)));
    const bool done = across && down && temp && row && scratch;
    if (done) {
        const size_t out_row = static_cast<size_t>(size) * 4;
        const uint8_t* outside = nullptr;  // the pass of a row wholly outside the picture, once made
        for (int64_t j = 0; j < side; ++j) {
            uint8_t* t = temp + static_cast<size_t>(j) * out_row;
            const bool inside = !o.empty() && j >= o.j0 && j < o.j1;
            if (!inside && outside) {
                std::memcpy(t, outside, out_row);
                continue;
            }
            std::memset(row, 0, static_cast<size_t>(side) * 4);
            if (inside && bpp == 4) {
                std::memcpy(row + o.c0 * 4, source_row(source, source_stride, source_height, 4, x, y, side, j, o.c0),
                            static_cast<size_t>(o.c1 - o.c0) * 4);
            } else if (inside) {  // 24-bit pixels, opaque
                const uint8_t* from = source_row(source, source_stride, source_height, 3, x, y, side, j, o.c0);
                for (int64_t c = o.c0; c < o.c1; ++c, from += 3) {
                    uint8_t* to = row + c * 4;
                    to[0] = from[0], to[1] = from[1], to[2] = from[2], to[3] = 255;
                }
            }
            if (bpp == 4) transparent_to_white(row, static_cast<size_t>(side));
            cubic_rows(t, row, 1, across);
            if (!inside) outside = t;
        }
        cubic_columns(destination, temp, size, down, scratch);
    }
    std::free(scratch);
    std::free(row);
    std::free(temp);
    free_contributions(down);
    free_contributions(across);
    return done;
}

}  // namespace

inline bool scale_square(uint8_t* destination, int64_t destination_stride, int32_t size, const uint8_t* source,
                  int64_t source_stride, int32_t source_width, int32_t source_height, int32_t bytes_per_pixel,
                  int64_t x, int64_t y, int32_t side, SquareFilter filter) {
    if (!destination || size < 1 || side < 1 || source_width < 0 || source_height < 0) return false;
    if (bytes_per_pixel != 3 && bytes_per_pixel != 4) return false;
    if (source_width > 0 && source_height > 0 && !source) return false;
    const Overlap o = overlap(source_width, source_height, x, y, side);
    if (side == size)
        return copy_square(destination, destination_stride, source, source_stride, source_height, bytes_per_pixel, x,
                           y, side, o);
    if (filter == SQUARE_CUBIC)
        return bytes_per_pixel == 4 && cubic_square(destination, destination_stride, size, source, source_stride,
                                                    source_height, 4, x, y, side, o);
    if (bytes_per_pixel == 3)
        return area_square<3>(destination, destination_stride, size, source, source_stride, source_height, x, y,
                              side, o);
    return area_square<4>(destination, destination_stride, size, source, source_stride, source_height, x, y, side,
                          o);
}

}  // namespace before
