// Palette reduction on random pictures: 24- or 32-bit pixels with any pitch
// (negative too), depths 1 to 8, with and without dithering, the rows asked
// for from the first memory row down or from the last up.
//
// Properties: the caller's pixels are never changed; every row comes back;
// every packed index is below 2^depth and the bytes after the packed row are
// zero; depth 1 follows the brightness threshold exactly; and asking for the
// same rows of a second reducer of the same picture gives the same indices
// when no dithering carries state from row to row.
#include <cstring>
#include <vector>

#include "codecs/palette.h"
#include "fuzz_input.h"

namespace {

constexpr int64_t MAX_PIXELS = 1 << 14;

int unpacked(const uint8_t* row, int32_t x, int32_t depth) {
    if (depth == 8 || depth == 3 || depth == 5 || depth == 6 || depth == 7) return row[x];
    int per_byte = 8 / depth;
    int shift = 8 - depth * (x % per_byte + 1);
    return (row[x / per_byte] >> shift) & ((1 << depth) - 1);
}

size_t packed_size(int32_t width, int32_t depth) {
    int per_byte = depth == 4 ? 2 : depth == 2 ? 4 : depth == 1 ? 8 : 1;
    return (static_cast<size_t>(width) + per_byte - 1) / per_byte;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in{data, size};
    int32_t width = static_cast<int32_t>(in.byte() < 200 ? in.range(1, 40) : in.range(1, 2000));
    int32_t height = static_cast<int32_t>(in.byte() < 200 ? in.range(1, 40) : in.range(1, 2000));
    if (static_cast<int64_t>(width) * height > MAX_PIXELS) height = static_cast<int32_t>(MAX_PIXELS / width);
    const int32_t bits = in.flag() ? 32 : 24;
    const int32_t depth = static_cast<int32_t>(in.range(1, 8));
    const uint8_t how = in.byte();
    const int32_t flags = (how & 1 ? DITHER : 0) | (how & 0xF0);
    const bool upwards = how & 2;
    const bool negative_pitch = how & 4;
    const int32_t row_bytes = width * (bits / 8);
    const int32_t pitch = row_bytes + static_cast<int32_t>(in.range(0, 3)) * (how & 8 ? 4 : 1);

    std::vector<uint8_t> memory(static_cast<size_t>(pitch) * height);
    size_t rest = in.left();
    for (size_t i = 0; i < memory.size(); ++i) memory[i] = rest ? in.data[in.at + i % rest] : static_cast<uint8_t>(i * 13);
    const std::vector<uint8_t> original = memory;
    // With a negative pitch the first memory row is the last in the buffer.
    const uint8_t* first = negative_pitch ? memory.data() + static_cast<size_t>(pitch) * (height - 1) : memory.data();
    const int32_t signed_pitch = negative_pitch ? -pitch : pitch;

    PaletteReducer* r = reduce_palette(first, width, height, bits, signed_pitch, depth, flags);
    FUZZ_CHECK(r);
    PaletteReducer* again = (flags & DITHER) ? nullptr : reduce_palette(first, width, height, bits, signed_pitch, depth, flags);
    FUZZ_CHECK((flags & DITHER) || again);
    FUZZ_CHECK(reducer_row(r, -1) == nullptr && reducer_row(r, height) == nullptr);

    const size_t packed = packed_size(width, depth);
    std::vector<uint8_t> copy(packed);
    for (int32_t i = 0; i < height; ++i) {
        int32_t row = upwards ? height - 1 - i : i;
        uint8_t* out = reducer_row(r, row);
        FUZZ_CHECK(out);
        for (size_t k = packed; k < static_cast<size_t>(width) + 8; ++k) FUZZ_CHECK(out[k] == 0);
        const uint8_t* pixels = first + static_cast<ptrdiff_t>(row) * signed_pitch;
        for (int32_t x = 0; x < width; ++x) {
            int index = unpacked(out, x, depth);
            FUZZ_CHECK(index < (1 << depth));
            if (depth == 1) {
                const uint8_t* p = pixels + static_cast<size_t>(x) * (bits / 8);
                int want = 0.2126 * p[2] + 0.7152 * p[1] + 0.0722 * p[0] > 160 ? 1 : 0;
                FUZZ_CHECK(index == want);
            }
        }
        if (again) {
            std::memcpy(copy.data(), out, packed);
            // Without dithering a picture's indices are settled by the
            // picture alone: a second reducer gives the same.
            uint8_t* other = reducer_row(again, row);
            FUZZ_CHECK(other && std::memcmp(other, copy.data(), packed) == 0);
        }
    }
    if (depth == 1) {
        FUZZ_CHECK(r->palette[0][0] == 0 && r->palette[0][1] == 0 && r->palette[0][2] == 0);
        FUZZ_CHECK(r->palette[1][0] == 255 && r->palette[1][1] == 255 && r->palette[1][2] == 255);
    }
    free_reducer(r);
    free_reducer(again);
    FUZZ_CHECK(memory == original);
    return 0;
}
