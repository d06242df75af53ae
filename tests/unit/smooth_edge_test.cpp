// The smooth edge: coverage of the disc, the premultiplied mix, and the
// disc drawn on the preview's buffers.
#include "app/output/smooth_edge.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr double PI = 3.14159265358979323846;

// Distinct colour bytes per pixel, and an alpha byte that must not leak.
uint32_t source_word(int64_t x, int64_t y) {
    return 0x5A000000u | static_cast<uint32_t>((x * 7 + y * 13) & 0xFF) |
           (static_cast<uint32_t>((x + 3 * y) & 0xFF) << 8) | (static_cast<uint32_t>((y * 5 + x) & 0xFF) << 16);
}

// Nearest and farthest distance from (cx, cy) to pixel (x, y).
void pixel_distances(double cx, double cy, int64_t x, int64_t y, double* nearest, double* farthest) {
    const double x0 = static_cast<double>(x) - cx, y0 = static_cast<double>(y) - cy;
    const double nx = std::max({x0, 0.0, -(x0 + 1)}), ny = std::max({y0, 0.0, -(y0 + 1)});
    const double fx = std::max(std::fabs(x0), std::fabs(x0 + 1)), fy = std::max(std::fabs(y0), std::fabs(y0 + 1));
    *nearest = std::hypot(nx, ny);
    *farthest = std::hypot(fx, fy);
}

TEST(DiscCoverage, WholeInsideNoneOutsideAndBetweenOnTheEdge) {
    const struct {
        double cx, cy, r;
    } discs[] = {{299.5, 299.5, 295.45}, {63.9, 64.2, 7.3}, {10.0, 10.0, 0.45}, {5.25, 3.75, 2.0}};
    for (const auto& d : discs) {
        const int64_t span = static_cast<int64_t>(d.r) + 3;
        for (int64_t y = static_cast<int64_t>(d.cy) - span; y <= static_cast<int64_t>(d.cy) + span; ++y)
            for (int64_t x = static_cast<int64_t>(d.cx) - span; x <= static_cast<int64_t>(d.cx) + span; ++x) {
                double nearest, farthest;
                pixel_distances(d.cx, d.cy, x, y, &nearest, &farthest);
                const double c = disc_coverage(d.cx, d.cy, d.r, x, y);
                if (farthest <= d.r) {
                    EXPECT_NEAR(c, 1.0, 1e-9) << x << "," << y;
                } else if (nearest >= d.r) {
                    EXPECT_NEAR(c, 0.0, 1e-9) << x << "," << y;
                } else {
                    EXPECT_GT(c, 0.0) << x << "," << y;
                    EXPECT_LT(c, 1.0) << x << "," << y;
                }
            }
    }
    EXPECT_EQ(disc_coverage(5, 5, 0, 5, 5), 0.0);
    EXPECT_EQ(disc_coverage(5, 5, -3, 5, 5), 0.0);
    EXPECT_EQ(disc_coverage(5, 5, NAN, 5, 5), 0.0);
}

TEST(DiscCoverage, IsTheShareOfSamplePointsInsideTheDisc) {
    // 64 x 64 sample points per pixel: an edge crossing the pixel puts at
    // most about 1.5 / 64 of it on the wrong side of a sample.
    const struct {
        double cx, cy, r;
    } discs[] = {{299.5, 299.5, 295.45}, {63.9, 64.2, 7.3}, {10.0, 10.0, 0.45}, {40.3, 50.8, 1.9}};
    for (const auto& d : discs) {
        const int64_t span = static_cast<int64_t>(d.r) + 2;
        for (int64_t y = static_cast<int64_t>(d.cy) - span; y <= static_cast<int64_t>(d.cy) + span; ++y)
            for (int64_t x = static_cast<int64_t>(d.cx) - span; x <= static_cast<int64_t>(d.cx) + span; ++x) {
                double nearest, farthest;
                pixel_distances(d.cx, d.cy, x, y, &nearest, &farthest);
                if (nearest >= d.r || farthest <= d.r) continue;  // the edge's pixels only
                int inside = 0;
                for (int j = 0; j < 64; ++j)
                    for (int i = 0; i < 64; ++i)
                        inside += std::hypot(x + (i + 0.5) / 64 - d.cx, y + (j + 0.5) / 64 - d.cy) <= d.r;
                ASSERT_NEAR(disc_coverage(d.cx, d.cy, d.r, x, y), inside / 4096.0, 0.025) << x << "," << y;
            }
    }
}

