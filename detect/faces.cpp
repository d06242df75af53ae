#include "detect/faces.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "image/resample.h"

namespace {

constexpr double SCALE_FACTOR = 1.1;    // between one window size and the next
constexpr double STEP_PER_SCALE = 1.5;  // window shift, in pixels of the window's own scale
constexpr int32_t MIN_HITS = 3;         // hits a group needs to be an object
constexpr double GROUP_EPS = 0.2;       // how far corners of hits of one group may be, in sizes
constexpr int32_t MAX_HITS = 16384;     // beyond this many windows the rest are not kept
// The stage thresholds are stored rounded to six or seven digits; a sum on
// the line passes.
constexpr float THRESHOLD_SLACK = 1e-5f;

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

// A feature at one scale: the offsets, from a window's top-left corner in
// the integral image, of the 4 x 4 corners of its 3 x 3 blocks.
struct ScaledFeature {
    int32_t corner[16];
};

inline uint32_t block(const uint32_t* at, const int32_t* c, int i, int j) {
    // Modulo 2^32 the four corners give the block's exact sum.
    return at[c[j * 4 + i]] - at[c[j * 4 + i + 1]] - at[c[j * 4 + 4 + i]] + at[c[j * 4 + 5 + i]];
}

// The pattern: one bit per outer block, clockwise from the top-left one,
// set when the block's sum is at least the centre's.
inline uint32_t pattern(const uint32_t* at, const ScaledFeature& f) {
    const int32_t* c = f.corner;
    const uint32_t centre = block(at, c, 1, 1);
    return (block(at, c, 0, 0) >= centre) << 7 | (block(at, c, 1, 0) >= centre) << 6 |
           (block(at, c, 2, 0) >= centre) << 5 | (block(at, c, 2, 1) >= centre) << 4 |
           (block(at, c, 2, 2) >= centre) << 3 | (block(at, c, 1, 2) >= centre) << 2 |
           (block(at, c, 0, 2) >= centre) << 1 | (block(at, c, 0, 1) >= centre);
}

bool window_passes(const Cascade& cascade, const uint32_t* at, const ScaledFeature* features) {
    for (int32_t s = 0; s < cascade.stage_count; ++s) {
        const CascadeStage& stage = cascade.stages[s];
        float sum = 0;
        for (int32_t k = stage.first; k < stage.first + stage.count; ++k) {
            const CascadeWeak& weak = cascade.weak[k];
            const uint32_t code = pattern(at, features[weak.feature]);
            sum += weak.leaf[(weak.subset[code >> 5] >> (code & 31) & 1) ? 0 : 1];
        }
        if (sum < stage.threshold - THRESHOLD_SLACK) return false;
    }
    return true;
}

int32_t feature_count(const Cascade& cascade) {
    int32_t n = 0;
    const CascadeWeak* end = cascade.weak + cascade.stages[cascade.stage_count - 1].first +
                             cascade.stages[cascade.stage_count - 1].count;
    for (const CascadeWeak* w = cascade.weak; w != end; ++w)
        if (w->feature + 1 > n) n = w->feature + 1;
    return n;
}

struct Hits {
    FaceBox* boxes;
    int32_t count;
};

// Every window of every scale that passes all stages.
void scan(const Cascade& cascade, const Integral& integral, int32_t width, int32_t height, ScaledFeature* features,
          int32_t features_used, Hits* hits) {
    for (double scale = 1;; scale *= SCALE_FACTOR) {
        const int32_t win_w = static_cast<int32_t>(cascade.width * scale);
        const int32_t win_h = static_cast<int32_t>(cascade.height * scale);
        if (win_w > width || win_h > height) return;
        int32_t reach_x = win_w, reach_y = win_h;
        for (int32_t i = 0; i < features_used; ++i) {
            const CascadeRect& r = cascade.features[i];
            const int32_t x = static_cast<int32_t>(r.x * scale);
            const int32_t y = static_cast<int32_t>(r.y * scale);
            const int32_t w = static_cast<int32_t>(r.w * scale);
            const int32_t h = static_cast<int32_t>(r.h * scale);
            if (x + 3 * w > reach_x) reach_x = x + 3 * w;
            if (y + 3 * h > reach_y) reach_y = y + 3 * h;
            for (int j = 0; j < 4; ++j)
                for (int k = 0; k < 4; ++k) features[i].corner[j * 4 + k] = (y + j * h) * integral.stride + x + k * w;
        }
        const int32_t step = std::max<int32_t>(1, static_cast<int32_t>(std::lround(STEP_PER_SCALE * scale)));
        for (int32_t y = 0; y + reach_y <= height; y += step) {
            const uint32_t* row = integral.sums + static_cast<size_t>(y) * integral.stride;
            for (int32_t x = 0; x + reach_x <= width; x += step) {
                if (!window_passes(cascade, row + x, features)) continue;
                if (hits->count < MAX_HITS) hits->boxes[hits->count++] = FaceBox{x, y, win_w, win_h};
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

}  // namespace

int32_t detect_objects(const Cascade& cascade, const uint8_t* grey, int64_t stride, int32_t width, int32_t height,
                       FaceBox* boxes, int32_t capacity) {
    if (width < cascade.width || height < cascade.height) return 0;
    Integral integral{};
    if (!make_integral(grey, stride, width, height, &integral)) return 0;
    const int32_t used = feature_count(cascade);
    auto* features = static_cast<ScaledFeature*>(std::malloc(sizeof(ScaledFeature) * used));
    Hits hits{static_cast<FaceBox*>(std::malloc(sizeof(FaceBox) * MAX_HITS)), 0};
    int32_t found = 0;
    if (features && hits.boxes) {
        scan(cascade, integral, width, height, features, used, &hits);
        found = group_hits(hits, boxes, capacity);
    }
    std::free(hits.boxes);
    std::free(features);
    std::free(integral.sums);
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
    uint8_t* grey = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(w) * h));
    uint8_t* reduced = nullptr;
    const uint8_t* colour = pixels;
    int64_t colour_stride = stride;
    if (grey && (w != width || h != height)) {
        colour_stride = int64_t{w} * bytes_per_pixel;
        reduced = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(colour_stride) * h));
        if (!reduced || !area_resample(reduced, colour_stride, w, h, pixels, stride, width, height, bytes_per_pixel)) {
            std::free(reduced);
            std::free(grey);
            return nullptr;
        }
        colour = reduced;
    }
    if (!grey) return nullptr;
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t* p = colour + (bottom_up ? h - 1 - y : y) * colour_stride;
        uint8_t* out = grey + static_cast<size_t>(y) * w;
        // Luma of the sRGB values, in 14-bit fixed point.
        for (int32_t x = 0; x < w; ++x, p += bytes_per_pixel)
            out[x] = static_cast<uint8_t>((p[0] * 1868 + p[1] * 9617 + p[2] * 4899 + 8192) >> 14);
    }
    std::free(reduced);
    *grey_width = w;
    *grey_height = h;
    return grey;
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
