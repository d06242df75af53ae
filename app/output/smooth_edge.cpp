#include "app/output/smooth_edge.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

uint32_t alpha_byte(int64_t alpha) { return static_cast<uint32_t>(alpha & 0xFF) << 24; }

uint32_t source_word(const DiscPixels& p, int64_t x, int64_t y) {
    const uint8_t* s = p.source + y * p.source_step + x * p.source_bytes;
    return static_cast<uint32_t>(s[0]) | (static_cast<uint32_t>(s[1]) << 8) | (static_cast<uint32_t>(s[2]) << 16);
}

uint32_t* output_row(const DiscPixels& p, int64_t y) {
    return reinterpret_cast<uint32_t*>(p.output + y * p.output_step);
}

bool usable(const DiscPixels& p) {
    return p.source && p.output && p.size > 0 && (p.source_bytes == 3 || p.source_bytes == 4);
}

// Pixels x1..x2 of row y (already clipped) as the disc's inside.
void inside_span(const DiscPixels& p, int64_t x1, int64_t x2, int64_t y, uint32_t alpha) {
    uint32_t* to = output_row(p, y);
    if (p.source_bytes == 4) {
        const auto* from = reinterpret_cast<const uint32_t*>(p.source + y * p.source_step);
        for (int64_t x = x1; x <= x2; ++x) to[x] = (from[x] & 0x00FFFFFFu) | alpha;
    } else {
        for (int64_t x = x1; x <= x2; ++x) to[x] = source_word(p, x, y) | alpha;
    }
}

// Antiderivative of the half chord sqrt(r^2 - t^2) over -r <= t <= r.
double half_chord_integral(double t, double r) {
    const double q = std::clamp(t / r, -1.0, 1.0);
    return 0.5 * r * r * (q * std::sqrt(1.0 - q * q) + std::asin(q));
}

// Area of the disc of radius r about the origin in the quarter plane
// X <= u, Y <= v.  Where the vertical chord at t is [-s, s], the part below
// v is 2s (v >= s), 0 (v <= -s) or v + s; |t| = w is where s = |v|.
double lower_left_area(double u, double v, double r) {
    if (u <= -r || v <= -r) return 0.0;
    const double end = std::min(u, r);
    auto chords = [r](double a, double b) { return half_chord_integral(b, r) - half_chord_integral(a, r); };
    if (v >= r) return 2.0 * chords(-r, end);
    const double w = std::sqrt(r * r - v * v);
    double area = 0.0;
    if (v > 0) {
        area += 2.0 * chords(-r, std::min(end, -w));
        if (end > w) area += 2.0 * chords(w, end);
    }
    if (end > -w) {
        const double b = std::min(end, w);
        area += v * (b + w) + chords(-w, b);
    }
    return area;
}

// Canvas coordinate to a pixel index held within [-1, size]: every row and
// column range below is clipped to the canvas, whatever the disc.
int64_t clip_index(double v, int64_t size) {
    if (!(v > -1.0)) return -1;  // also NaN
    if (v > static_cast<double>(size)) return size;
    return static_cast<int64_t>(v);
}

