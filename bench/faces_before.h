// The face search as it was before windows were evaluated side by side on
// a packed integral image, the cat cascade's smallest windows went and the
// person cascade's step grew from 1.5 to 2 pixels of a window's scale: the
// old path of bench/faces_winbench.cpp.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <thread>

#include "detect/faces.h"

namespace before {


constexpr double SCALE_FACTOR = 1.1;    // between one window size and the next
constexpr double STEP_PER_SCALE = 1.5;  // window shift, in pixels of the window's own scale
constexpr int32_t MIN_HITS = 3;         // hits a group needs to be an object
constexpr double GROUP_EPS = 0.2;       // how far corners of hits of one group may be, in sizes
constexpr int32_t MAX_HITS = 16384;     // beyond this many windows the rest are not kept
// The stage thresholds are stored rounded to six or seven digits; a sum on
// the line passes.
constexpr float THRESHOLD_SLACK = 1e-5f;
constexpr unsigned MAX_WORKERS = 4;     // threads sharing one scan

struct Integral {
    uint32_t* sums;  // (width + 1) x (height + 1), row 0 and column 0 zero
    int32_t stride;  // width + 1
};

bool make_integral(const uint8_t* grey, int64_t stride, int32_t width, int32_t height, Integral* out) {
    const size_t w = static_cast<size_t>(width) + 1, h = static_cast<size_t>(height) + 1;
    uint32_t* sums = static_cast<uint32_t*>(std::calloc(w * h, sizeof(uint32_t)));
    if (!sums) return false;
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* row = grey + y * stride;
        const uint32_t* above = sums + static_cast<size_t>(y) * w;
        uint32_t* here = sums + static_cast<size_t>(y + 1) * w;
        uint32_t line = 0;
        for (int32_t x = 0; x < width; ++x) {
            line += row[x];
            here[x + 1] = above[x + 1] + line;
        }
    }
    *out = Integral{sums, static_cast<int32_t>(w)};
    return true;
}

// A stump at one scale: the offsets, from a window's top-left corner in the
// integral image, of the 4 x 4 corners of its feature's 3 x 3 blocks, with
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

