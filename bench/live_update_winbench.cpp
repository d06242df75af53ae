// One live update of the 600 x 600 crop (a drag step or a crop press: the
// square scaled straight from the picture) at the sides a wheel notch or a
// spin gives, for 24-bit and 32-bit pictures: the scaling as it was before
// (square_before.h) and today's, in the same run, with the ratio, and whether
// both gave the same bytes.  Then the memory one scaling takes beyond its
// result, for an output of 2048 from a 9000-pixel square of a 32-bit
// picture (the cubic filter), today's and before.
#include <windows.h>
#include <psapi.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "image/square.h"
#include "square_before.h"
#include "timing.h"

namespace {

struct Picture {
    int32_t width, height, bpp;
    int64_t stride;
    std::vector<uint8_t> bits;
};

// Smooth gradients with fine noise; a 32-bit picture gets a transparent band
// (a cut-out's background), whose pixels the cubic filter takes as white.
Picture make_picture(int32_t width, int32_t height, int32_t bpp) {
    Picture p{width, height, bpp, (static_cast<int64_t>(width) * bpp + 3) & ~int64_t{3}, {}};
    p.bits.resize(static_cast<size_t>(p.stride) * height);
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* row = p.bits.data() + static_cast<size_t>(y) * p.stride;
        for (int32_t x = 0; x < width; ++x) {
            uint32_t h = static_cast<uint32_t>(x) * 73856093u ^ static_cast<uint32_t>(y) * 19349663u;
            h ^= h >> 13;
            h *= 0x5bd1e995u;
            const int noise = static_cast<int>(h >> 28);
            uint8_t* px = row + static_cast<size_t>(x) * bpp;
            px[0] = static_cast<uint8_t>((x / 16 + noise) & 255);
            px[1] = static_cast<uint8_t>((y / 12 + noise) & 255);
            px[2] = static_cast<uint8_t>(((x + y) / 24 + noise) & 255);
            if (bpp == 4) px[3] = x % 900 < 120 ? 0 : 255;
        }
    }
    return p;
}

void compare(const char* title, const Picture& p, int32_t side, int runs) {
    const SquareFilter filter = p.bpp == 4 ? SQUARE_CUBIC : SQUARE_AREA;
    const int64_t stride = 600 * p.bpp;
    std::vector<uint8_t> old_out(600 * 600 * 4), new_out(600 * 600 * 4);
    // A drag: the square moves one picture pixel either way at each update.
    const int64_t y = (p.height - side) / 2;
    bool right = false;
    auto update = [&](auto&& scale, std::vector<uint8_t>& out) {
        right = !right;
        scale(out.data(), stride, 600, p.bits.data(), p.stride, p.width, p.height, p.bpp, right ? 1 : 0, y, side,
              filter);
    };
    char name[96];
    std::snprintf(name, sizeof name, "%s side %d, before", title, side);
    const double old_ms = time_job(name, runs, [&] { update(before::scale_square, old_out); });
    std::snprintf(name, sizeof name, "%s side %d, now", title, side);
    const double new_ms = time_job(name, runs, [&] { update(scale_square, new_out); });
    // Both ended on the same position (the same number of runs).
    std::printf("  -> ratio %.2f, same bytes: %s\n", new_ms / old_ms,
                std::memcmp(old_out.data(), new_out.data(), new_out.size()) == 0 ? "yes" : "NO");
}

size_t peak_working_set() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PeakWorkingSetSize;
}

size_t working_set() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.WorkingSetSize;
}

// Today's first: the peak only grows, so the earlier path, which needs more,
// is measured second.
void compare_memory(const Picture& p, int32_t size, int32_t side) {
    std::vector<uint8_t> out(static_cast<size_t>(size) * size * 4, 1);  // touched: part of the base
    auto grown = [&](auto&& scale) {
        const size_t base = working_set();
        scale(out.data(), int64_t{size} * 4, size, p.bits.data(), p.stride, p.width, p.height, 4, 0, 0, side,
              SQUARE_CUBIC);
        const size_t peak = peak_working_set();
        return peak > base ? (peak - base) / 1e6 : 0.0;
    };
    const double now = grown(scale_square), old = grown(before::scale_square);
    std::printf("32-bit %d x %d, side %d -> %d: beyond the %.1f MB result: before %.1f MB, now %.1f MB\n", p.width,
                p.height, side, size, static_cast<double>(size) * size * 4 / 1e6, old, now);
}

}  // namespace

int main() {
    const Picture wide24 = make_picture(3840, 2400, 3);
    for (int32_t side : {2160, 2400, 2640}) compare("24-bit 3840 x 2400", wide24, side, 41);
    const Picture wide32 = make_picture(3840, 2400, 4);
    for (int32_t side : {2400, 2640}) compare("32-bit 3840 x 2400", wide32, side, 21);
    const Picture big24 = make_picture(8000, 6000, 3);
    compare("24-bit 8000 x 6000", big24, 6000, 21);
    compare_memory(make_picture(9600, 9000, 4), 2048, 9000);
    return 0;
}
