#include "detect/faces.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "image/lease.h"
#include "image/parallel.h"
#include "image/resample.h"

namespace {

constexpr double SCALE_FACTOR = 1.1;    // between one window size and the next
constexpr int32_t MIN_HITS = 3;         // hits a group needs to be an object
constexpr double GROUP_EPS = 0.2;       // how far corners of hits of one group may be, in sizes
constexpr int32_t MAX_HITS = 16384;     // beyond this many windows the rest are not kept
// The stage thresholds are stored rounded to six or seven digits; a sum on
// the line passes.
constexpr float THRESHOLD_SLACK = 1e-5f;
constexpr int32_t MAX_WORKERS = 4;      // threads sharing one scan
constexpr int32_t MAX_SCALES = 64;      // 1.1^64 = 445: beyond any picture
constexpr int64_t MAX_PIXELS = INT32_MAX / 255;  // a grey picture searched: its sums fit 31 bits
// The smallest window searched, in pixels of the search picture (the person
// cascade's own window).  A smaller face is too small to place a square on,
// and the cat cascade's windows from 24 to 44 were three quarters of its
// windows on a 640 x 480 picture.
constexpr int32_t MIN_FACE = 45;

// The shift from one window to the next, in pixels of the window's own
// scale.  Faces of people gather hits enough at 2; the cat cascade's hits
// are sparser (python3-skimage's cat photograph is missed from 1.75 on).
double step_per_scale(const Cascade& cascade) {
    return &cascade == &PERSON_FACE_CASCADE ? 2.0 : 1.5;
}

struct Integral {
    uint32_t* sums;  // (width + 1) x (height + 1), row 0 and column 0 zero
    int32_t stride;  // width + 1
};

// The integral image of a grey picture in `sums`, (width + 1) x (height + 1)
// elements.
Integral make_integral(const uint8_t* grey, int64_t stride, int32_t width, int32_t height, uint32_t* sums) {
    const size_t w = static_cast<size_t>(width) + 1;
    std::fill(sums, sums + w, 0u);
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* row = grey + y * stride;
        const uint32_t* above = sums + static_cast<size_t>(y) * w;
        uint32_t* here = sums + static_cast<size_t>(y + 1) * w;
        uint32_t line = 0;
        here[0] = 0;
        for (int32_t x = 0; x < width; ++x) {
            line += row[x];
            here[x + 1] = above[x + 1] + line;
        }
    }
    return Integral{sums, static_cast<int32_t>(w)};
}

// Memory kept for the next search (image/lease.h): the integral image and
// its packed copies (megabytes), and each part's column sums of a
// reduction.  Under Wine, memory fresh from the system costs about 10 us a
// page when first touched, more than the search itself.
struct IntegralMemory {
    KeptBuffer sums;
};


// A stump at one scale: the offsets, from a window's top-left corner in the
// integral image (packed or not), of the 4 x 4 corners of its feature's 3 x 3
// blocks, with the stump's leaf for each pattern beside them, so that a
// window reads the stumps in order.
struct ScaledStump {
    int32_t corner[16];
    const float* leaves;  // 256
};

// Each stump's leaf for each of the 256 patterns, 256 floats a stump: one
// load in place of a bit test and a choice.  Null when memory runs out.
float* spread_leaves(const Cascade& cascade, int32_t stumps) {
    float* table = static_cast<float*>(std::malloc(sizeof(float) * 256 * stumps));
    for (int32_t i = 0; table && i < stumps; ++i) {
        const CascadeWeak& weak = cascade.weak[i];
        for (uint32_t code = 0; code < 256; ++code)
            table[i * 256 + code] = weak.leaf[(weak.subset[code >> 5] >> (code & 31) & 1) ? 0 : 1];
    }
    return table;
}

