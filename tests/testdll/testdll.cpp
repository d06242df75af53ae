// Functions with 0, 1, 6 and 20 integer arguments for the run-time call
// tests.  Each returns a checksum that depends on every argument's position,
// so an argument in the wrong register or stack slot changes the result.
#include <cstdint>

#ifdef _WIN32
#define TESTDLL_EXPORT extern "C" __declspec(dllexport)
#else
#define TESTDLL_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {
int64_t counter = 0;
int64_t mix(int64_t sum, int64_t position, int64_t value) {
    return static_cast<int64_t>(static_cast<uint64_t>(sum) * 31u + static_cast<uint64_t>(value) * (position + 1));
}
}  // namespace

TESTDLL_EXPORT int64_t rc_zero() { return 4242; }

TESTDLL_EXPORT int64_t rc_one(int64_t a) { return mix(7, 0, a); }

TESTDLL_EXPORT int64_t rc_six(int64_t a, int64_t b, int64_t c, int64_t d, int64_t e, int64_t f) {
    const int64_t v[] = {a, b, c, d, e, f};
    int64_t s = 7;
    for (int i = 0; i < 6; ++i) s = mix(s, i, v[i]);
    return s;
}

TESTDLL_EXPORT int64_t rc_twenty(int64_t a0, int64_t a1, int64_t a2, int64_t a3, int64_t a4, int64_t a5, int64_t a6,
                                 int64_t a7, int64_t a8, int64_t a9, int64_t a10, int64_t a11, int64_t a12,
                                 int64_t a13, int64_t a14, int64_t a15, int64_t a16, int64_t a17, int64_t a18,
                                 int64_t a19) {
    const int64_t v[] = {a0, a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11, a12, a13, a14, a15, a16, a17, a18, a19};
    int64_t s = 7;
    for (int i = 0; i < 20; ++i) s = mix(s, i, v[i]);
    return s;
}

// Counts its calls, so a test can tell that a call did not happen.
TESTDLL_EXPORT int64_t rc_count() { return ++counter; }
TESTDLL_EXPORT int64_t rc_calls() { return counter; }