TEST(DiscCoverage, SymmetricAboutTheCentrePixelAndTheDiagonal) {
    // Pixel 299's middle is the centre: pixel 299 + i mirrors 299 - i.
    const double r = smooth_disc_radius(295);
    for (int64_t j = 200; j <= 296; ++j)
        for (int64_t i = 0; i <= 296; ++i) {
            const double c = disc_coverage(299.5, 299.5, r, 299 + i, 299 + j);
            ASSERT_NEAR(c, disc_coverage(299.5, 299.5, r, 299 - i, 299 + j), 1e-9) << i << "," << j;
            ASSERT_NEAR(c, disc_coverage(299.5, 299.5, r, 299 + i, 299 - j), 1e-9) << i << "," << j;
            ASSERT_NEAR(c, disc_coverage(299.5, 299.5, r, 299 + j, 299 + i), 1e-9) << i << "," << j;
        }
}

TEST(DiscCoverage, SumsToTheDiscsArea) {
    const struct {
        double cx, cy, r;
    } discs[] = {{299.5, 299.5, 295.45}, {63.9, 64.2, 7.3}, {10.0, 10.0, 0.45}, {40.3, 50.8, 30.0}, {20, 20, 1.45}};
    for (const auto& d : discs) {
        double sum = 0;
        const int64_t span = static_cast<int64_t>(d.r) + 2;
        for (int64_t y = static_cast<int64_t>(d.cy) - span; y <= static_cast<int64_t>(d.cy) + span; ++y)
            for (int64_t x = static_cast<int64_t>(d.cx) - span; x <= static_cast<int64_t>(d.cx) + span; ++x)
                sum += disc_coverage(d.cx, d.cy, d.r, x, y);
        EXPECT_NEAR(sum, PI * d.r * d.r, 1e-6 * d.r * d.r + 1e-9) << d.r;
    }
}

// The pixels that can differ between the midpoint set of radius r and the
// set of coverage >= 1/2 of the disc r + delta, for 0 < delta < 1: those
// of the 600 x 600 canvas within a few pixels of the rim.  For each, whether
// the midpoint set holds it and the offset from which the disc covers it
// half (coverage grows with the radius: found by bisection).
struct RimPixel {
    bool midpoint;
    double threshold;
};
std::vector<RimPixel> rim_pixels(int64_t r) {
    std::vector<int64_t> half(static_cast<size_t>(r) + 1);
    midpoint_half_widths(r, half.data(), r + 1);
    std::vector<RimPixel> out;
    for (int64_t y = 0; y < CANVAS_SIZE; ++y)
        for (int64_t x = 0; x < CANVAS_SIZE; ++x) {
            const double d = std::hypot(x - 299.0, y - 299.0);
            if (d < static_cast<double>(r) - 2 || d > static_cast<double>(r) + 3) continue;  // agree there
            const int64_t k = std::abs(y - 299);
            double low = std::max(0.0, d - 1.0), high = d + 1.0;
            for (int i = 0; i < 34; ++i) {
                const double mid = 0.5 * (low + high);
                (disc_coverage(299.5, 299.5, mid, x, y) >= 0.5 ? high : low) = mid;
            }
            out.push_back({k <= r && std::abs(x - 299) <= half[static_cast<size_t>(k)], high - static_cast<double>(r)});
        }
    return out;
}

int64_t disagreement(const std::vector<RimPixel>& rim, double offset) {
    int64_t n = 0;
    for (const RimPixel& p : rim) n += p.midpoint != (offset >= p.threshold);
    return n;
}

// The fewest disagreeing pixels any offset gives, and the range of offsets
// that give it (of several, the one nearest SMOOTH_RADIUS_OFFSET).
struct OffsetFit {
    int64_t disagreeing;
    double low, high;
};
OffsetFit best_offset(int64_t r) {
    std::vector<RimPixel> rim = rim_pixels(r);
    std::sort(rim.begin(), rim.end(), [](const RimPixel& a, const RimPixel& b) { return a.threshold < b.threshold; });
    // Below every threshold the disc covers none of them half.
    int64_t count = 0;
    for (const RimPixel& p : rim) count += p.midpoint;
    OffsetFit best{count, -1.0, rim.empty() ? 1.0 : rim.front().threshold};
    auto distance = [](double low, double high) {
        return std::fabs(std::clamp(SMOOTH_RADIUS_OFFSET, low, high) - SMOOTH_RADIUS_OFFSET);
    };
    for (size_t i = 0; i < rim.size(); ++i) {
        count += rim[i].midpoint ? -1 : 1;
        const double low = rim[i].threshold, high = i + 1 < rim.size() ? rim[i + 1].threshold : low + 1.0;
        if (high <= low) continue;
        const bool nearer = distance(low, high) < distance(best.low, best.high);
        if (count < best.disagreeing || (count == best.disagreeing && nearer))
            best = {count, low, high};
    }
    return best;
}

