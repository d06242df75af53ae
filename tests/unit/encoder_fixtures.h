// Shared fixtures of the encoder tests: scratch folders, test pictures in the
// image library's memory layout, and readers built on the system's own
// decoders (libpng, libjpeg, zlib), independent of the writers under test.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace encoder_test {

// A fresh, empty folder that is removed with everything in it afterwards.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    std::string path(const std::string& name) const;
    std::vector<std::string> entries() const;  // file names, sorted
    const std::string& root() const { return root_; }

private:
    std::string root_;
};

std::vector<uint8_t> read_bytes(const std::string& file);
void write_bytes(const std::string& file, const std::vector<uint8_t>& bytes);
bool exists(const std::string& file);

struct Bgra {
    uint8_t b, g, r, a;
};

// Pixel memory of an image: rows bottom-up, each padded to 4 bytes.
struct Picture {
    int32_t width = 0, height = 0, depth = 0, pitch = 0;
    std::vector<uint8_t> memory;
    // The pixel in column x of row y counted from the top.
    uint8_t* at(int32_t x, int32_t y);
    const uint8_t* at(int32_t x, int32_t y) const;
    Bgra get(int32_t x, int32_t y) const;
    const uint8_t* bits() const { return memory.data(); }
    // The same picture with its rows in top-down memory order.
    std::vector<uint8_t> top_down() const;
};

using PixelRule = Bgra (*)(int32_t x, int32_t y);
Picture make_picture(int32_t width, int32_t height, int32_t depth, PixelRule rule);

// Distinct values in every channel, so swaps and row mix-ups show.
Bgra busy_pixel(int32_t x, int32_t y);
// The application's output: a photograph-like disc on a background colour,
// inner alpha 255, outer alpha 0.
Picture make_cutout(int32_t outer_alpha = 0);

// One PNG chunk as it stands in the file.
struct PngChunk {
    std::string type;
    std::vector<uint8_t> data;
    bool crc_ok;
};
std::vector<PngChunk> png_chunks(const std::vector<uint8_t>& file);  // empty without the signature
// Inflated IDAT data (zlib), empty when it does not inflate.
std::vector<uint8_t> inflate_idat(const std::vector<PngChunk>& chunks);

struct DecodedPng {
    bool ok = false;
    int32_t width = 0, height = 0;
    std::vector<uint8_t> rgba;  // top row first, 4 bytes per pixel
};
DecodedPng decode_png(const std::string& file);

struct DecodedJpeg {
    bool ok = false;
    int32_t width = 0, height = 0, components = 0;
    bool progressive = false;
    std::vector<uint16_t> luma_table, chroma_table;  // natural order
    std::vector<int> markers;                        // APPn and COM markers present
    std::vector<uint8_t> rgb;                        // top row first
};
DecodedJpeg decode_jpeg(const std::string& file);

// The quantisation table libjpeg derives from a standard table at a quality.
std::vector<uint16_t> scaled_table(bool chroma, int quality);

// Runs a command of the host (native build only); its output and exit code.
struct CommandResult {
    int code = -1;
    std::string output;
};
CommandResult run_command(const std::string& command);
bool have_command(const std::string& name);

}  // namespace encoder_test
