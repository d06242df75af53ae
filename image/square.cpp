// The square scaled straight from the picture's rows.  The area average is
// computed columns first: for each destination row the contributing source
// rows are summed with their integer weights (one streaming pass over the
// bytes, which the compiler vectorises), then the row of sums is averaged
// across.  Its sums are exact integers, so the order of the two passes does
// not change a byte against area_resample on the grabbed copy.
//
// A drag or a wheel notch asks for the same side again and again: the
// weights of the last side and each part's buffers are kept from one call to
// the next, so an update at an unchanged side allocates nothing.  The
// destination's rows are split into parts on the threads of image/parallel;
// each computes its rows exactly as one thread would.
#include "image/square.h"

#include <cstring>
#include <numeric>

#include "image/lease.h"
#include "image/parallel.h"
#include "image/pixels.h"
#include "image/resample.h"

namespace {

// The weights of the last side scaled, for each filter.
struct KeptTables {
    AreaTable* area = nullptr;
    ContributionTable* cubic = nullptr;
    KeptTables() = default;
    KeptTables(const KeptTables&) = delete;
    KeptTables& operator=(const KeptTables&) = delete;
    ~KeptTables() {
        free_area_table(area);
        free_contributions(cubic);
    }
};

const AreaTable* area_table(KeptTables& tables, int32_t size, int32_t side) {
    AreaTable*& t = tables.area;
    if (t && t->destination_size == size && t->source_size == side) return t;
    free_area_table(t);
    t = make_area_table(size, side);
    return t;
}

// The cubic weights, without the taps of weight 0 at either end (they add
// nothing, not even a rounding).
const ContributionTable* cubic_table(KeptTables& tables, int32_t size, int32_t side) {
    ContributionTable*& t = tables.cubic;
    if (t && t->destination_size == size && t->source_size == side) return t;
    free_contributions(t);
    t = make_contributions(size, side);
    for (int32_t i = 0; t && i < size; ++i) {
        Contribution& e = t->entries[i];
        while (e.count > 1 && e.weights[0] == 0) ++e.first, ++e.weights, --e.count;
        while (e.count > 1 && e.weights[e.count - 1] == 0) --e.count;
    }
    return t;
}

// What each part of a scaling keeps.
struct PartMemory {
    KeptBuffer sums, plain, ring, row, scratch, columns;
};

struct Memory {
    KeptTables tables;
    PartMemory parts[MAX_PART_COUNT];
};


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
    uint64_t m;  // below 2^33
    int shift;
    uint32_t half;
};

ExactDivider make_exact_divider(uint64_t den) {
    int l = 0;
    while ((uint64_t{1} << l) < den) ++l;
    const int s = 32 + l;
    const unsigned __int128 power = static_cast<unsigned __int128>(1) << s;
    return ExactDivider{static_cast<uint64_t>((power + den - 1) / den), s, static_cast<uint32_t>(den / 2)};
}