TEST(DiscCoverage, HalfCoveredPixelsAreTheMidpointSetAsNearlyAsADiscComes) {
    // Each radius's offset is one of the best.  Over all radii 0 to 423
    // 22.7 pixels disagree on average (a constant offset of 0.45 would
    // leave 38.2); none for radii 0 to 9.
    for (int64_t r : {0, 1, 5, 6, 20, 100, 269, 295, 300, 400}) {
        const std::vector<RimPixel> rim = rim_pixels(r);
        const int64_t ours = disagreement(rim, smooth_disc_radius(r) - static_cast<double>(r));
        EXPECT_EQ(ours, best_offset(r).disagreeing) << r;
        EXPECT_LE(ours, disagreement(rim, SMOOTH_RADIUS_OFFSET)) << r;
        EXPECT_LE(ours, r / 2 + 8) << r;
    }
}

// Prints the table of offsets (run it by name with
// --gtest_also_run_disabled_tests after a change of the coverage).
TEST(DiscCoverage, DISABLED_PrintTheOffsetTable) {
    int64_t total = 0;
    for (int64_t r = 0; r < CUTOUT_FULL_RADIUS; ++r) {
        const OffsetFit fit = best_offset(r);
        total += fit.disagreeing;
        // Well inside the range (some are narrow), in steps of 2^-24.
        const double margin = std::min(1.0 / 1024, (fit.high - fit.low) / 4);
        const double offset = std::clamp(SMOOTH_RADIUS_OFFSET, fit.low + margin, fit.high - margin);
        const long long steps = std::llround(std::ldexp(offset, 24));
        EXPECT_TRUE(std::ldexp(steps, -24) > fit.low && std::ldexp(steps, -24) < fit.high) << r;
        std::printf("%lld,%s", steps, r % 8 == 7 ? "\n" : " ");
    }
    std::printf("\ndisagreeing pixels over the radii: %lld\n", static_cast<long long>(total));
}

TEST(MidpointHalfWidths, AreTheRowsFillCircleFills) {
    std::unique_ptr<PixelBuffer> source{new PixelBuffer{}}, a{new PixelBuffer{}}, b{new PixelBuffer{}};
    for (int64_t i = 0; i < CANVAS_SIZE * CANVAS_SIZE; ++i) source->words[i] = source_word(i % 600, i / 600);
    const CutoutCanvas ca{source.get(), a.get(), 77}, cb{source.get(), b.get(), 77};
    for (int64_t r : {0, 1, 2, 3, 7, 50, 211, 295, 300, 423, 424, 1201, 1202, 5000}) {
        fill_output_buffer(a.get(), 0x123456, 9);
        fill_output_buffer(b.get(), 0x123456, 9);
        fill_circle(ca, CUTOUT_CENTRE, CUTOUT_CENTRE, r);
        draw_hard_disc(buffer_pixels(cb), CUTOUT_CENTRE, CUTOUT_CENTRE, r, 77);
        EXPECT_EQ(std::memcmp(a->words, b->words, PIXEL_BUFFER_SIZE), 0) << r;
    }
    int64_t half[4];
    EXPECT_EQ(midpoint_half_widths(3, half, 4), 4);
    EXPECT_EQ(midpoint_half_widths(4, half, 4), 0);
    EXPECT_EQ(midpoint_half_widths(-1, half, 4), 0);
}

TEST(EdgeMix, PremultipliedAsTheAlphasSay) {
    const uint32_t source = 0x00C08040, background = 0x0010F020;
    const int64_t one = EDGE_WEIGHT_ONE;
    // A transparent outside lends no colour: the source's own, at c * inner.
    for (int64_t weight : {int64_t{1}, one / 4, one / 2, one - 1})
        for (int64_t inner : {1, 128, 255}) {
            const uint32_t m = mix_edge_pixel(source, background, inner, 0, weight);
            EXPECT_EQ(m & 0xFFFFFF, source) << weight << " " << inner;
            EXPECT_EQ(m >> 24, static_cast<uint32_t>((weight * inner + one / 2) / one)) << weight << " " << inner;
        }
    // Likewise a transparent inside.
    EXPECT_EQ(mix_edge_pixel(source, background, 0, 200, one / 3) & 0xFFFFFF, background);
    // Equal alphas (0 included) blend the colours plainly and keep the alpha.
    for (int64_t alpha : {0, 90, 255}) {
        const uint32_t m = mix_edge_pixel(source, background, alpha, alpha, one / 4);
        // A quarter of C0 80 40 and three quarters of 10 F0 20.
        EXPECT_EQ(m, (static_cast<uint32_t>(alpha) << 24) | 0x3CD428u) << alpha;
    }
    // The ends: all background, all source.
    EXPECT_EQ(mix_edge_pixel(source, background, 30, 200, 0), 0xC8000000u | background);
    EXPECT_EQ(mix_edge_pixel(source, background, 30, 200, one), 0x1E000000u | source);
    // Unequal alphas: alpha 1/2 * 255 + 1/2 * 85 = 170, colour weighted 3 : 1.
    EXPECT_EQ(mix_edge_pixel(0x000000FF, 0x00000000, 255, 85, one / 2), 0xAA0000BFu);
}

