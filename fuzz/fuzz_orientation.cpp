// The EXIF orientation reader on any bytes: the answer is always 1..8, and
// the same TIFF block gives the same answer whether it is a TIFF file, a
// JPEG's APP1 "Exif" segment or a PNG's eXIf chunk.
#include <cstring>
#include <string>

#include "codecs/claimed_size.h"
#include "codecs/orientation.h"
#include "fuzz_input.h"

namespace {

std::string be32(size_t v) {
    return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
}

int32_t read(const std::string& s) { return read_orientation(reinterpret_cast<const uint8_t*>(s.data()), s.size()); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int32_t raw = read_orientation(data, size);
    FUZZ_CHECK(raw >= 1 && raw <= 8);
    // The claimed sizes read nothing past the bytes (ASan watches).
    int64_t width = 0, height = 0;
    if (claimed_size(data, size, &width, &height)) FUZZ_CHECK(width >= 0 && height >= 0);
    if (size >= 8) tiff_claimed_size(data, data + 8, size - 8, &width, &height);
    if (size < 8 || size > 65000 || !(std::memcmp(data, "II", 2) == 0 || std::memcmp(data, "MM", 2) == 0)) return 0;
    const std::string tiff(reinterpret_cast<const char*>(data), size);
    const std::string app1 = std::string("\xFF\xD8\xFF\xE1", 4) + char((size + 8) >> 8) + char((size + 8) & 0xFF) +
                             std::string("Exif\0\0", 6) + tiff + "\xFF\xD9";
    FUZZ_CHECK(read(app1) == raw);
    const std::string png = std::string("\x89PNG\r\n\x1a\n", 8) + be32(13) + "IHDR" + std::string(17, '\1') +
                            be32(size) + "eXIf" + tiff + "\0\0\0\0" + be32(0) + "IEND" + "\0\0\0\0";
    FUZZ_CHECK(read(png) == raw);
    return 0;
}
