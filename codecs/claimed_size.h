// The picture size a file's header claims, for the formats the platform's
// decoder takes (BMP, GIF, TIFF), so that a file far too short for what it
// claims can be refused before any decoder allocates the picture.
#pragma once

#include <cstddef>
#include <cstdint>

// The most pixels a byte of any of these formats can stand for: a plain
// picture compressed as well as their schemes allow (LZW's longest strings,
// run lengths) stays below this.
constexpr uint64_t MOST_PIXELS_PER_BYTE = 4096;

// The size a BMP or GIF header claims, from the file's first bytes (26 are
// enough); false for anything else or a header cut short.
bool claimed_size(const uint8_t* start, size_t size, int64_t* width, int64_t* height);

// The size a TIFF's first directory claims (its ImageWidth and ImageLength),
// from the 8-byte header and the directory's bytes; false when either is
// missing or malformed.
bool tiff_claimed_size(const uint8_t* header, const uint8_t* directory, size_t size, int64_t* width, int64_t* height);

// Whether a file of file_size bytes can hold a picture of that size.
inline bool plausible_size(int64_t width, int64_t height, uint64_t file_size) {
    if (width < 0 || height < 0) return false;
    return static_cast<unsigned __int128>(width) * static_cast<uint64_t>(height) <=
           static_cast<unsigned __int128>(file_size) * MOST_PIXELS_PER_BYTE;
}
