// Reading a fuzzer's input as a stream of small numbers.  Past the end every
// read gives 0, so a short input is still a complete (if dull) case.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstdio>

struct FuzzInput {
    const uint8_t* data;
    size_t size;
    size_t at = 0;

    bool empty() const { return at >= size; }
    size_t left() const { return at < size ? size - at : 0; }

    uint8_t byte() { return at < size ? data[at++] : 0; }
    uint16_t u16() { return static_cast<uint16_t>(byte() | byte() << 8); }
    uint32_t u32() { return static_cast<uint32_t>(u16()) | static_cast<uint32_t>(u16()) << 16; }
    uint64_t u64() { return static_cast<uint64_t>(u32()) | static_cast<uint64_t>(u32()) << 32; }
    bool flag() { return byte() & 1; }

    // A value in lo..hi (inclusive), from as few bytes as the span needs.
    int64_t range(int64_t lo, int64_t hi) {
        uint64_t span = static_cast<uint64_t>(hi - lo) + 1;
        uint64_t v = span <= 256 ? byte() : span <= 65536 ? u16() : u32();
        return lo + static_cast<int64_t>(v % span);
    }
};

// A property of the code under test does not hold: report and stop, so that
// libFuzzer keeps the input as a crash.
#define FUZZ_CHECK(condition)                                                               \
    do {                                                                                    \
        if (!(condition)) {                                                                 \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                   \
        }                                                                                   \
    } while (0)