// The pattern: one bit per outer block, clockwise from the top-left one,
// set when the block's sum is at least the centre's.  Modulo 2^32 the
// corners give each block's exact sum, below 2^31 in a picture of up to
// MAX_PIXELS.
inline uint32_t pattern(const uint32_t* at, const int32_t* c) {
    // Each corner row's differences of neighbouring corners, then each
    // block as the difference of two such.
    const uint32_t a0 = at[c[1]] - at[c[0]], a1 = at[c[2]] - at[c[1]], a2 = at[c[3]] - at[c[2]];
    const uint32_t b0 = at[c[5]] - at[c[4]], b1 = at[c[6]] - at[c[5]], b2 = at[c[7]] - at[c[6]];
    const uint32_t c0 = at[c[9]] - at[c[8]], c1 = at[c[10]] - at[c[9]], c2 = at[c[11]] - at[c[10]];
    const uint32_t d0 = at[c[13]] - at[c[12]], d1 = at[c[14]] - at[c[13]], d2 = at[c[15]] - at[c[14]];
    const uint32_t centre = c1 - b1;
    return (b0 - a0 >= centre) << 7 | (b1 - a1 >= centre) << 6 | (b2 - a2 >= centre) << 5 |
           (c2 - b2 >= centre) << 4 | (d2 - c2 >= centre) << 3 | (d1 - c1 >= centre) << 2 |
           (d0 - c0 >= centre) << 1 | (c0 - b0 >= centre);
}

// Windows side by side evaluated at once: LANES neighbouring windows of a
// row are neighbouring elements of a packed integral image.
constexpr int32_t LANES = 4;
// Packing costs a pass over the integral image: beyond this step the
// windows are too few to repay it.
constexpr int32_t MAX_PACKED_STEP = 6;

// The integral image rearranged for one window step: the columns x of one
// residue x % step together, in order of x / step, so that the same corner
// of LANES windows `step` apart is LANES consecutive elements.
struct Packed {
    uint32_t* sums;  // residue r, row y, column x / step at (r * rows + y) * pitch + x / step
    int32_t step, rows, pitch;
};

// The elements the packed integral image of one step takes, with LANES
// spare ones at the end: the lanes past a row's last window read them
// (their results are dropped).
size_t packed_size(int32_t stride, int32_t rows, int32_t step) {
    return static_cast<size_t>(step) * rows * ((stride + step - 1) / step) + LANES;
}

Packed pack(const Integral& integral, int32_t rows, int32_t step, uint32_t* sums) {
    const int32_t pitch = (integral.stride + step - 1) / step;
    const int32_t whole = integral.stride / step;  // columns every residue has
    const size_t plane = static_cast<size_t>(rows) * pitch;  // from one residue to the next
    for (int32_t y = 0; y < rows; ++y) {
        const uint32_t* from = integral.sums + static_cast<size_t>(y) * integral.stride;
        uint32_t* to = sums + static_cast<size_t>(y) * pitch;
        for (int32_t r = 0; r < step; ++r) {
            uint32_t* plane_row = to + r * plane;
            for (int32_t i = 0; i < whole; ++i) plane_row[i] = from[i * step + r];
            std::fill(plane_row + whole, plane_row + pitch, 0u);
            if (whole * step + r < integral.stride) plane_row[whole] = from[whole * step + r];
        }
    }
    std::fill(sums + step * plane, sums + step * plane + LANES, 0u);
    return Packed{sums, step, rows, pitch};
}

// The patterns of LANES windows side by side (see pattern()).
inline void patterns(const uint32_t* at, const int32_t* c, uint32_t* codes) {
#if defined(__SSE2__)
    const auto corner = [&](int i) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + c[i])); };
    const auto diff = [&](int i) { return _mm_sub_epi32(corner(i + 1), corner(i)); };
    const __m128i a0 = diff(0), a1 = diff(1), a2 = diff(2), b0 = diff(4), b1 = diff(5), b2 = diff(6);
    const __m128i c0 = diff(8), c1 = diff(9), c2 = diff(10), d0 = diff(12), d1 = diff(13), d2 = diff(14);
    // Block sums below 2^31 compare alike signed (as SSE2 does) or not.
    const __m128i centre = _mm_sub_epi32(c1, b1);
    const auto bit = [&](__m128i high, __m128i low, int value) {
        const __m128i below = _mm_cmplt_epi32(_mm_sub_epi32(high, low), centre);
        return _mm_andnot_si128(below, _mm_set1_epi32(value));
    };
    const __m128i code = _mm_or_si128(
        _mm_or_si128(_mm_or_si128(bit(b0, a0, 128), bit(b1, a1, 64)), _mm_or_si128(bit(b2, a2, 32), bit(c2, b2, 16))),
        _mm_or_si128(_mm_or_si128(bit(d2, c2, 8), bit(d1, c1, 4)), _mm_or_si128(bit(d0, c0, 2), bit(c0, b0, 1))));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(codes), code);