class SmoothDisc : public ::testing::Test {
protected:
    std::unique_ptr<PixelBuffer> source{new PixelBuffer{}};
    std::unique_ptr<PixelBuffer> output{new PixelBuffer{}};
    void SetUp() override {
        for (int64_t i = 0; i < CANVAS_SIZE * CANVAS_SIZE; ++i) source->words[i] = source_word(i % 600, i / 600);
    }
    void render(int64_t radius, int64_t smooth, int64_t colour = 0x336699, int64_t outer = 40, int64_t inner = 230) {
        const CutoutCanvas canvas{source.get(), output.get(), inner};
        fill_output_buffer(output.get(), colour, outer);
        draw_cutout_circle(canvas, radius, colour, outer, smooth);
    }
    uint32_t at(int64_t x, int64_t y) const { return output->words[x + CANVAS_SIZE * y]; }
};

TEST_F(SmoothDisc, OffIsTodaysCircleAndOnMixesEachPixelByItsCoverage) {
    std::unique_ptr<PixelBuffer> today{new PixelBuffer{}};
    compose_cutout(CutoutCanvas{source.get(), today.get(), 230}, 0x336699, 40, 295);
    render(295, 0);
    EXPECT_EQ(std::memcmp(output->words, today->words, PIXEL_BUFFER_SIZE), 0);

    render(295, 1);
    const uint32_t background = static_cast<uint32_t>(cutout_fill_word(0x336699, 40));
    const double r = smooth_disc_radius(295);
    int64_t edge = 0;
    for (int64_t y = 0; y < CANVAS_SIZE; ++y)
        for (int64_t x = 0; x < CANVAS_SIZE; ++x) {
            const double c = disc_coverage(299.5, 299.5, r, x, y);
            const int64_t weight = std::llround(c * EDGE_WEIGHT_ONE);
            const uint32_t s = source_word(x, y) & 0xFFFFFF;
            const uint32_t got = at(x, y);
            if (weight == 0) {
                ASSERT_EQ(got, background) << x << "," << y;
            } else if (weight == EDGE_WEIGHT_ONE) {
                ASSERT_EQ(got, s | 0xE6000000u) << x << "," << y;
            } else {
                // The row's running areas differ from the pixel's own by
                // rounding only: at most one step of the weight.
                ++edge;
                const uint32_t lo = mix_edge_pixel(s, background, 230, 40, weight - 1);
                const uint32_t hi = mix_edge_pixel(s, background, 230, 40, weight + 1);
                for (int shift = 0; shift < 32; shift += 8) {
                    const int64_t g = (got >> shift) & 0xFF, a = (lo >> shift) & 0xFF, b = (hi >> shift) & 0xFF;
                    ASSERT_GE(g, std::min(a, b)) << x << "," << y;
                    ASSERT_LE(g, std::max(a, b)) << x << "," << y;
                }
            }
        }
    EXPECT_GT(edge, 2000);
}

TEST_F(SmoothDisc, RadiusZeroFullAndNegative) {
    const uint32_t background = static_cast<uint32_t>(cutout_fill_word(0x336699, 40));
    // Radius 0: the centre pixel alone, covered pi * 0.45^2 = 0.64.
    render(0, 1);
    const double r = smooth_disc_radius(0);
    EXPECT_NEAR(r, 0.45, 1e-4);
    const int64_t weight = std::llround(PI * r * r * EDGE_WEIGHT_ONE);
    for (int64_t y = 0; y < CANVAS_SIZE; ++y)
        for (int64_t x = 0; x < CANVAS_SIZE; ++x)
            if (x != 299 || y != 299) {
                ASSERT_EQ(at(x, y), background) << x << "," << y;
            }
    EXPECT_EQ(at(299, 299), mix_edge_pixel(source_word(299, 299), background, 230, 40, weight));
    // 424 and more cover the canvas, as the midpoint circle does.
    for (int64_t r : {int64_t{424}, int64_t{100000}, INT64_MAX}) {
        render(r, 1);
        for (int64_t i = 0; i < CANVAS_SIZE * CANVAS_SIZE; ++i)
            ASSERT_EQ(output->words[i], (source->words[i] & 0xFFFFFF) | 0xE6000000u) << r;
    }
    for (int64_t r : {int64_t{-1}, INT64_MIN}) {
        render(r, 1);
        for (uint32_t w : output->words) ASSERT_EQ(w, background) << r;
    }
}

}  // namespace