inline uint8_t exact_divide(uint32_t num, const ExactDivider& d) {
    const uint64_t q = static_cast<uint64_t>((static_cast<unsigned __int128>(uint64_t{num} + d.half) * d.m) >> d.shift);
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

// plain (=|+=) the sum of M rows, element by element, in 16 bits.
template <int M, bool ADD>
void add_rows(uint16_t* plain, const uint8_t* const* r, size_t n) {
    for (size_t e = 0; e < n; ++e) {
        uint16_t v = ADD ? plain[e] : 0;
        v = static_cast<uint16_t>(v + r[0][e]);
        if constexpr (M > 1) v = static_cast<uint16_t>(v + r[1][e]);
        if constexpr (M > 2) v = static_cast<uint16_t>(v + r[2][e]);
        if constexpr (M > 3) v = static_cast<uint16_t>(v + r[3][e]);
        plain[e] = v;
    }
}

template <bool ADD>
void add_rows(uint16_t* plain, const uint8_t* const* r, int m, size_t n) {
    switch (m) {
        case 1: add_rows<1, ADD>(plain, r, n); break;
        case 2: add_rows<2, ADD>(plain, r, n); break;
        case 3: add_rows<3, ADD>(plain, r, n); break;
        default: add_rows<4, ADD>(plain, r, n); break;
    }
}

// One scaling by the area average, shared by its parts.
struct AreaJob {
    uint8_t* destination;
    int64_t destination_stride;
    int32_t size;
    const uint8_t* source;
    int64_t source_stride;
    int32_t source_height;
    int64_t x, y;
    int32_t side;
    Overlap o;
    const AreaTable* t;
    bool narrow;
    ExactDivider exact;
    AreaDivider d;
    uint32_t full;  // the weight of a source row wholly inside a footprint (D / gcd)
    int64_t first_out, last_out;  // output pixels whose footprint meets the picture's columns
    int32_t parts;
    bool failed[4];
};

// Destination rows size x part / parts up to the next part's.
template <int BPP>
void area_part(AreaJob& job, PartMemory& part_memory, int32_t part) {
    const AreaTable* t = job.t;
    const Overlap& o = job.o;
    const int32_t size = job.size;
    const size_t row_bytes = static_cast<size_t>(size) * BPP;
    auto* sums = part_memory.sums.get<uint32_t>(static_cast<size_t>(job.side) * BPP);
    // Rows wholly inside a footprint are summed in 16 bits, which holds up to 257 of them.
    auto* plain = part_memory.plain.get<uint16_t>(BLOCK);
    if (!sums || !plain) {
        job.failed[part] = true;
        return;
    }
    // Footprints reaching past the picture's columns read zero sums there.
    std::memset(sums, 0, static_cast<size_t>(o.c0) * BPP * sizeof *sums);
    std::memset(sums + o.c1 * BPP, 0, static_cast<size_t>(job.side - o.c1) * BPP * sizeof *sums);
    uint32_t* in = sums + o.c0 * BPP;
    const size_t in_count = static_cast<size_t>(o.c1 - o.c0) * BPP;
    const int32_t i0 = static_cast<int32_t>(int64_t{size} * part / job.parts);
    const int32_t i1 = static_cast<int32_t>(int64_t{size} * (part + 1) / job.parts);
    for (int32_t i = i0; i < i1; ++i) {
        uint8_t* out = job.destination + i * job.destination_stride;
        const uint32_t* wy = t->weights + t->offset[i];
        // The contributing rows inside the picture; their sums are made a
        // block of columns at a time, so that the block stays in the cache
        // while every row adds to it.
        int32_t k0 = 0, k1 = t->count[i];
        while (k0 < k1 && (t->first[i] + k0 < o.j0 || t->first[i] + k0 >= o.j1)) ++k0;
        while (k1 > k0 && (t->first[i] + k1 - 1 < o.j0 || t->first[i] + k1 - 1 >= o.j1)) --k1;
        const bool any = k0 < k1;
        const bool sixteen = k1 - k0 <= 257;
        auto row = [&](int32_t k) {
            return source_row(job.source, job.source_stride, job.source_height, BPP, job.x, job.y, job.side,
                              t->first[i] + k, o.c0);
        };
        for (size_t b0 = 0; any && b0 < in_count; b0 += BLOCK) {
            const size_t n = in_count - b0 < BLOCK ? in_count - b0 : BLOCK;
            uint32_t* block = in + b0;
            bool weighted = false, summed = false;
            for (int32_t k = k0; k < k1;) {
                if (sixteen && wy[k] == job.full) {
                    // Up to four whole rows in one pass over the block.
                    const uint8_t* r[4];
                    int m = 0;
                    while (k < k1 && m < 4 && wy[k] == job.full) r[m++] = row(k++) + b0;
                    if (summed) add_rows<true>(plain, r, m, n);
                    else add_rows<false>(plain, r, m, n);
                    summed = true;
                    continue;
                }
                const uint8_t* s = row(k) + b0;
                const uint32_t w = wy[k++];
                if (!weighted) for (size_t e = 0; e < n; ++e) block[e] = s[e] * w;
                else for (size_t e = 0; e < n; ++e) block[e] += s[e] * w;
                weighted = true;
            }
            if (!summed) continue;
            const uint32_t full = job.full;
            if (!weighted && full == 1) for (size_t e = 0; e < n; ++e) block[e] = plain[e];
            else if (!weighted) for (size_t e = 0; e < n; ++e) block[e] = plain[e] * full;
            else for (size_t e = 0; e < n; ++e) block[e] += plain[e] * full;
        }
        if (!any || job.first_out > job.last_out) {
            std::memset(out, 0, row_bytes);
            continue;
        }
        std::memset(out, 0, static_cast<size_t>(job.first_out) * BPP);
        if (job.narrow) average_across_narrow<BPP>(out, sums, t, job.first_out, job.last_out, job.exact);
        else average_across_wide<BPP>(out, sums, t, job.first_out, job.last_out, job.d);
        std::memset(out + (job.last_out + 1) * BPP, 0, static_cast<size_t>(size - 1 - job.last_out) * BPP);
    }
}

template <int BPP>
bool area_square(uint8_t* destination, int64_t destination_stride, int32_t size, const uint8_t* source,
                 int64_t source_stride, int32_t source_height, int64_t x, int64_t y, int32_t side,
                 const Overlap& o, Memory& memory) {
    const size_t row_bytes = static_cast<size_t>(size) * BPP;
    if (o.empty()) {
        for (int32_t i = 0; i < size; ++i) std::memset(destination + i * destination_stride, 0, row_bytes);
        return true;
    }
    const AreaTable* t = area_table(memory.tables, size, side);
    if (!t) return false;
    // The same table serves both axes: the square is scaled alike across and down.
    const uint64_t total = static_cast<uint64_t>(t->total) * t->total;
    AreaJob job{destination, destination_stride, size, source, source_stride, source_height, x, y, side, o, t,
                // A sum is at most 255 x total: 32 bits suffice unless the totals are large.
                255 * total + total / 2 <= UINT32_MAX, make_exact_divider(total), make_area_divider(total),
                static_cast<uint32_t>(size / std::gcd(size, side)), 0, size - 1,
                // A few rows are not worth a second thread.
                size >= 64 ? part_count() : 1, {}};
    while (job.first_out < size && t->first[job.first_out] + t->count[job.first_out] <= o.c0) ++job.first_out;
    while (job.last_out >= 0 && t->first[job.last_out] >= o.c1) --job.last_out;
    auto run = [&job, &memory](int32_t part) { area_part<BPP>(job, memory.parts[part], part); };
    run_parts(job.parts, run);
    for (int32_t part = 0; part < job.parts; ++part)
        if (job.failed[part]) return false;
    return true;
}

// The cubic resample of the grabbed copy, rows first as cubic_resample takes
// a square to a square.  Each copy row (zero outside the picture, fully
// transparent pixels white) is passed across as it is needed and kept in a
// ring of as many rows as a destination row's taps, so no size x side
// intermediate is ever held.
struct CubicJob {
    uint8_t* destination;
    int32_t size;
    const uint8_t* source;
    int64_t source_stride;
    int32_t source_height;
    int32_t bpp;
    int64_t x, y;
    int32_t side;
    Overlap o;
    const ContributionTable* t;
    int32_t parts;
    bool failed[4];
};

// Copy row j passed across, into `to`.
void cubic_copy_row(const CubicJob& job, int64_t j, double* row, uint8_t* to) {
    const Overlap& o = job.o;
    // What the copy holds outside the picture: zero, which a 32-bit picture's
    // filter takes as transparent white.
    const double outside = job.bpp == 4 ? 255 : 0;
    auto fill = [&](int64_t c0, int64_t c1) {
        for (double* p = row + 4 * c0; p < row + 4 * c1; p += 4) p[0] = p[1] = p[2] = outside, p[3] = 0;
    };
    if (o.empty() || j < o.j0 || j >= o.j1) {
        fill(0, job.side);
    } else {
        fill(0, o.c0);
        fill(o.c1, job.side);
        const uint8_t* from = source_row(job.source, job.source_stride, job.source_height, job.bpp, job.x, job.y,
                                         job.side, j, o.c0);
        pixels_to_doubles(row + 4 * o.c0, from, static_cast<size_t>(o.c1 - o.c0), job.bpp);
    }
    cubic_across_row(to, row, job.t);
}

void cubic_part(CubicJob& job, PartMemory& part_memory, int32_t part) {
    const ContributionTable* t = job.t;
    const int32_t slots = t->max_taps;
    const size_t out_row = static_cast<size_t>(job.size) * 4;
    auto* ring = part_memory.ring.get<uint8_t>(static_cast<size_t>(slots) * out_row);
    auto* row = part_memory.row.get<double>(static_cast<size_t>(job.side) * 4);
    auto* scratch = part_memory.scratch.get<double>(out_row);
    if (!ring || !row || !scratch) {
        job.failed[part] = true;
        return;
    }
    const int32_t i0 = static_cast<int32_t>(int64_t{job.size} * part / job.parts);
    const int32_t i1 = static_cast<int32_t>(int64_t{job.size} * (part + 1) / job.parts);
    int64_t made = -1;  // the last copy row passed across
    for (int32_t i = i0; i < i1; ++i) {
        const Contribution& e = t->entries[i];
        const int64_t last = int64_t{e.first} + e.count - 1;
        for (int64_t j = made + 1 > e.first ? made + 1 : e.first; j <= last; ++j)
            cubic_copy_row(job, j, row, ring + static_cast<size_t>(j % slots) * out_row);
        if (last > made) made = last;
        cubic_down_row(job.destination + i * out_row, ring, slots, e, job.size, scratch);
    }
}

bool cubic_square(uint8_t* destination, int64_t destination_stride, int32_t size, const uint8_t* source,
                  int64_t source_stride, int32_t source_height, int32_t bpp, int64_t x, int64_t y, int32_t side,
                  const Overlap& o, Memory& memory) {
    if (destination_stride != static_cast<int64_t>(size) * 4) return false;
    const ContributionTable* t = cubic_table(memory.tables, size, side);
    if (!t) return false;
    CubicJob job{destination, size, source, source_stride, source_height, bpp, x, y, side, o, t,
                 size >= 64 ? part_count() : 1, {}};
    auto run = [&job, &memory](int32_t part) { cubic_part(job, memory.parts[part], part); };
    run_parts(job.parts, run);
    for (int32_t part = 0; part < job.parts; ++part)
        if (job.failed[part]) return false;
    return true;
}

}  // namespace

