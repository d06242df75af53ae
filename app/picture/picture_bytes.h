// Decoding an encoded picture held in memory (a pasted PNG, say).
#pragma once

#include <cstddef>
#include <cstdint>

// Decodes an encoded picture (PNG, or any other format the platform's
// decoder knows) held in memory into a new 24-bit image, drawn 1:1 over
// black as a file load draws it; 0 when it cannot be decoded.  (Only on
// Windows.)
int64_t decode_picture_bytes(const uint8_t* data, size_t size);
