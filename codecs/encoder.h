// Encoders: the table of output formats, the save dispatch that picks a
// writer by format tag, and the built-in BMP writer.
//
// A writer gets a block of pixel rows in memory: 3 bytes per pixel (blue,
// green, red) or 4 (blue, green, red, straight alpha), rows `pitch` bytes
// apart, the bottom row of the picture first when the layout has
// ROWS_BOTTOM_UP.  It writes the whole file or nothing: 1 on success, 0
// otherwise.
#pragma once

#include <cstdint>

// Format tags: up to four ASCII letters, the first in the lowest byte.
constexpr uint32_t FORMAT_BMP = 0x504D42;     // "BMP"
constexpr uint32_t FORMAT_PNG = 0x474E50;     // "PNG"
constexpr uint32_t FORMAT_JPEG = 0x4745504A;  // "JPEG"

// Layout flag: the first row in memory is the bottom row of the picture.
constexpr int32_t ROWS_BOTTOM_UP = 2;

// Flags a save takes when its caller gives none.
constexpr int32_t DEFAULT_SAVE_FLAGS = 7;

// Writer: file name (never empty), first memory row, width, height, pitch,
// layout, flags, requested output depth.
using EncoderWriter = int32_t (*)(const char* file, const uint8_t* pixels, int32_t width, int32_t height,
                                  int32_t pitch, int32_t layout, int32_t flags, int32_t depth);

struct EncoderRecord {
    uint32_t tag;
    EncoderWriter write_rgb24;   // every record has one
    EncoderWriter write_rgba32;  // may be null: 32-bit pixels then arrive composited over white
};

constexpr int MAX_ENCODERS = 30;

// Registered formats in registration order; filled at start-up, then only read.
struct EncoderTable {
    EncoderRecord* records[MAX_ENCODERS];
    int32_t count;
};
extern EncoderTable encoder_table;

// Appends a record (no duplicate check); a full table takes no more.
void register_encoder(EncoderRecord* record);

// Writes pixels of `source_depth` (24 or 32) bits with the writer for
// `format`; the writer's result, or 0 when there is none.
int32_t save_pixels(const char* file, const uint8_t* pixels, uint32_t format, int32_t width, int32_t height,
                    int32_t pitch, int32_t source_depth, int32_t layout, int32_t flags, int32_t depth);

// Windows BMP at depth 24 or 32 (1, 4 and 8 need palette reduction).
int32_t write_bmp(const char* file, const uint8_t* pixels, int32_t width, int32_t height, int32_t pitch,
                  int32_t layout, int32_t flags, int32_t depth, int32_t source_depth);

// Byte offset between rows of a composite: 3 × width rounded to 4 bytes.
inline int64_t composite_pitch(int32_t width) { return (3 * static_cast<int64_t>(width) + 3) & ~int64_t{3}; }

// 32-bit pixels blended over white into a new 24-bit block (rows in the same
// memory order, composite_pitch apart), or null when memory runs out.
// Release the block with std::free.
uint8_t* composite_over_white(const uint8_t* pixels, int32_t width, int32_t height, int32_t pitch);

// One colour byte of a pixel with alpha `a` blended over white.
inline uint8_t over_white(uint32_t v, uint32_t a) {
    return static_cast<uint8_t>((v * a + 255 * (255 - a)) / 255);
}