// Offsets of the smooth disc's radius from the midpoint radius, radii 0 to
// 423, in 2^-24 pixel: for each radius the one (nearest 0.45) for which
// the fewest pixels' coverage >= 1/2 disagrees with the midpoint set.  The
// midpoint set reaches further along the diagonals than along the axes, so
// the best disc depends on how the rim's steps fall at each radius.
// Printed by the test DiscCoverage.DISABLED_PrintTheOffsetTable.
constexpr int32_t RADIUS_OFFSETS[CUTOUT_FULL_RADIUS] = {
    7549747, 7549747, 7549747, 7549747, 7549747, 7549747, 6926319, 7549747,
    7549747, 7367701, 7549747, 6830628, 7549747, 7549747, 7137071, 7549747,
    6782822, 7832415, 7425973, 7036677, 7549747, 6761956, 7549747, 7260947,
    6957141, 7549747, 8036506, 7730576, 7769566, 7549747, 6982866, 6753625,
    7549747, 7090614, 7549747, 5997493, 6748301, 7448034, 7917963, 6857654,
    7549747, 7549747, 7182703, 7014111, 7549747, 7549747, 6725428, 7304523,
    6967481, 8038616, 7537138, 8036487, 6757008, 7751664, 7596221, 7462390,
    7327050, 7200993, 7807953, 7804551, 7400349, 6733579, 7146752, 6902747,
    7448461, 7728884, 8115585, 7996882, 7894764, 7765377, 7655902, 6714564,
    7560669, 7549747, 6781108, 7263080, 6168037, 7831015, 7549747, 7549747,
    7213560, 7549747, 7762212, 7358815, 8074460, 7393578, 7549747, 7017566,
    6576818, 7639436, 7910318, 7549747, 7549747, 7301358, 7549747, 7147158,
    7782780, 7000564, 7549747, 7801040, 6862122, 8308636, 7544349, 7485104,
    6771967, 7012524, 7549747, 7520237, 7835746, 7702669, 7617286, 7790647,
    6945783, 7417212, 8011336, 7288704, 7673651, 7451314, 7230002, 7549747,
    7056810, 7703498, 7216558, 7646700, 7704924, 7042839, 7549747, 7393232,
    7660350, 6760119, 7030057, 7868370, 7682601, 7624899, 7583688, 7549747,
    7549747, 7326267, 7591712, 7777636, 7677782, 7534386, 7549747, 7093945,
    7089902, 6997080, 7635947, 6902023, 7517707, 8099108, 7475940, 7163955,
    7625692, 7506947, 7549747, 7840506, 7736850, 7703655, 7481702, 7591813,
    7752930, 7497661, 7549747, 7445193, 7870985, 7114468, 7741624, 7579229,
    7286209, 7490509, 7546823, 7614499, 7846407, 7415005, 7564109, 6948186,
    7811104, 8144631, 7549747, 7494110, 7916442, 7780709, 7187431, 7878323,
    7699736, 7658238, 7617156, 6996776, 8070012, 7496991, 7825328, 7566112,
    7549747, 7342174, 7304156, 7549747, 7869503, 7797780, 7325918, 6726872,
    7561887, 7466645, 7181941, 8093400, 6988225, 7549747, 7549747, 7549747,
    7899369, 7861510, 7840408, 7549747, 7750660, 8005754, 7756799, 7020815,
    6601819, 7518670, 7539251, 7656691, 7811857, 7739075, 7779327, 7370572,
    7549747, 7549747, 7568186, 7351096, 6658935, 7651678, 7925826, 7534226,
    7409078, 7592440, 7346566, 7385917, 8134665, 7549747, 7925856, 7892762,
    6988621, 7515496, 7811127, 6764776, 7868799, 7700050, 7634778, 7637393,
    6628782, 7845457, 7713792, 7616279, 7353702, 7572286, 7823015, 7398993,
    7762083, 7537973, 7443750, 7285213, 7546879, 7582020, 7549747, 7913928,
    7749130, 7120217, 7439991, 7412016, 7837453, 7761150, 7996743, 7549747,
    7430744, 7862340, 7529613, 7805716, 7413668, 7748943, 7871839, 7549747,
    7682218, 7185935, 7552623, 7584972, 7234874, 7796403, 7301660, 7829456,
    7454103, 7660070, 7547061, 7492726, 7549747, 7326883, 7757320, 7633769,
    7479072, 7229092, 7204274, 7488235, 7825789, 7466807, 7580283, 7512797,
    7200347, 6847348, 7634220, 6993638, 6737233, 7176349, 7061958, 7318554,
    7955073, 7394651, 7549747, 6922677, 6629303, 6731192, 7410560, 7161262,
    6824665, 6767854, 6486473, 7072365, 7154067, 6710379, 6407161, 6566730,
    6750824, 6714105, 6491018, 7322315, 6152885, 7064735, 7140323, 6818842,
    6698750, 6778268, 6733443, 6729805, 6817015, 6649716, 6420201, 6732876,
    6348701, 6815241, 6408475, 6655768, 6395711, 6401594, 6622503, 7247533,
    6180200, 6518438, 6358344, 6811843, 6393375, 6586180, 6731270, 6503032,
    6810215, 6714790, 6240646, 6730763, 6643400, 6763153, 6698402, 6771430,
    6548508, 6371912, 6445151, 6415955, 6568170, 6079012, 6465511, 6805590,
    6431213, 6214181, 6397438, 6513041, 6738218, 7028688, 7141778, 6357516,
    6711620, 6259300, 6590171, 6832862, 6491414, 6539055, 6092875, 6162828,
    6531805, 6792493, 6370861, 6355030, 6804386, 6597540, 6328019, 6228023,
    6401141, 6426835, 6014953, 6831616, 7549747, 6611657, 7549747, 6393873,
    7549747, 6956894, 6122073, 7549747, 6356804, 7549747, 6103521, 7549747,
    7549747, 7549747, 7549747, 7549747, 7549747, 7295785, 7549747, 7549747,
};

}  // namespace

