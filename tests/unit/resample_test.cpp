// The resampling kernels: cubic weights and passes, the area average, and
// the properties that catch real faults (weights that do not sum to 1,
// constant pictures that drift, edges that wrap instead of clamping).
#include "image/resample.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "unit/palette_pictures.h"

namespace {

TEST(MitchellFilter, KnownValuesAndContinuity) {
    EXPECT_NEAR(mitchell_filter(0), 8.0 / 9.0, 1e-15);
    EXPECT_NEAR(mitchell_filter(1), 1.0 / 18.0, 1e-15);
    EXPECT_NEAR(mitchell_filter(-1), 1.0 / 18.0, 1e-15);
    EXPECT_EQ(mitchell_filter(2), 0);
    EXPECT_EQ(mitchell_filter(-7.5), 0);
    for (double t : {1.0, 2.0}) EXPECT_NEAR(mitchell_filter(t - 1e-9), mitchell_filter(t + 1e-9), 1e-7);
    // Negative lobe between 1 and 2.
    EXPECT_LT(mitchell_filter(1.5), 0);
}

TEST(Contributions, HalvingTwelveHundredColumnsMatchesTheWorkedExample) {
    ContributionTable* t = make_contributions(600, 1200);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->max_taps, 9);
    EXPECT_EQ(t->entries[0].first, 0);
    EXPECT_EQ(t->entries[0].count, 6);
    // A middle index: centre 2i + 0.5, taps from floor(centre - 4) + 1
    // (one too many) to ceil(centre + 4).
    EXPECT_EQ(t->entries[300].first, 597);
    EXPECT_EQ(t->entries[300].count, 9);
    EXPECT_EQ(t->entries[599].first + t->entries[599].count - 1, 1199);
    free_contributions(t);
}

TEST(Contributions, WeightsOfEveryIndexSumToOneAndStayInsideTheSource) {
    const int32_t sources[] = {1, 2, 3, 7, 10, 33, 100, 601};
    const double scales[] = {0.1, 0.13, 0.25, 0.333, 0.5, 0.77, 1.0, 1.5, 2.0, 3.7, 5.0, 8.0};
    for (int32_t s : sources) {
        for (double scale : scales) {
            int32_t d = static_cast<int32_t>(std::lround(s * scale));
            if (d < 1) d = 1;
            ContributionTable* t = make_contributions(d, s);
            ASSERT_NE(t, nullptr);
            for (int32_t i = 0; i < d; ++i) {
                const Contribution& e = t->entries[i];
                ASSERT_GE(e.first, 0);
                ASSERT_GE(e.count, 1);
                ASSERT_LE(e.count, t->max_taps);
                ASSERT_LE(e.first + e.count, s);
                double total = 0;
                for (int32_t k = 0; k < e.count; ++k) total += e.weights[k];
                EXPECT_NEAR(total, 1.0, 1e-12) << s << " -> " << d << " index " << i;
            }
            free_contributions(t);
        }
    }
    EXPECT_EQ(make_contributions(0, 5), nullptr);
    EXPECT_EQ(make_contributions(5, -1), nullptr);
}

// A packed 32-bit picture with distinct channels.
std::vector<uint8_t> constant32(int w, int h, uint8_t b, uint8_t g, uint8_t r, uint8_t a) {
    std::vector<uint8_t> v(static_cast<size_t>(w) * h * 4);
    for (size_t i = 0; i < v.size(); i += 4) {
        v[i] = b;
        v[i + 1] = g;
        v[i + 2] = r;
        v[i + 3] = a;
    }
    return v;
}

TEST(CubicResample, ConstantPicturesStayConstantAtEveryScale) {
    const int sizes[][4] = {{4, 1, 8, 1}, {7, 5, 3, 2}, {7, 5, 29, 11}, {40, 30, 6, 6}, {5, 9, 5, 4}, {1, 1, 3, 3}};
    for (auto& s : sizes) {
        auto src = constant32(s[0], s[1], 10, 20, 30, 255);
        std::vector<uint8_t> dst(static_cast<size_t>(s[2]) * s[3] * 4, 0xEE);
        ASSERT_TRUE(cubic_resample(dst.data(), s[2], s[3], src.data(), s[0], s[1], true));
        EXPECT_EQ(dst, constant32(s[2], s[3], 10, 20, 30, 255)) << s[0] << "x" << s[1] << " -> " << s[2] << "x" << s[3];
    }
}