bool window_passes(const Cascade& cascade, const uint32_t* at, const ScaledStump* stumps) {
    for (int32_t s = 0; s < cascade.stage_count; ++s) {
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

// One worker's share of the scan: its rows, its copy of the stumps scaled,
// its hits.
struct ScanPart {
    int32_t part, parts;
    ScaledStump* stumps;
    Hit* hits;
    int32_t count;
};

// Every window that passes all stages, of every scale, in the rows of
// windows numbered `part` modulo `parts` of each scale.
void scan(const Cascade& cascade, const Integral& integral, int32_t width, int32_t height, ScanPart* job) {
    ScaledStump* stumps = job->stumps;
    const int32_t stumps_used = stump_count(cascade);
    int32_t index = 0;
    for (double scale = 1;; scale *= SCALE_FACTOR, ++index) {
        const int32_t win_w = static_cast<int32_t>(cascade.width * scale);
        const int32_t win_h = static_cast<int32_t>(cascade.height * scale);
        if (win_w > width || win_h > height) return;
        int32_t reach_x = win_w, reach_y = win_h;
        for (int32_t i = 0; i < stumps_used; ++i) {
            const CascadeWeak& weak = cascade.weak[i];
            const CascadeRect& r = cascade.features[weak.feature];
            const int32_t x = static_cast<int32_t>(r.x * scale);
            const int32_t y = static_cast<int32_t>(r.y * scale);
            const int32_t w = static_cast<int32_t>(r.w * scale);
            const int32_t h = static_cast<int32_t>(r.h * scale);
            if (x + 3 * w > reach_x) reach_x = x + 3 * w;
            if (y + 3 * h > reach_y) reach_y = y + 3 * h;
            for (int j = 0; j < 4; ++j)
                for (int k = 0; k < 4; ++k) stumps[i].corner[j * 4 + k] = (y + j * h) * integral.stride + x + k * w;
            stumps[i].subset = weak.subset;
            stumps[i].leaf[0] = weak.leaf[0];
            stumps[i].leaf[1] = weak.leaf[1];
        }
        const int32_t step = std::max<int32_t>(1, static_cast<int32_t>(std::lround(STEP_PER_SCALE * scale)));
        for (int32_t y = job->part * step; y + reach_y <= height; y += job->parts * step) {
            const uint32_t* row = integral.sums + static_cast<size_t>(y) * integral.stride;
            for (int32_t x = 0; x + reach_x <= width; x += step) {
                if (!window_passes(cascade, row + x, stumps)) continue;
                if (job->count < MAX_HITS) job->hits[job->count++] = Hit{index, FaceBox{x, y, win_w, win_h}};
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

int32_t detect_objects(const Cascade& cascade, const uint8_t* grey, int64_t stride, int32_t width, int32_t height,
                       FaceBox* boxes, int32_t capacity) {
    if (width < cascade.width || height < cascade.height) return 0;
    Integral integral{};
    if (!make_integral(grey, stride, width, height, &integral)) return 0;
    // The rows of windows are shared among a few workers, this thread one
    // of them; a worker whose thread cannot start is run here afterwards.
    const int32_t parts = static_cast<int32_t>(std::clamp(std::thread::hardware_concurrency(), 1u, MAX_WORKERS));
    const size_t stumps = static_cast<size_t>(stump_count(cascade));
    ScanPart jobs[MAX_WORKERS] = {};
    std::thread threads[MAX_WORKERS];
    bool ready = true;
    for (int32_t i = 0; i < parts; ++i) {
        jobs[i] = ScanPart{i, parts, static_cast<ScaledStump*>(std::malloc(sizeof(ScaledStump) * stumps)),
                           static_cast<Hit*>(std::malloc(sizeof(Hit) * MAX_HITS)), 0};
        ready = ready && jobs[i].stumps && jobs[i].hits;
    }
    Hit* all = ready ? static_cast<Hit*>(std::malloc(sizeof(Hit) * MAX_HITS * parts)) : nullptr;
    FaceBox* hit_boxes = all ? static_cast<FaceBox*>(std::malloc(sizeof(FaceBox) * MAX_HITS)) : nullptr;
    int32_t found = 0;
    if (hit_boxes) {
        for (int32_t i = 1; i < parts; ++i) {
            try {
                threads[i] = std::thread(scan, std::cref(cascade), std::cref(integral), width, height, &jobs[i]);
            } catch (const std::system_error&) {
            }
        }
        scan(cascade, integral, width, height, &jobs[0]);
        for (int32_t i = 1; i < parts; ++i) {
            if (threads[i].joinable()) threads[i].join();
            else scan(cascade, integral, width, height, &jobs[i]);
        }
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
    std::free(integral.sums);
    return found;
}

FaceKind find_face(const uint8_t* pixels, int64_t stride, int32_t width, int32_t height, int32_t bytes_per_pixel,
                   bool bottom_up, FaceBox* face) {
    int32_t w = 0, h = 0;
    uint8_t* grey = ::face_search_picture(pixels, stride, width, height, bytes_per_pixel, bottom_up, &w, &h);
    if (!grey) return FACE_NONE;
    FaceKind kind = FACE_NONE;
    FaceBox box{};
    if (before::detect_objects(PERSON_FACE_CASCADE, grey, w, w, h, &box, 1) > 0) kind = FACE_PERSON;
    else if (before::detect_objects(CAT_FACE_CASCADE, grey, w, w, h, &box, 1) > 0) kind = FACE_CAT;
    std::free(grey);
    if (kind == FACE_NONE) return kind;
    const double sx = static_cast<double>(width) / w, sy = static_cast<double>(height) / h;
    *face = FaceBox{static_cast<int32_t>(std::lround(box.x * sx)), static_cast<int32_t>(std::lround(box.y * sy)),
                    static_cast<int32_t>(std::lround(box.width * sx)), static_cast<int32_t>(std::lround(box.height * sy))};
    return kind;
}

}  // namespace before