#else
    for (int32_t l = 0; l < LANES; ++l) codes[l] = pattern(at + l, c);
#endif
}

// Whether one window passes stages `first` on.
bool window_passes(const Cascade& cascade, int32_t first, const uint32_t* at, const ScaledStump* stumps) {
    for (int32_t s = first; s < cascade.stage_count; ++s) {
        const CascadeStage& stage = cascade.stages[s];
        float sum = 0;
        for (const ScaledStump *k = stumps + stage.first, *end = k + stage.count; k != end; ++k) {
            sum += k->leaves[pattern(at, k->corner)];
        }
        if (sum < stage.threshold - THRESHOLD_SLACK) return false;
    }
    return true;
}

// Which of LANES windows side by side (those set in `alive`) pass all
// stages; each lane adds its leaves in the order a single window would.
// The early stages reject most windows: once a single one is left, it goes
// on alone.
uint32_t windows_pass(const Cascade& cascade, const uint32_t* at, const ScaledStump* stumps, uint32_t alive) {
    for (int32_t s = 0; s < cascade.stage_count && alive; ++s) {
        if ((alive & (alive - 1)) == 0) {
            const int32_t l = std::countr_zero(alive);
            return window_passes(cascade, s, at + l, stumps) ? alive : 0;
        }
        const CascadeStage& stage = cascade.stages[s];
        float sum[LANES] = {};
        for (const ScaledStump *k = stumps + stage.first, *end = k + stage.count; k != end; ++k) {
            uint32_t codes[LANES];
            patterns(at, k->corner, codes);
            for (int32_t l = 0; l < LANES; ++l) sum[l] += k->leaves[codes[l]];
        }
        for (int32_t l = 0; l < LANES; ++l)
            if (sum[l] < stage.threshold - THRESHOLD_SLACK) alive &= ~(1u << l);
    }
    return alive;
}

int32_t stump_count(const Cascade& cascade) {
    const CascadeStage& last = cascade.stages[cascade.stage_count - 1];
    return last.first + last.count;
}

struct Hits {
    FaceBox* boxes;
    int32_t count;
};

// A window that passed, with the number of its scale, for putting the hits
// of the workers back in the order of one scan.
struct Hit {
    int32_t scale;
    FaceBox box;
};

// One scale of the search: its window and step.
struct Scale {
    double factor;
    int32_t width, height, step;
};

// One worker's share of the scan: its copy of the stumps scaled, its hits.
struct ScanPart {
    ScaledStump* stumps;
    Hit* hits;
    int32_t count;
};