bool scale_square(uint8_t* destination, int64_t destination_stride, int32_t size, const uint8_t* source,
                  int64_t source_stride, int32_t source_width, int32_t source_height, int32_t bytes_per_pixel,
                  int64_t x, int64_t y, int32_t side, SquareFilter filter) {
    if (!destination || size < 1 || side < 1 || source_width < 0 || source_height < 0) return false;
    if (bytes_per_pixel != 3 && bytes_per_pixel != 4) return false;
    if (source_width > 0 && source_height > 0 && !source) return false;
    const Overlap o = overlap(source_width, source_height, x, y, side);
    if (side == size)
        return copy_square(destination, destination_stride, source, source_stride, source_height, bytes_per_pixel, x,
                           y, side, o);
    const Lease<Memory> lease;
    if (!lease.get()) return false;
    if (filter == SQUARE_CUBIC)
        return bytes_per_pixel == 4 && cubic_square(destination, destination_stride, size, source, source_stride,
                                                    source_height, 4, x, y, side, o, *lease.get());
    if (bytes_per_pixel == 3)
        return area_square<3>(destination, destination_stride, size, source, source_stride, source_height, x, y,
                              side, o, *lease.get());
    return area_square<4>(destination, destination_stride, size, source, source_stride, source_height, x, y, side,
                          o, *lease.get());
}

