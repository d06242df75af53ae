// The HEIF and AVIF glue on any bytes, with the system's libheif loaded at
// run time: it decodes or fails, never crashes or leaks; a decoded picture
// is within the image library's limits and every byte of it is written.
#include <vector>

#include "codecs/heif_reader.h"
#include "codecs/jpeg_reader.h"
#include "core/dynlib.h"
#include "fuzz_input.h"

namespace {

struct Decoded {
    int32_t width = 0, height = 0;
    std::vector<uint8_t> pixels;
};

bool make_buffer(void* context, int32_t width, int32_t height, DecodeTarget* target) {
    auto* d = static_cast<Decoded*>(context);
    FUZZ_CHECK(width >= 1 && height >= 1 && width <= MAX_DECODE_SIDE && height <= MAX_DECODE_SIDE);
    if (static_cast<int64_t>(width) * height > (1 << 18)) return false;
    d->width = width, d->height = height;
    d->pixels.assign(static_cast<size_t>(width) * height * 3, 0x5A);
    target->top = d->pixels.data();
    target->stride = static_cast<ptrdiff_t>(width) * 3;
    return true;
}

}  // namespace

// dav1d keeps a few bytes of a stream it gave up on: its leak, not the glue's.
extern "C" const char* __lsan_default_suppressions() { return "leak:libdav1d.so\n"; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool started = false;
    if (!started) {
        init_dynamic_libraries();
        heif_pixel_limit = 1 << 20;  // keeps libheif's copies within the fuzzer's memory
        started = true;
    }
    Decoded d;
    std::vector<uint8_t> profile;
    const HeifResult result = decode_heif(data, size, make_buffer, &d, &profile);
    FUZZ_CHECK(result != HeifResult::no_library || !looks_like_heif(data, size));
    if (result == HeifResult::decoded) FUZZ_CHECK(d.width > 0 && d.pixels.size() == size_t(d.width) * d.height * 3);
    return 0;
}