// Every window that passes all stages, of every scale, in the rows of
// windows this worker takes: `rows_taken[scale]` counts a scale's rows taken
// by all.  `packs[step]` is the integral image packed for a step up to
// MAX_PACKED_STEP, packs[1] the integral image itself.
void scan(const Cascade& cascade, const float* leaves, const Packed* packs, const Scale* scales, int32_t scale_count,
          int32_t width, int32_t height, std::atomic<int32_t>* rows_taken, ScanPart* job) {
    ScaledStump* stumps = job->stumps;
    const int32_t stumps_used = stump_count(cascade);
    for (int32_t index = 0; index < scale_count; ++index) {
        const Scale& sc = scales[index];
        const int32_t step = sc.step;
        const Packed& packed = packs[step <= MAX_PACKED_STEP ? step : 1];
        const int32_t p = packed.step;
        int32_t reach_x = sc.width, reach_y = sc.height;
        for (int32_t i = 0; i < stumps_used; ++i) {
            const CascadeWeak& weak = cascade.weak[i];
            const CascadeRect& r = cascade.features[weak.feature];
            const int32_t x = static_cast<int32_t>(r.x * sc.factor);
            const int32_t y = static_cast<int32_t>(r.y * sc.factor);
            const int32_t w = static_cast<int32_t>(r.w * sc.factor);
            const int32_t h = static_cast<int32_t>(r.h * sc.factor);
            if (x + 3 * w > reach_x) reach_x = x + 3 * w;
            if (y + 3 * h > reach_y) reach_y = y + 3 * h;
            for (int j = 0; j < 4; ++j)
                for (int k = 0; k < 4; ++k) {
                    const int32_t cx = x + k * w, cy = y + j * h;
                    stumps[i].corner[j * 4 + k] = ((cx % p) * packed.rows + cy) * packed.pitch + cx / p;
                }
            stumps[i].leaves = leaves + 256 * i;
        }
        if (reach_x > width) continue;
        const int32_t columns = (width - reach_x) / step + 1;  // windows across, at x = 0, step, ...
        for (int32_t y; (y = rows_taken[index].fetch_add(1, std::memory_order_relaxed) * step) + reach_y <= height;) {
            const uint32_t* row = packed.sums + static_cast<size_t>(y) * packed.pitch;
            if (p != step) {  // not packed: one window at a time
                for (int32_t j = 0; j < columns; ++j)
                    if (window_passes(cascade, 0, row + j * step, stumps) && job->count < MAX_HITS)
                        job->hits[job->count++] = Hit{index, FaceBox{j * step, y, sc.width, sc.height}};
                continue;
            }
            for (int32_t j = 0; j < columns; j += LANES) {
                const uint32_t lanes = static_cast<uint32_t>(std::min(LANES, columns - j));
                uint32_t passed = windows_pass(cascade, row + j, stumps, (1u << lanes) - 1);
                for (int32_t l = 0; passed; ++l, passed >>= 1)
                    if ((passed & 1) && job->count < MAX_HITS)
                        job->hits[job->count++] = Hit{index, FaceBox{(j + l) * step, y, sc.width, sc.height}};
            }
        }
    }
}

struct ScanShare {
    const Cascade* cascade;
    const float* leaves;
    const Packed* packs;
    const Scale* scales;
    int32_t scale_count, width, height;
    ScanPart* jobs;
    std::atomic<int32_t> rows_taken[MAX_SCALES];
};

void scan_part(void* context, int32_t part) {
    ScanShare& s = *static_cast<ScanShare*>(context);
    scan(*s.cascade, s.leaves, s.packs, s.scales, s.scale_count, s.width, s.height, s.rows_taken, &s.jobs[part]);
}

bool similar(const FaceBox& a, const FaceBox& b) {
    const double delta = GROUP_EPS * (std::min(a.width, b.width) + std::min(a.height, b.height)) * 0.5;
    return std::abs(a.x - b.x) <= delta && std::abs(a.y - b.y) <= delta &&
           std::abs(a.x + a.width - b.x - b.width) <= delta && std::abs(a.y + a.height - b.y - b.height) <= delta;
}

int32_t root_of(int32_t* parent, int32_t i) {
    while (parent[i] != i) i = parent[i] = parent[parent[i]];
    return i;
}

struct Group {
    int64_t x, y, w, h;  // sums over the group's hits
    int32_t hits;
    FaceBox box;
};

bool inside(const FaceBox& small, const FaceBox& big) {
    const int32_t dx = static_cast<int32_t>(std::lround(big.width * GROUP_EPS));
    const int32_t dy = static_cast<int32_t>(std::lround(big.height * GROUP_EPS));
    return small.x >= big.x - dx && small.y >= big.y - dy && small.x + small.width <= big.x + big.width + dx &&
           small.y + small.height <= big.y + big.height + dy;
}