TEST(CubicResample, AnUpscaledHardEdgeOvershootsAndIsClamped) {
    // One row: 4 pixels at 50 then 4 at 200, every channel.
    std::vector<uint8_t> src(8 * 4);
    for (int x = 0; x < 8; ++x)
        for (int c = 0; c < 4; ++c) src[4 * x + c] = x < 4 ? 50 : 200;
    std::vector<uint8_t> dst(32 * 4);
    ASSERT_TRUE(cubic_resample(dst.data(), 32, 1, src.data(), 8, 1, false));
    int low = 255, high = 0;
    for (int x = 0; x < 32; ++x) {
        low = std::min<int>(low, dst[4 * x]);
        high = std::max<int>(high, dst[4 * x]);
    }
    EXPECT_LT(low, 50);    // ringing below the dark side
    EXPECT_GT(high, 200);  // and above the bright side

    // With 0 and 255 the same ringing must clamp, not wrap around.
    for (int x = 0; x < 8; ++x)
        for (int c = 0; c < 4; ++c) src[4 * x + c] = x < 4 ? 0 : 255;
    ASSERT_TRUE(cubic_resample(dst.data(), 32, 1, src.data(), 8, 1, false));
    for (int x = 0; x < 32; ++x) {
        if (x < 12) {
            EXPECT_EQ(dst[4 * x], 0) << x;
        }
        if (x >= 20) {
            EXPECT_EQ(dst[4 * x], 255) << x;
        }
    }
    // Monotone across the edge once clamped.
    for (int x = 1; x < 32; ++x) EXPECT_GE(dst[4 * x], dst[4 * (x - 1)]) << x;
}

TEST(CubicResample, TransparentPixelsTurnWhiteBeforeFiltering) {
    // An opaque red square (2 x 2) in the middle of a transparent black 6 x 6.
    std::vector<uint8_t> src(6 * 6 * 4, 0);
    for (int y = 2; y < 4; ++y)
        for (int x = 2; x < 4; ++x) {
            uint8_t* p = &src[(y * 6 + x) * 4];
            p[2] = 255;
            p[3] = 255;
        }
    std::vector<uint8_t> dst(12 * 12 * 4);
    ASSERT_TRUE(cubic_resample(dst.data(), 12, 12, src.data(), 6, 6, true));
    // Fully transparent areas come out white with alpha 0.
    const uint8_t* corner = &dst[0];
    EXPECT_EQ(corner[0], 255);
    EXPECT_EQ(corner[1], 255);
    EXPECT_EQ(corner[2], 255);
    EXPECT_EQ(corner[3], 0);
    // Near the edge the colour bytes blend towards white, not black.
    const uint8_t* edge = &dst[(6 * 12 + 3) * 4];
    EXPECT_GT(edge[0], 0);
    EXPECT_GT(edge[1], 0);
    EXPECT_EQ(edge[2], 255);
    // The source itself was whitened in place.
    EXPECT_EQ(src[0], 255);
    EXPECT_EQ(src[3], 0);
}

TEST(CubicResample, FourEqualPixelsScaledToEightStayEqual) {
    auto src = constant32(4, 1, 10, 20, 30, 255);
    std::vector<uint8_t> dst(8 * 4);
    ASSERT_TRUE(cubic_resample(dst.data(), 8, 1, src.data(), 4, 1, true));
    EXPECT_EQ(dst, constant32(8, 1, 10, 20, 30, 255));
}

TEST(CubicResample, ThePassOrderDoesNotChangeTheShapeOfTheResult) {
    // A vertical gradient shrunk only vertically: every column alike.
    const int w = 5, h = 9;
    std::vector<uint8_t> src(w * h * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 4; ++c) src[(y * w + x) * 4 + c] = static_cast<uint8_t>(y * 25 + c);
    std::vector<uint8_t> dst(w * 4 * 4);
    ASSERT_TRUE(cubic_resample(dst.data(), w, 4, src.data(), w, h, false));
    for (int y = 0; y < 4; ++y)
        for (int x = 1; x < w; ++x)
            for (int c = 0; c < 4; ++c) EXPECT_EQ(dst[(y * w + x) * 4 + c], dst[(y * w) * 4 + c]);
    // Rows increase bottom to top as the source does.
    for (int y = 1; y < 4; ++y) EXPECT_GT(dst[y * w * 4], dst[(y - 1) * w * 4]);
}

// The cubic resample straight from its definition, in 2D and without the
// two passes: each destination pixel is the sum over the source of the
// filter's weight across times its weight down, each axis normalised.
double reference_mitchell(double x) {
    const double t = std::fabs(x);
    if (t < 1) return 7.0 / 6 * t * t * t - 2 * t * t + 8.0 / 9;
    if (t < 2) return -7.0 / 18 * t * t * t + 2 * t * t - 10.0 / 3 * t + 16.0 / 9;
    return 0;
}

