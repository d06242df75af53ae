#include "detect/faces.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <thread>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "image/resample.h"

namespace {

constexpr double SCALE_FACTOR = 1.1;    // between one window size and the next
constexpr int32_t MIN_HITS = 3;         // hits a group needs to be an object
constexpr double GROUP_EPS = 0.2;       // how far corners of hits of one group may be, in sizes
constexpr int32_t MAX_HITS = 16384;     // beyond this many windows the rest are not kept
// The stage thresholds are stored rounded to six or seven digits; a sum on
// the line passes.
constexpr float THRESHOLD_SLACK = 1e-5f;
constexpr unsigned MAX_WORKERS = 4;     // threads sharing one scan
constexpr int32_t MAX_SCALES = 64;      // 1.1^64 = 445: beyond any picture
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

// Memory for the integral image and its packed copies (megabytes), kept for
// the thread's next search: under Wine, memory fresh from the system costs
// about 10 us a page when first touched, more than the search itself.
class Scratch {
public:
    ~Scratch() { std::free(data_); }
    uint32_t* get(size_t elements) {
        if (elements > size_) {
            std::free(data_);
            data_ = static_cast<uint32_t*>(std::malloc(elements * sizeof(uint32_t)));
            size_ = data_ ? elements : 0;
        }
        return data_;
    }

private:
    uint32_t* data_ = nullptr;
    size_t size_ = 0;
};

thread_local Scratch scratch;

// A stump at one scale: the offsets, from a window's top-left corner in the
// integral image (packed or not), of the 4 x 4 corners of its feature's 3 x 3 blocks, with
// the stump's own subset and leaves beside them, so that a window reads the
// stumps in order.
struct ScaledStump {
    int32_t corner[16];
    const uint32_t* subset;
    float leaf[2];
};

// The pattern: one bit per outer block, clockwise from the top-left one,
// set when the block's sum is at least the centre's.  Modulo 2^32 the
// corners give each block's exact sum.
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
        for (int32_t i = 0; i < whole; ++i, from += step)
            for (int32_t r = 0; r < step; ++r) to[r * plane + i] = from[r];
        for (int32_t r = 0; r < step; ++r) {
            std::fill(to + r * plane + whole, to + r * plane + pitch, 0u);
            if (whole * step + r < integral.stride) to[r * plane + whole] = from[r];
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
    // SSE2 compares signed: both sides moved by 2^31 compare as unsigned.
    const __m128i bias = _mm_set1_epi32(INT32_MIN);
    const __m128i centre = _mm_xor_si128(_mm_sub_epi32(c1, b1), bias);
    const auto bit = [&](__m128i high, __m128i low, int value) {
        const __m128i below = _mm_cmplt_epi32(_mm_xor_si128(_mm_sub_epi32(high, low), bias), centre);
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
            const uint32_t code = pattern(at, k->corner);
            sum += k->leaf[(k->subset[code >> 5] >> (code & 31) & 1) ? 0 : 1];
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
            for (int32_t l = 0; l < LANES; ++l)
                sum[l] += k->leaf[(k->subset[codes[l] >> 5] >> (codes[l] & 31) & 1) ? 0 : 1];
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

// One worker's share of the scan: its rows, its copy of the stumps scaled,
// its hits.
struct ScanPart {
    int32_t part, parts;
    ScaledStump* stumps;
    Hit* hits;
    int32_t count;
};

// Every window that passes all stages, of every scale, in the rows of
// windows numbered `part` modulo `parts` of each scale.  `packs[step]` is
// the integral image packed for a step up to MAX_PACKED_STEP, packs[1] the
// integral image itself.
void scan(const Cascade& cascade, const Packed* packs, const Scale* scales, int32_t scale_count, int32_t width,
          int32_t height, ScanPart* job) {
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
            stumps[i].subset = weak.subset;
            stumps[i].leaf[0] = weak.leaf[0];
            stumps[i].leaf[1] = weak.leaf[1];
        }
        if (reach_x > width) continue;
        const int32_t columns = (width - reach_x) / step + 1;  // windows across, at x = 0, step, ...
        for (int32_t y = job->part * step; y + reach_y <= height; y += job->parts * step) {
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

// One row of the picture (3 or 4 bytes per pixel) as the weighted sums
// across of its luma, in 14-bit fixed point, not rounded.
constexpr uint32_t MAX_LUMA = 255 * (1868 + 9617 + 4899);
template <typename Sum>
void average_across(uint64_t* across, const uint8_t* row, int32_t bytes_per_pixel, const AreaTable* xs) {
    for (int32_t o = 0; o < xs->destination_size; ++o) {
        const uint8_t* p = row + static_cast<size_t>(xs->first[o]) * bytes_per_pixel;
        const uint32_t* wx = xs->weights + xs->offset[o];
        Sum acc = 0;
        for (int32_t n = 0; n < xs->count[o]; ++n, p += bytes_per_pixel)
            acc += static_cast<Sum>(p[0] * 1868u + p[1] * 9617u + p[2] * 4899u) * wx[n];
        across[o] = acc;
    }
}

}  // namespace

int32_t detect_objects(const Cascade& cascade, const uint8_t* grey, int64_t stride, int32_t width, int32_t height,
                       FaceBox* boxes, int32_t capacity) {
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
    // The rows of windows are shared among a few workers, this thread one
    // of them; a worker whose thread cannot start is run here afterwards.
    const int32_t parts = static_cast<int32_t>(std::clamp(std::thread::hardware_concurrency(), 1u, MAX_WORKERS));
    const size_t stumps = static_cast<size_t>(stump_count(cascade));
    ScanPart jobs[MAX_WORKERS] = {};
    bool ready = true;
    for (int32_t i = 0; i < parts; ++i) {
        jobs[i] = ScanPart{i, parts, static_cast<ScaledStump*>(std::malloc(sizeof(ScaledStump) * stumps)),
                           static_cast<Hit*>(std::malloc(sizeof(Hit) * MAX_HITS)), 0};
        ready = ready && jobs[i].stumps && jobs[i].hits;
    }
    Hit* all = ready ? static_cast<Hit*>(std::malloc(sizeof(Hit) * MAX_HITS * parts)) : nullptr;
    FaceBox* hit_boxes = all ? static_cast<FaceBox*>(std::malloc(sizeof(FaceBox) * MAX_HITS)) : nullptr;
    // The integral image, and for the steps up to MAX_PACKED_STEP a packed
    // copy each.
    const int32_t packed_steps = std::min(MAX_PACKED_STEP, scales[scale_count - 1].step);
    size_t size = static_cast<size_t>(width + 1) * (height + 1);
    for (int32_t step = 2; step <= packed_steps; ++step) size += packed_size(width + 1, height + 1, step);
    uint32_t* memory = hit_boxes ? scratch.get(size) : nullptr;
    const bool scanned = memory != nullptr;
    Packed packs[MAX_PACKED_STEP + 1];
    if (scanned) {
        const Integral integral = make_integral(grey, stride, width, height, memory);
        packs[1] = Packed{integral.sums, 1, height + 1, integral.stride};
        size_t at = static_cast<size_t>(width + 1) * (height + 1);
        for (int32_t step = 2; step <= packed_steps; at += packed_size(width + 1, height + 1, step++))
            packs[step] = pack(integral, height + 1, step, memory + at);
        std::thread threads[MAX_WORKERS];
        for (int32_t i = 1; i < parts; ++i) {
            try {
                threads[i] = std::thread(scan, std::cref(cascade), packs, scales, scale_count, width, height, &jobs[i]);
            } catch (const std::system_error&) {
            }
        }
        scan(cascade, packs, scales, scale_count, width, height, &jobs[0]);
        for (int32_t i = 1; i < parts; ++i) {
            if (threads[i].joinable()) threads[i].join();
            else scan(cascade, packs, scales, scale_count, width, height, &jobs[i]);
        }
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
    return found;
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
    // One pass over the picture: a row's luma is averaged across into
    // `across`, and such rows weighted into `sums`, one reduced row at a
    // time; the one rounding is the division at the end.
    uint8_t* grey = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(w) * h));
    uint64_t* across = static_cast<uint64_t*>(std::malloc(sizeof(uint64_t) * w));
    uint64_t* sums = static_cast<uint64_t*>(std::malloc(sizeof(uint64_t) * w));
    AreaTable* xs = make_area_table(w, width);
    AreaTable* ys = make_area_table(h, height);
    const bool ready = grey && across && sums && xs && ys;
    if (ready) {
        const uint64_t den = uint64_t{xs->total} * ys->total << 14, half = den / 2;
        int32_t cached = -1;  // the picture row whose average is in `across`
        const bool narrow = uint64_t{MAX_LUMA} * xs->total <= UINT32_MAX;  // a row's sums fit 32 bits
        for (int32_t i = 0; i < h; ++i) {
            std::fill(sums, sums + w, 0);
            for (int32_t k = 0; k < ys->count[i]; ++k) {
                const int32_t j = ys->first[i] + k;
                if (j != cached) {  // a row on the edge of two reduced rows is averaged once
                    const uint8_t* p = pixels + (bottom_up ? height - 1 - j : j) * stride;
                    if (narrow) average_across<uint32_t>(across, p, bytes_per_pixel, xs);
                    else average_across<uint64_t>(across, p, bytes_per_pixel, xs);
                    cached = j;
                }
                const uint64_t wy = ys->weights[ys->offset[i] + k];
                for (int32_t o = 0; o < w; ++o) sums[o] += across[o] * wy;
            }
            uint8_t* out = grey + static_cast<size_t>(i) * w;
            for (int32_t o = 0; o < w; ++o)
                out[o] = static_cast<uint8_t>(std::min<uint64_t>(255, (sums[o] + half) / den));
        }
        *grey_width = w;
        *grey_height = h;
    }
    free_area_table(ys);
    free_area_table(xs);
    std::free(sums);
    std::free(across);
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
    if (detect_objects(PERSON_FACE_CASCADE, grey, w, w, h, &box, 1) > 0) kind = FACE_PERSON;
    else if (detect_objects(CAT_FACE_CASCADE, grey, w, w, h, &box, 1) > 0) kind = FACE_CAT;
    std::free(grey);
    if (kind == FACE_NONE) return kind;
    const double sx = static_cast<double>(width) / w, sy = static_cast<double>(height) / h;
    *face = FaceBox{static_cast<int32_t>(std::lround(box.x * sx)), static_cast<int32_t>(std::lround(box.y * sy)),
                    static_cast<int32_t>(std::lround(box.width * sx)), static_cast<int32_t>(std::lround(box.height * sy))};
    return kind;
}