double smooth_disc_radius(int64_t r) {
    const double offset = r >= 0 && r < CUTOUT_FULL_RADIUS ? std::ldexp(RADIUS_OFFSETS[r], -24) : SMOOTH_RADIUS_OFFSET;
    return static_cast<double>(r) + offset;
}

DiscPixels buffer_pixels(const CutoutCanvas& canvas) {
    return DiscPixels{reinterpret_cast<const uint8_t*>(canvas.source ? canvas.source->words : nullptr),
                      CANVAS_SIZE * 4,
                      4,
                      reinterpret_cast<uint8_t*>(canvas.output ? canvas.output->words : nullptr),
                      CANVAS_SIZE * 4,
                      CANVAS_SIZE};
}

void fill_disc_background(const DiscPixels& p, uint32_t word) {
    if (!p.output || p.size <= 0) return;
    for (int64_t y = 0; y < p.size; ++y) std::fill_n(output_row(p, y), p.size, word);
}

void draw_whole_canvas(const DiscPixels& p, int64_t inner_alpha) {
    if (!usable(p)) return;
    for (int64_t y = 0; y < p.size; ++y) inside_span(p, 0, p.size - 1, y, alpha_byte(inner_alpha));
}

void draw_hard_disc(const DiscPixels& p, int64_t cx, int64_t cy, int64_t r, int64_t inner_alpha, bool doubled) {
    if (!usable(p) || r < 0) return;
    const int64_t n = p.size;
    if (cx < 0 || cx >= n || cy < 0 || cy >= n) return;
    const int64_t extra = doubled ? 1 : 0;  // the right and lower halves' shift
    // The set holds every pixel nearer than r - 1 to the centre, so a radius
    // this large covers the canvas.
    if (r >= 2 * n + 2) {
        draw_whole_canvas(p, inner_alpha);
        return;
    }
    std::vector<int64_t> half(static_cast<size_t>(r) + 1);
    midpoint_half_widths(r, half.data(), r + 1);
    const uint32_t alpha = alpha_byte(inner_alpha);
    for (int64_t y = std::max<int64_t>(0, cy - r); y <= std::min(n - 1, cy + r + extra); ++y) {
        const int64_t w = half[static_cast<size_t>(y <= cy ? cy - y : y - cy - extra)];
        const int64_t x1 = std::max<int64_t>(0, cx - w), x2 = std::min(n - 1, cx + w + extra);
        if (w >= 0 && x1 <= x2) inside_span(p, x1, x2, y, alpha);
    }
}

double disc_coverage(double cx, double cy, double r, int64_t x, int64_t y) {
    if (!(r > 0)) return 0.0;
    const double u0 = static_cast<double>(x) - cx, v0 = static_cast<double>(y) - cy;
    const double u1 = u0 + 1.0, v1 = v0 + 1.0;
    const double area = lower_left_area(u1, v1, r) - lower_left_area(u0, v1, r) - lower_left_area(u1, v0, r) +
                        lower_left_area(u0, v0, r);
    return std::clamp(area, 0.0, 1.0);
}

uint32_t mix_edge_pixel(uint32_t source, uint32_t background, int64_t inner_alpha, int64_t outer_alpha,
                        int64_t weight) {
    const int64_t one = EDGE_WEIGHT_ONE;
    const int64_t c = std::clamp<int64_t>(weight, 0, one);
    const int64_t ai = inner_alpha & 0xFF, ao = outer_alpha & 0xFF;
    // Both sides' alphas weighted by their shares: the mixed alpha, times one.
    const int64_t a = c * ai + (one - c) * ao;
    uint32_t out = static_cast<uint32_t>((a + one / 2) / one) << 24;
    for (int shift = 0; shift < 24; shift += 8) {
        const int64_t s = (source >> shift) & 0xFF, b = (background >> shift) & 0xFF;
        int64_t v;
        if (a > 0)
            v = (2 * (c * ai * s + (one - c) * ao * b) + a) / (2 * a);
        else
            v = (c * s + (one - c) * b + one / 2) / one;
        out |= static_cast<uint32_t>(v) << shift;
    }
    return out;
}