// Hits in groups of similar boxes (joined through any chain of similar
// pairs); a group's box is the mean of its hits.  Groups of too few hits go,
// and so does a group inside another that has clearly more.
int32_t group_hits(const Hits& hits, FaceBox* boxes, int32_t capacity) {
    const int32_t n = hits.count;
    int32_t* parent = static_cast<int32_t*>(std::malloc(sizeof(int32_t) * (n ? n : 1)));
    Group* groups = static_cast<Group*>(std::calloc(n ? n : 1, sizeof(Group)));
    if (!parent || !groups) {
        std::free(parent);
        std::free(groups);
        return 0;
    }
    for (int32_t i = 0; i < n; ++i) parent[i] = i;
    for (int32_t i = 0; i < n; ++i)
        for (int32_t j = i + 1; j < n; ++j)
            if (similar(hits.boxes[i], hits.boxes[j])) parent[root_of(parent, i)] = root_of(parent, j);
    for (int32_t i = 0; i < n; ++i) {
        Group& g = groups[root_of(parent, i)];
        const FaceBox& b = hits.boxes[i];
        g.x += b.x, g.y += b.y, g.w += b.width, g.h += b.height, ++g.hits;
    }
    int32_t kept = 0;
    for (int32_t i = 0; i < n; ++i) {
        Group g = groups[i];
        if (g.hits < MIN_HITS) continue;
        const double k = 1.0 / g.hits;
        g.box = FaceBox{static_cast<int32_t>(std::lround(g.x * k)), static_cast<int32_t>(std::lround(g.y * k)),
                        static_cast<int32_t>(std::lround(g.w * k)), static_cast<int32_t>(std::lround(g.h * k))};
        groups[kept++] = g;
    }
    int32_t found = 0;
    for (int32_t i = 0; i < kept; ++i) {
        bool covered = false;
        for (int32_t j = 0; j < kept && !covered; ++j)
            covered = j != i && groups[j].hits > std::max(MIN_HITS, groups[i].hits) && inside(groups[i].box, groups[j].box);
        if (!covered) groups[found++] = groups[i];
    }
    // Largest first (a few groups at most: insertion order is enough).
    for (int32_t i = 1; i < found; ++i)
        for (int32_t j = i; j > 0 && int64_t{groups[j].box.width} * groups[j].box.height >
                                         int64_t{groups[j - 1].box.width} * groups[j - 1].box.height; --j)
            std::swap(groups[j], groups[j - 1]);
    for (int32_t i = 0; i < found && i < capacity; ++i) boxes[i] = groups[i].box;
    std::free(parent);
    std::free(groups);
    return found;
}

// The grey picture's rows top-down, each from the picture's rows under it:
// first their bytes weighted down each column (`V` holds 255 times the
// vertical total), then each reduced pixel's luma from those column sums
// weighted across (`Sum` holds that times the horizontal total and the luma
// weights).  Luma and both averages are linear, so the one rounding, at the
// end, gives what averaging each pixel's luma would.  Summing the bytes down
// first touches each of the picture's bytes with one multiply-add that
// vectorises, and leaves the luma to the reduced rows.
constexpr uint32_t LUMA_ONE = 1868 + 9617 + 4899;  // 1 in 14-bit fixed point
template <typename V, typename Sum>
void reduce_to_grey(const uint8_t* pixels, int64_t stride, int32_t height, int32_t bytes_per_pixel, bool bottom_up,
                    const AreaTable* xs, const AreaTable* ys, int32_t first, int32_t end, V* columns, uint8_t* grey) {
    const size_t row_bytes = static_cast<size_t>(xs->source_size) * bytes_per_pixel;
    const AreaDivider divider = make_area_divider(uint64_t{xs->total} * ys->total * LUMA_ONE);
    for (int32_t i = first; i < end; ++i) {
        std::fill(columns, columns + row_bytes, V{0});
        for (int32_t k = 0; k < ys->count[i]; ++k) {
            const int32_t j = ys->first[i] + k;
            const uint8_t* row = pixels + (bottom_up ? height - 1 - j : j) * stride;
            const V wy = static_cast<V>(ys->weights[ys->offset[i] + k]);
            for (size_t b = 0; b < row_bytes; ++b) columns[b] = static_cast<V>(columns[b] + row[b] * wy);
        }
        uint8_t* out = grey + static_cast<size_t>(i) * xs->destination_size;
        for (int32_t o = 0; o < xs->destination_size; ++o) {
            const V* p = columns + static_cast<size_t>(xs->first[o]) * bytes_per_pixel;
            const uint32_t* wx = xs->weights + xs->offset[o];
            Sum acc = 0;
            for (int32_t n = 0; n < xs->count[o]; ++n, p += bytes_per_pixel)
                acc += (Sum{p[0]} * 1868u + Sum{p[1]} * 9617u + Sum{p[2]} * 4899u) * wx[n];
            out[o] = area_divide(acc, divider);
        }
    }
}

