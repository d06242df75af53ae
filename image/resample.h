// Resampling kernels on plain pixel arrays.
//
// Cubic: Mitchell-Netravali with B = C = 1/3, separable, double-precision
// sums, for 32-bit pixels whose four channels are filtered alike.  The
// pictures are packed (stride 4 x width) and taken in memory order.
//
// Area average: each destination pixel is the area-weighted mean of the
// source pixels its footprint covers, per byte, rounded to nearest.  The
// weights are exact integers, so the only rounding is the final one.
#pragma once

#include <cstddef>
#include <cstdint>

// The taps of one destination index: source indices first .. first+count-1.
struct Contribution {
    int32_t first;
    int32_t count;
    const double* weights;
};

// The weights of one pass, from `source_size` to `destination_size` pixels.
struct ContributionTable {
    int32_t destination_size;
    int32_t source_size;
    int32_t max_taps;  // n = 2 x ceil(filter width) + 1
    Contribution* entries;
    double* weights;   // destination_size x max_taps
};

// The Mitchell-Netravali filter (B = C = 1/3) at x.
double mitchell_filter(double x);
// Null for sizes of 0 or less, or when memory runs out.
ContributionTable* make_contributions(int32_t destination_size, int32_t source_size);
void free_contributions(ContributionTable* table);

// One cubic pass along the rows: each of `rows` rows of table->source_size
// pixels becomes a row of table->destination_size pixels.
void cubic_rows(uint8_t* destination, const uint8_t* source, int32_t rows, const ContributionTable* table);
// One cubic pass along the columns of a picture `width` pixels wide.
void cubic_columns(uint8_t* destination, const uint8_t* source, int32_t width, const ContributionTable* table,
                   double* scratch /* 4 x width doubles */);

// Pixels as four doubles each, for cubic_across_row: `count` pixels of 3
// bytes (taken as opaque) or 4 bytes (fully transparent ones as
// (255, 255, 255, 0), as the cubic filter takes them).
void pixels_to_doubles(double* destination, const uint8_t* source, size_t count, int32_t bytes_per_pixel);
// One cubic pass across one row whose table->source_size pixels are given as
// four doubles each (the bytes' values), into table->destination_size
// pixels: the bytes cubic_rows gives for the same row.
void cubic_across_row(uint8_t* destination, const double* source, const ContributionTable* table);
// Destination row e of the pass down, `width` pixels: the source rows
// e.first .. e.first + e.count - 1 weighted and summed in that order, row j
// read at rows + (j % slots) x width x 4 (a ring of rows; slots at least
// e.count).  scratch holds 4 x width doubles.
void cubic_down_row(uint8_t* destination, const uint8_t* rows, int32_t slots, const Contribution& e, int32_t width,
                    double* scratch);

// The whole cubic resample of packed 32-bit pictures, the smaller temporary
// first.  With whiten_transparent, fully transparent source pixels become
// (255, 255, 255, 0) first -- in place, and only once nothing can fail any
// more.  False when memory runs out (the source is then untouched).
bool cubic_resample(uint8_t* destination, int32_t width, int32_t height, uint8_t* source, int32_t source_width,
                    int32_t source_height, bool whiten_transparent);

// Area-average weights of one pass: integer overlaps of the destination
// footprints with the source pixels, totalling `total` for every index.
struct AreaTable {
    int32_t destination_size;
    int32_t source_size;
    uint32_t total;
    int32_t* first;      // destination_size entries
    int32_t* count;
    int32_t* offset;     // into weights
    uint32_t* weights;
};
// num / den rounded to nearest (halves up) for results 0..255: a double
// estimate, corrected to the exact quotient.  The area average's only
// rounding.
struct AreaDivider {
    uint64_t den;
    uint64_t half;
    double inverse;
};
inline AreaDivider make_area_divider(uint64_t den) { return {den, den / 2, 1.0 / static_cast<double>(den)}; }
inline uint8_t area_divide(uint64_t num, const AreaDivider& d) {
    uint64_t n = num + d.half;
    uint64_t q = static_cast<uint64_t>(static_cast<double>(n) * d.inverse);
    while (q * d.den > n) --q;
    while ((q + 1) * d.den <= n) ++q;
    return static_cast<uint8_t>(q > 255 ? 255 : q);
}

AreaTable* make_area_table(int32_t destination_size, int32_t source_size);
void free_area_table(AreaTable* table);

// Area-average resample between pictures of 3 or 4 bytes per pixel with
// their own strides (rows in memory order).  False when memory runs out.
bool area_resample(uint8_t* destination, int64_t destination_stride, int32_t width, int32_t height,
                   const uint8_t* source, int64_t source_stride, int32_t source_width, int32_t source_height,
                   int32_t bytes_per_pixel);