void draw_smooth_disc(const DiscPixels& p, double cx, double cy, double r, int64_t inner_alpha,
                      uint32_t background) {
    if (!usable(p) || !(r > 0) || !std::isfinite(cx) || !std::isfinite(cy) || !std::isfinite(r)) return;
    const int64_t n = p.size;
    const uint32_t alpha = alpha_byte(inner_alpha);
    const int64_t outer_alpha = background >> 24;
    const int64_t top = std::max<int64_t>(0, clip_index(std::floor(cy - r), n));
    const int64_t bottom = std::min(n - 1, clip_index(std::ceil(cy + r), n));
    for (int64_t y = top; y <= bottom; ++y) {
        const double v0 = static_cast<double>(y) - cy, v1 = v0 + 1.0;
        const double nearest = (v0 <= 0 && v1 >= 0) ? 0.0 : std::min(std::fabs(v0), std::fabs(v1));
        const double farthest = std::max(std::fabs(v0), std::fabs(v1));
        if (nearest >= r) continue;
        // Within this row the disc spans at most +-outer and at least +-inner
        // about cx: pixels inside +-inner are whole, the rest is the edge.
        const double outer = std::sqrt(r * r - nearest * nearest);
        const double inner = farthest < r ? std::sqrt(r * r - farthest * farthest) : -1.0;
        const int64_t edge_first = std::max<int64_t>(0, clip_index(std::floor(cx - outer), n));
        const int64_t edge_last = std::min(n - 1, clip_index(std::ceil(cx + outer), n) - 1);
        int64_t whole_first = n, whole_last = -1;
        if (inner >= 0) {
            whole_first = std::max<int64_t>(0, clip_index(std::ceil(cx - inner), n));
            whole_last = std::min(n - 1, clip_index(std::floor(cx + inner), n) - 1);
            if (whole_first <= whole_last) inside_span(p, whole_first, whole_last, y, alpha);
        }
        // The edge pixels on either side of the whole run: the strip's area
        // left of each pixel boundary, differenced.
        auto strip_area = [&](int64_t x) {
            const double u = static_cast<double>(x) - cx;
            return lower_left_area(u, v1, r) - lower_left_area(u, v0, r);
        };
        auto edge = [&](int64_t x1, int64_t x2) {
            if (x1 > x2) return;
            uint32_t* row = output_row(p, y);
            double before = strip_area(x1);
            for (int64_t x = x1; x <= x2; ++x) {
                const double after = strip_area(x + 1);
                const double c = after - before;
                before = after;
                const int64_t weight = std::clamp<int64_t>(std::llround(c * EDGE_WEIGHT_ONE), 0, EDGE_WEIGHT_ONE);
                if (weight == 0) continue;  // the background stays
                const uint32_t s = source_word(p, x, y);
                row[x] = weight == EDGE_WEIGHT_ONE ? (s | alpha)
                                                   : mix_edge_pixel(s, background, inner_alpha, outer_alpha, weight);
            }
        };
        if (whole_first <= whole_last) {
            edge(edge_first, whole_first - 1);
            edge(whole_last + 1, edge_last);
        } else {
            edge(edge_first, edge_last);
        }
    }
}

void draw_cutout_circle(const CutoutCanvas& canvas, int64_t radius, int64_t colour, int64_t outer_alpha,
                        int64_t smooth) {
    if (!smooth) {
        fill_circle(canvas, CUTOUT_CENTRE, CUTOUT_CENTRE, radius);
        return;
    }
    if (radius < 0) return;
    const DiscPixels p = buffer_pixels(canvas);
    if (radius >= CUTOUT_FULL_RADIUS) {
        draw_whole_canvas(p, canvas.inner_alpha);
        return;
    }
    // Pixel 299's centre is the disc's centre, as for the midpoint circle.
    const double centre = static_cast<double>(CUTOUT_CENTRE) + 0.5;
    draw_smooth_disc(p, centre, centre, smooth_disc_radius(radius), canvas.inner_alpha,
                     static_cast<uint32_t>(cutout_fill_word(colour, outer_alpha)));
}