std::vector<double> reference_weights(int destination, int source, int i) {
    const double scale = static_cast<double>(destination) / source;
    const double f = scale < 1 ? scale : 1;
    const double centre = (i + 0.5) / scale - 0.5;
    std::vector<double> w(source);
    double total = 0;
    for (int j = 0; j < source; ++j) total += w[j] = reference_mitchell((centre - j) * f) * f;
    for (double& v : w) v /= total;
    return w;
}

std::vector<uint8_t> reference_cubic(const std::vector<uint8_t>& src, int sw, int sh, int dw, int dh) {
    std::vector<uint8_t> out(static_cast<size_t>(dw) * dh * 4);
    for (int y = 0; y < dh; ++y) {
        const std::vector<double> wy = reference_weights(dh, sh, y);
        for (int x = 0; x < dw; ++x) {
            const std::vector<double> wx = reference_weights(dw, sw, x);
            for (int c = 0; c < 4; ++c) {
                double sum = 0;
                for (int j = 0; j < sh; ++j)
                    for (int i = 0; i < sw; ++i) sum += src[(static_cast<size_t>(j) * sw + i) * 4 + c] * wx[i] * wy[j];
                out[(static_cast<size_t>(y) * dw + x) * 4 + c] = static_cast<uint8_t>(picture_clamp(sum));
            }
        }
    }
    return out;
}

// On a photograph-like picture, shrinking, enlarging and both at once: the
// two byte-rounded passes stay within one step of the exact 2D result.  The
// picture is kept inside 20 .. 235 so that no overshoot is clamped between
// the passes.
TEST(CubicResample, MatchesATwoDimensionalReferenceOnAPhotograph) {
    const int sw = 61, sh = 47;
    TestPicture photo = synthetic_photograph(sw, sh, 32, true);
    std::vector<uint8_t> src(photo.bytes.size());
    for (size_t k = 0; k < src.size(); ++k) src[k] = static_cast<uint8_t>(20 + photo.bytes[k] * 215 / 255);
    for (auto [dw, dh] : {std::pair{25, 19}, {128, 100}, {90, 30}}) {
        std::vector<uint8_t> input = src, ours(static_cast<size_t>(dw) * dh * 4);
        ASSERT_TRUE(cubic_resample(ours.data(), dw, dh, input.data(), sw, sh, false));
        const std::vector<uint8_t> reference = reference_cubic(src, sw, sh, dw, dh);
        int worst = 0;
        for (size_t k = 0; k < ours.size(); ++k) worst = std::max(worst, std::abs(ours[k] - reference[k]));
        EXPECT_LE(worst, 1) << dw << " x " << dh;
    }
}

// A reference area average straight from the definition: the footprint of
// each destination pixel in source coordinates, integrated in 2D.
std::vector<uint8_t> reference_area(const std::vector<uint8_t>& src, int64_t sstride, int sw, int sh, int dw, int dh,
                                    int bpp, int64_t dstride) {
    std::vector<uint8_t> out(dstride * dh, 0);
    double fx = static_cast<double>(sw) / dw, fy = static_cast<double>(sh) / dh;
    for (int y = 0; y < dh; ++y) {
        for (int x = 0; x < dw; ++x) {
            double x0 = x * fx, x1 = (x + 1) * fx, y0 = y * fy, y1 = (y + 1) * fy;
            for (int c = 0; c < bpp; ++c) {
                double sum = 0;
                for (int j = static_cast<int>(y0); j < sh && j < y1; ++j) {
                    double wy = std::min<double>(j + 1, y1) - std::max<double>(j, y0);
                    if (wy <= 0) continue;
                    for (int i = static_cast<int>(x0); i < sw && i < x1; ++i) {
                        double wx = std::min<double>(i + 1, x1) - std::max<double>(i, x0);
                        if (wx <= 0) continue;
                        sum += src[j * sstride + i * bpp + c] * wx * wy;
                    }
                }
                out[y * dstride + x * bpp + c] = static_cast<uint8_t>(std::floor(sum / (fx * fy) + 0.5));
            }
        }
    }
    return out;
}

int64_t padded(int w, int bpp) { return (static_cast<int64_t>(w) * bpp + 3) / 4 * 4; }

