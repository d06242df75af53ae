// The shared brush cache: one brush per colour, counted references.
#include <gtest/gtest.h>

#include <set>

#include "ui/brush_cache.h"

namespace {

std::set<int64_t> live;
int64_t next_brush = 100;
int64_t make(int32_t) {
    live.insert(next_brush);
    return next_brush++;
}
void remove(int64_t b) { EXPECT_EQ(live.erase(b), 1u) << "deleted twice or never made"; }

TEST(BrushCache, SameColourSharesOneBrushUntilTheLastRelease) {
    live.clear();
    BrushCache cache = {nullptr, make, remove};
    const int64_t a = take_brush(&cache, 0x112233);
    const int64_t b = take_brush(&cache, 0x112233);
    const int64_t c = take_brush(&cache, 0x445566);
    EXPECT_EQ(a, b);
    EXPECT_NE(a, c);
    EXPECT_EQ(live.size(), 2u);
    EXPECT_EQ(cached_brush_count(&cache), 2);

    release_brush(&cache, a);  // one user left
    EXPECT_EQ(live.count(a), 1u);
    release_brush(&cache, b);
    EXPECT_EQ(live.count(a), 0u);
    EXPECT_EQ(cached_brush_count(&cache), 1);

    release_brush(&cache, 0);       // nothing
    release_brush(&cache, 999999);  // not ours: ignored
    release_brush(&cache, a);       // already gone: ignored
    EXPECT_EQ(live.size(), 1u);

    // A colour asked for again after its brush went gets a new one.
    const int64_t again = take_brush(&cache, 0x112233);
    EXPECT_NE(again, 0);
    release_brush(&cache, again);
    release_brush(&cache, c);
    EXPECT_TRUE(live.empty());
    EXPECT_EQ(cache.first, nullptr);
}

TEST(BrushCache, AFailedBrushIsNotCached) {
    BrushCache cache = {nullptr, [](int32_t) -> int64_t { return 0; }, nullptr};
    EXPECT_EQ(take_brush(&cache, 5), 0);
    EXPECT_EQ(cached_brush_count(&cache), 0);
}

}  // namespace