// The reduction shared out in bands of rows, each part taking the next band
// until none is left: a thread that the system runs late delays nothing.
constexpr int32_t BANDS_PER_THREAD = 4;
struct ColumnSums {
    KeptBuffer part[MAX_PART_COUNT];
};
struct Reduction {
    const uint8_t* pixels;
    int64_t stride;
    int32_t height, bytes_per_pixel;
    bool bottom_up, narrow, sum32;
    const AreaTable *xs, *ys;
    int32_t bands;
    uint8_t* grey;
    ColumnSums* sums;
    std::atomic<int32_t> next;
    std::atomic<bool> failed;
};

// Destination rows [first, end) of the reduction.
void reduce_band(const Reduction& r, int32_t first, int32_t end, void* columns) {
    if (r.narrow && r.sum32)
        reduce_to_grey<uint16_t, uint32_t>(r.pixels, r.stride, r.height, r.bytes_per_pixel, r.bottom_up, r.xs, r.ys,
                                           first, end, static_cast<uint16_t*>(columns), r.grey);
    else if (r.narrow)
        reduce_to_grey<uint16_t, uint64_t>(r.pixels, r.stride, r.height, r.bytes_per_pixel, r.bottom_up, r.xs, r.ys,
                                           first, end, static_cast<uint16_t*>(columns), r.grey);
    else
        reduce_to_grey<uint32_t, uint64_t>(r.pixels, r.stride, r.height, r.bytes_per_pixel, r.bottom_up, r.xs, r.ys,
                                           first, end, static_cast<uint32_t*>(columns), r.grey);
}

void reduce_part(void* context, int32_t part) {
    Reduction& r = *static_cast<Reduction*>(context);
    const size_t elements = static_cast<size_t>(r.xs->source_size) * r.bytes_per_pixel;
    void* columns = r.sums->part[part].get<uint32_t>(r.narrow ? elements / 2 + 1 : elements);
    if (!columns) {
        r.failed = true;
        return;
    }
    const int32_t rows = r.ys->destination_size;
    for (int32_t band; (band = r.next.fetch_add(1, std::memory_order_relaxed)) < r.bands;) {
        const int32_t first = static_cast<int32_t>(int64_t{rows} * band / r.bands);
        const int32_t end = static_cast<int32_t>(int64_t{rows} * (band + 1) / r.bands);
        reduce_band(r, first, end, columns);
    }
}

}  // namespace