bool sample_square(uint8_t* destination, int64_t destination_stride, int32_t size, const uint8_t* source,
                   int64_t source_stride, int32_t source_width, int32_t source_height, int32_t bytes_per_pixel,
                   int64_t x, int64_t y, int32_t side, bool whiten_transparent) {
    if (!destination || size < 1 || side < 1 || source_width < 0 || source_height < 0) return false;
    if (bytes_per_pixel != 3 && bytes_per_pixel != 4) return false;
    if (source_width > 0 && source_height > 0 && !source) return false;
    const int32_t bpp = bytes_per_pixel;
    // The picture column of each destination column, or -1 outside it.
    const Lease<Memory> lease;
    int64_t* columns = lease.get() ? lease.get()->parts[0].columns.get<int64_t>(static_cast<size_t>(size)) : nullptr;
    if (!columns) return false;
    for (int32_t i = 0; i < size; ++i) {
        const wide px = static_cast<wide>(x) + (static_cast<wide>(2 * i + 1) * side) / (2 * static_cast<wide>(size));
        columns[i] = px >= 0 && px < source_width ? static_cast<int64_t>(px) : -1;
    }
    for (int32_t r = 0; r < size; ++r) {
        // Destination memory row r is canvas row size - 1 - r (bottom-up).
        const int32_t row = size - 1 - r;
        const wide py = static_cast<wide>(y) + (static_cast<wide>(2 * row + 1) * side) / (2 * static_cast<wide>(size));
        uint8_t* d = destination + r * destination_stride;
        if (py < 0 || py >= source_height) {
            std::memset(d, 0, static_cast<size_t>(size) * bpp);
        } else {
            const uint8_t* s = source + (source_height - 1 - static_cast<int64_t>(py)) * source_stride;
            for (int32_t i = 0; i < size; ++i)
                if (columns[i] < 0) std::memset(d + i * bpp, 0, bpp);
                else std::memcpy(d + i * bpp, s + columns[i] * bpp, bpp);
        }
        if (whiten_transparent && bpp == 4) transparent_to_white(d, static_cast<size_t>(size));
    }
    return true;
}

bool cubic_square_32(uint8_t* destination, int64_t destination_stride, int32_t size, const uint8_t* source,
                     int64_t source_stride, int32_t source_width, int32_t source_height, int32_t bytes_per_pixel,
                     int64_t x, int64_t y, int32_t side) {
    if (!destination || size < 1 || side < 1 || source_width < 0 || source_height < 0) return false;
    if (bytes_per_pixel != 3 && bytes_per_pixel != 4) return false;
    if (source_width > 0 && source_height > 0 && !source) return false;
    const Lease<Memory> lease;
    return lease.get() && cubic_square(destination, destination_stride, size, source, source_stride, source_height,
                                       bytes_per_pixel, x, y, side, overlap(source_width, source_height, x, y, side),
                                       *lease.get());
}