TEST(AreaResample, MatchesTheDefinitionForOddSizesBothWays) {
    std::mt19937 random(7);
    const int sizes[][4] = {{7, 5, 3, 2}, {7, 5, 2, 3}, {13, 11, 5, 7}, {3, 3, 7, 5}, {5, 1, 13, 3},
                            {31, 17, 31, 4}, {9, 9, 9, 9}, {1, 1, 4, 3}, {600, 3, 7, 2}};
    for (int bpp : {3, 4}) {
        for (auto& s : sizes) {
            int sw = s[0], sh = s[1], dw = s[2], dh = s[3];
            int64_t ss = padded(sw, bpp), ds = padded(dw, bpp);
            std::vector<uint8_t> src(ss * sh);
            for (auto& b : src) b = static_cast<uint8_t>(random());
            std::vector<uint8_t> dst(ds * dh, 0);
            ASSERT_TRUE(area_resample(dst.data(), ds, dw, dh, src.data(), ss, sw, sh, bpp));
            auto want = reference_area(src, ss, sw, sh, dw, dh, bpp, ds);
            int off = 0;
            for (int y = 0; y < dh; ++y)
                for (int x = 0; x < dw * bpp; ++x) {
                    int diff = std::abs(dst[y * ds + x] - want[y * ds + x]);
                    EXPECT_LE(diff, 1) << sw << "x" << sh << " -> " << dw << "x" << dh << " at " << x << "," << y;
                    off += diff;
                }
            // The reference only differs on exact halves lost to rounding.
            EXPECT_LE(off, 2) << sw << "x" << sh << " -> " << dw << "x" << dh;
            // Padding bytes of the destination are left alone.
            for (int y = 0; y < dh; ++y)
                for (int64_t x = dw * bpp; x < ds; ++x) EXPECT_EQ(dst[y * ds + x], 0);
        }
    }
}

TEST(AreaResample, OnePixelStripesShrunkByHalfBecomeGrey) {
    const int sw = 8, sh = 3, bpp = 3;
    int64_t ss = padded(sw, bpp), ds = padded(4, bpp);
    std::vector<uint8_t> src(ss * sh, 0);
    for (int y = 0; y < sh; ++y)
        for (int x = 0; x < sw; x += 2)
            for (int c = 0; c < 3; ++c) src[y * ss + x * 3 + c] = 255;
    std::vector<uint8_t> dst(ds * 3);
    ASSERT_TRUE(area_resample(dst.data(), ds, 4, 3, src.data(), ss, sw, sh, bpp));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 12; ++x) EXPECT_EQ(dst[y * ds + x], 128);  // 127.5 rounds up
}

TEST(AreaResample, ConstantPicturesStayConstantAndWeightsTotalTheSpan) {
    const int sizes[][4] = {{2400, 1, 600, 1}, {7, 5, 600, 600}, {601, 3, 600, 2}, {3, 601, 2, 600}};
    for (auto& s : sizes) {
        int64_t ss = padded(s[0], 3), ds = padded(s[2], 3);
        std::vector<uint8_t> src(ss * s[1]);
        for (int y = 0; y < s[1]; ++y)
            for (int x = 0; x < s[0]; ++x) {
                src[y * ss + 3 * x] = 11;
                src[y * ss + 3 * x + 1] = 222;
                src[y * ss + 3 * x + 2] = 133;
            }
        std::vector<uint8_t> dst(ds * s[3]);
        ASSERT_TRUE(area_resample(dst.data(), ds, s[2], s[3], src.data(), ss, s[0], s[1], 3));
        bool same = true;
        for (int y = 0; y < s[3]; ++y)
            for (int x = 0; x < s[2]; ++x)
                same = same && dst[y * ds + 3 * x] == 11 && dst[y * ds + 3 * x + 1] == 222 &&
                       dst[y * ds + 3 * x + 2] == 133;
        EXPECT_TRUE(same) << s[0] << "x" << s[1] << " -> " << s[2] << "x" << s[3];
    }
    for (auto [d, s] : {std::pair{600, 2400}, {600, 601}, {601, 600}, {7, 3}, {1, 32767}}) {
        AreaTable* t = make_area_table(d, s);
        ASSERT_NE(t, nullptr);
        for (int i = 0; i < d; ++i) {
            uint32_t total = 0;
            for (int k = 0; k < t->count[i]; ++k) total += t->weights[t->offset[i] + k];
            ASSERT_EQ(total, t->total) << d << " from " << s << " index " << i;
            ASSERT_LE(t->first[i] + t->count[i], s);
        }
        free_area_table(t);
    }
    uint8_t one[4] = {};
    EXPECT_FALSE(area_resample(one, 4, 1, 1, one, 4, 1, 1, 2));
    EXPECT_FALSE(area_resample(one, 4, 0, 1, one, 4, 1, 1, 3));
}

}  // namespace