namespace {

// The integral image of a grey picture, with a packed copy for each step
// from 2 to MAX_PACKED_STEP, in kept memory: made once for both cascades.
// The copies are made side by side by the kept threads.
struct Prepared {
    Integral integral;
    Packed packs[MAX_PACKED_STEP + 1];  // packs[1] the integral image itself
};

void pack_step(void* context, int32_t part) {
    Prepared& p = *static_cast<Prepared*>(context);
    const int32_t step = part + 2;
    p.packs[step] = pack(p.integral, p.packs[1].rows, step, p.packs[step].sums);
}

bool prepare(const uint8_t* grey, int64_t stride, int32_t width, int32_t height, IntegralMemory& kept,
             Prepared* prepared) {
    if (width <= 0 || height <= 0 || int64_t{width} * height > MAX_PIXELS) return false;
    const size_t integral = static_cast<size_t>(width + 1) * (height + 1);
    size_t size = integral;
    for (int32_t step = 2; step <= MAX_PACKED_STEP; ++step) size += packed_size(width + 1, height + 1, step);
    uint32_t* memory = kept.sums.get<uint32_t>(size);
    if (!memory) return false;
    prepared->integral = make_integral(grey, stride, width, height, memory);
    prepared->packs[1] = Packed{memory, 1, height + 1, width + 1};
    size_t at = integral;
    for (int32_t step = 2; step <= MAX_PACKED_STEP; at += packed_size(width + 1, height + 1, step++))
        prepared->packs[step].sums = memory + at;
    share_parts(MAX_PACKED_STEP - 1, pack_step, prepared);
    return true;
}

// detect_objects() on a prepared picture.
int32_t search(const Cascade& cascade, const Prepared& prepared, int32_t width, int32_t height, FaceBox* boxes,
               int32_t capacity) {
    const Packed* packs = prepared.packs;
    Scale scales[MAX_SCALES];
    int32_t scale_count = 0;
    for (double factor = 1; scale_count < MAX_SCALES; factor *= SCALE_FACTOR) {
        const int32_t win_w = static_cast<int32_t>(cascade.width * factor);
        const int32_t win_h = static_cast<int32_t>(cascade.height * factor);
        if (win_w > width || win_h > height) break;
        if (std::min(win_w, win_h) < MIN_FACE) continue;
        const int32_t step = std::max<int32_t>(1, static_cast<int32_t>(std::lround(step_per_scale(cascade) * factor)));
        scales[scale_count++] = Scale{factor, win_w, win_h, step};
    }
    if (scale_count == 0) return 0;
    // The two cascades' leaf tables are made once; another's at each search.
    const size_t stumps = static_cast<size_t>(stump_count(cascade));
    static float* const person = spread_leaves(PERSON_FACE_CASCADE, stump_count(PERSON_FACE_CASCADE));
    static float* const cat = spread_leaves(CAT_FACE_CASCADE, stump_count(CAT_FACE_CASCADE));
    const bool known = &cascade == &PERSON_FACE_CASCADE || &cascade == &CAT_FACE_CASCADE;
    float* other = known ? nullptr : spread_leaves(cascade, static_cast<int32_t>(stumps));
    const float* leaves = &cascade == &PERSON_FACE_CASCADE ? person : &cascade == &CAT_FACE_CASCADE ? cat : other;
    // The rows of windows are shared among the threads that search.
    const int32_t parts = std::min(part_count(), MAX_WORKERS);
    ScanPart jobs[MAX_WORKERS] = {};
    bool ready = leaves != nullptr;
    for (int32_t i = 0; i < parts; ++i) {
        jobs[i] = ScanPart{static_cast<ScaledStump*>(std::malloc(sizeof(ScaledStump) * stumps)),
                           static_cast<Hit*>(std::malloc(sizeof(Hit) * MAX_HITS)), 0};
        ready = ready && jobs[i].stumps && jobs[i].hits;
    }
    Hit* all = ready ? static_cast<Hit*>(std::malloc(sizeof(Hit) * MAX_HITS * parts)) : nullptr;
    FaceBox* hit_boxes = all ? static_cast<FaceBox*>(std::malloc(sizeof(FaceBox) * MAX_HITS)) : nullptr;
    const bool scanned = hit_boxes != nullptr;
    if (scanned) {
        ScanShare share{&cascade, leaves, packs, scales, scale_count, width, height, jobs, {}};
        run_parts(parts, scan_part, &share);
    }
    int32_t found = 0;
    if (scanned) {
        // Back in the order of a single scan: by scale, row, column.
        int32_t n = 0;
        for (int32_t i = 0; i < parts; ++i)
            for (int32_t k = 0; k < jobs[i].count; ++k) all[n++] = jobs[i].hits[k];
        std::sort(all, all + n, [](const Hit& a, const Hit& b) {
            return a.scale != b.scale ? a.scale < b.scale : a.box.y != b.box.y ? a.box.y < b.box.y : a.box.x < b.box.x;
        });
        Hits hits{hit_boxes, std::min(n, MAX_HITS)};
        for (int32_t k = 0; k < hits.count; ++k) hit_boxes[k] = all[k].box;
        found = group_hits(hits, boxes, capacity);
    }
    std::free(hit_boxes);
    std::free(all);
    for (int32_t i = 0; i < parts; ++i) {
        std::free(jobs[i].hits);
        std::free(jobs[i].stumps);
    }
    std::free(other);
    return found;
}

}  // namespace

int32_t detect_objects(const Cascade& cascade, const uint8_t* grey, int64_t stride, int32_t width, int32_t height,
                       FaceBox* boxes, int32_t capacity) {
    const Lease<IntegralMemory> kept;
    Prepared prepared;
    return kept.get() && prepare(grey, stride, width, height, *kept.get(), &prepared)
               ? search(cascade, prepared, width, height, boxes, capacity)
               : 0;
}

uint8_t* face_search_picture(const uint8_t* pixels, int64_t stride, int32_t width, int32_t height,
                             int32_t bytes_per_pixel, bool bottom_up, int32_t* grey_width, int32_t* grey_height) {
    if (width <= 0 || height <= 0 || (bytes_per_pixel != 3 && bytes_per_pixel != 4)) return nullptr;
    const int32_t longest = std::max(width, height);
    int32_t w = width, h = height;
    if (longest > FACE_SEARCH_SIDE) {
        w = std::max<int32_t>(1, static_cast<int32_t>(int64_t{width} * FACE_SEARCH_SIDE / longest));
        h = std::max<int32_t>(1, static_cast<int32_t>(int64_t{height} * FACE_SEARCH_SIDE / longest));
    }
    uint8_t* grey = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(w) * h));
    AreaTable* xs = make_area_table(w, width);
    AreaTable* ys = make_area_table(h, height);
    // The column sums: 16 bits while 255 times the vertical total fits, as
    // for any reduction by a whole number up to 257 or from 4000 to 640.  A
    // picture whose sums would not fit 32 and 64 bits is not searched.
    const uint64_t down = xs && ys ? uint64_t{255} * ys->total : UINT64_MAX;
    const bool narrow = down <= UINT16_MAX;
    const bool searchable = down <= UINT32_MAX && xs->total <= UINT64_MAX / (down * LUMA_ONE);
    bool ready = grey && searchable;
    const Lease<ColumnSums> sums;
    ready = ready && sums.get();
    if (ready) {
        const int32_t bands = std::min(part_count() * BANDS_PER_THREAD, h);
        Reduction reduction{pixels, stride, height, bytes_per_pixel, bottom_up, narrow,
                            narrow && down * LUMA_ONE * xs->total <= UINT32_MAX,
                            xs, ys, bands, grey, sums.get(), {0}, {false}};
        run_parts(std::min(part_count(), bands), reduce_part, &reduction);
        ready = !reduction.failed;
    }
    if (ready) {
        *grey_width = w;
        *grey_height = h;
    }
    free_area_table(ys);
    free_area_table(xs);
    if (!ready) std::free(grey);
    return ready ? grey : nullptr;
}

FaceKind find_face(const uint8_t* pixels, int64_t stride, int32_t width, int32_t height, int32_t bytes_per_pixel,
                   bool bottom_up, FaceBox* face) {
    int32_t w = 0, h = 0;
    uint8_t* grey = face_search_picture(pixels, stride, width, height, bytes_per_pixel, bottom_up, &w, &h);
    if (!grey) return FACE_NONE;
    FaceKind kind = FACE_NONE;
    FaceBox box{};
    const Lease<IntegralMemory> kept;
    Prepared prepared;
    if (!kept.get() || !prepare(grey, w, w, h, *kept.get(), &prepared)) kind = FACE_NONE;
    else if (search(PERSON_FACE_CASCADE, prepared, w, h, &box, 1) > 0) kind = FACE_PERSON;
    else if (search(CAT_FACE_CASCADE, prepared, w, h, &box, 1) > 0) kind = FACE_CAT;
    std::free(grey);
    if (kind == FACE_NONE) return kind;
    const double sx = static_cast<double>(width) / w, sy = static_cast<double>(height) / h;
    *face = FaceBox{static_cast<int32_t>(std::lround(box.x * sx)), static_cast<int32_t>(std::lround(box.y * sy)),
                    static_cast<int32_t>(std::lround(box.width * sx)), static_cast<int32_t>(std::lround(box.height * sy))};
    return kind;
}
