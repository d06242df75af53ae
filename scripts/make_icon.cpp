// Writes the program's icon file: a round cut-out of a small drawn landscape
// with a white rim, at 16, 24, 32, 48 and 256 pixels.  The cut-out is
// composed by the tool's own rasteriser on its 600 x 600 canvas, shrunk with
// its area-average resampler, and stored with its own writers: PNG for the
// 256-pixel entry, the BMP writer's 32-bit DIB for the others.
//
//     make_icon OUTPUT.ico
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/model/state.h"
#include "app/output/cutout.h"
#include "codecs/encoder.h"
#include "codecs/png_writer.h"
#include "image/resample.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr int32_t SIZES[] = {16, 24, 32, 48, 256};
constexpr int64_t OUTER_RADIUS = 296;  // the rim's outer edge on the 600-pixel canvas
constexpr int64_t RIM = 26;            // wide enough to show as a light edge at 16 pixels

uint32_t bgra(int r, int g, int b, int a = 255) {
    return static_cast<uint32_t>(b) | static_cast<uint32_t>(g) << 8 | static_cast<uint32_t>(r) << 16 |
           static_cast<uint32_t>(a) << 24;
}

int mix(int a, int b, double t) { return static_cast<int>(std::lround(a + (b - a) * t)); }

// The "photograph": sky fading to pale at the horizon, a sun, two hills.
void draw_landscape(PixelBuffer* picture) {
    const int n = static_cast<int>(CANVAS_SIZE);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            double t = y / 380.0;
            uint32_t c = bgra(mix(40, 170, t), mix(110, 215, t), mix(200, 245, t));
            double sx = x - 395.0, sy = y - 205.0;
            if (sx * sx + sy * sy < 72.0 * 72.0) c = bgra(255, 205, 60);
            double far_hill = 385 + 60 * std::cos((x - 120) / 130.0);
            double near_hill = 440 + 45 * std::sin((x + 60) / 110.0);
            if (y > far_hill) c = bgra(70, 150, 80);
            if (y > near_hill) c = bgra(mix(40, 25, (y - near_hill) / 160.0), mix(120, 85, (y - near_hill) / 160.0), 50);
            picture->words[y * n + x] = c;
        }
}

// The full-size cut-out: transparent outside, the white rim, then the picture.
std::unique_ptr<PixelBuffer> compose_motif() {
    auto picture = std::make_unique<PixelBuffer>();
    auto white = std::make_unique<PixelBuffer>();
    auto output = std::make_unique<PixelBuffer>();
    draw_landscape(picture.get());
    for (uint32_t& w : white->words) w = bgra(255, 255, 255);
    CutoutCanvas rim = {white.get(), output.get(), 255};
    compose_cutout(rim, 0, 0, OUTER_RADIUS);
    CutoutCanvas inside = {picture.get(), output.get(), 255};
    fill_circle(inside, CUTOUT_CENTRE, CUTOUT_CENTRE, OUTER_RADIUS - RIM);
    return output;
}

// Shrinks the straight-alpha canvas to size x size.  Averaging runs on
// premultiplied colours so the transparent outside does not darken the edge.
Bytes shrink(const PixelBuffer& motif, int32_t size) {
    const int n = static_cast<int>(CANVAS_SIZE);
    Bytes premultiplied(static_cast<size_t>(n) * n * 4);
    for (int i = 0; i < n * n; ++i) {
        uint32_t w = motif.words[i];
        uint32_t a = w >> 24;
        for (int c = 0; c < 3; ++c) premultiplied[4 * i + c] = static_cast<uint8_t>(((w >> (8 * c)) & 255) * a / 255);
        premultiplied[4 * i + 3] = static_cast<uint8_t>(a);
    }
    Bytes small(static_cast<size_t>(size) * size * 4);
    if (!area_resample(small.data(), 4 * size, size, size, premultiplied.data(), 4 * n, n, n, 4)) return {};
    for (size_t i = 0; i < small.size(); i += 4) {
        uint32_t a = small[i + 3];
        for (int c = 0; c < 3; ++c) {
            uint32_t v = a ? (small[i + c] * 255u + a / 2) / a : 0;
            small[i + c] = static_cast<uint8_t>(v > 255 ? 255 : v);
        }
    }
    return small;
}

Bytes read_whole(const std::string& name) {
    Bytes data;
    if (FILE* f = std::fopen(name.c_str(), "rb")) {
        uint8_t block[65536];
        size_t n;
        while ((n = std::fread(block, 1, sizeof block, f)) > 0) data.insert(data.end(), block, block + n);
        std::fclose(f);
    }
    std::remove(name.c_str());
    return data;
}

void put16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
void put32(uint8_t* p, uint32_t v) {
    put16(p, v);
    put16(p + 2, v >> 16);
}

// An icon entry's DIB: the BMP writer's file without its 14-byte file
// header, the height doubled for the AND mask that follows the pixels (a
// set bit marks a fully transparent pixel for drawers that ignore alpha).
Bytes dib_entry(const Bytes& pixels, int32_t size, const std::string& scratch) {
    if (!write_bmp(scratch.c_str(), pixels.data(), size, size, 4 * size, 0, DEFAULT_SAVE_FLAGS, 32, 32)) return {};
    Bytes bmp = read_whole(scratch);
    const size_t pixel_bytes = static_cast<size_t>(size) * size * 4;
    if (bmp.size() != 14 + 40 + pixel_bytes) return {};
    Bytes dib(bmp.begin() + 14, bmp.end());
    const size_t mask_row = ((static_cast<size_t>(size) + 31) / 32) * 4;
    Bytes mask(mask_row * size, 0);
    for (int32_t y = 0; y < size; ++y)  // bottom row first, as the pixels
        for (int32_t x = 0; x < size; ++x)
            if (pixels[4 * (static_cast<size_t>(size - 1 - y) * size + x) + 3] == 0)
                mask[y * mask_row + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    put32(dib.data() + 8, static_cast<uint32_t>(2 * size));
    put32(dib.data() + 20, static_cast<uint32_t>(pixel_bytes + mask.size()));
    dib.insert(dib.end(), mask.begin(), mask.end());
    return dib;
}

Bytes png_entry(const Bytes& pixels, int32_t size, const std::string& scratch) {
    if (!write_png(scratch.c_str(), pixels.data(), size, size, 4 * size, 0, DEFAULT_SAVE_FLAGS, 32, 6)) return {};
    return read_whole(scratch);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_icon OUTPUT.ico\n");
        return 2;
    }
    const std::string output = argv[1];
    const std::string scratch = output + ".part";
    std::unique_ptr<PixelBuffer> motif = compose_motif();

    std::vector<Bytes> entries;
    for (int32_t size : SIZES) {
        Bytes pixels = shrink(*motif, size);
        Bytes entry = pixels.empty() ? Bytes{} : size >= 256 ? png_entry(pixels, size, scratch) : dib_entry(pixels, size, scratch);
        if (entry.empty()) {
            std::fprintf(stderr, "make_icon: could not make the %d-pixel entry\n", size);
            return 1;
        }
        entries.push_back(std::move(entry));
    }

    // ICONDIR, one ICONDIRENTRY per size, then the entries' data.
    const size_t count = entries.size();
    Bytes file(6 + 16 * count, 0);
    put16(&file[2], 1);
    put16(&file[4], static_cast<uint32_t>(count));
    uint32_t offset = static_cast<uint32_t>(file.size());
    for (size_t i = 0; i < count; ++i) {
        uint8_t* e = &file[6 + 16 * i];
        e[0] = e[1] = static_cast<uint8_t>(SIZES[i] >= 256 ? 0 : SIZES[i]);  // 0 stands for 256
        put16(e + 4, 1);
        put16(e + 6, 32);
        put32(e + 8, static_cast<uint32_t>(entries[i].size()));
        put32(e + 12, offset);
        offset += static_cast<uint32_t>(entries[i].size());
    }
    for (const Bytes& entry : entries) file.insert(file.end(), entry.begin(), entry.end());

    FILE* f = std::fopen(output.c_str(), "wb");
    if (!f || std::fwrite(file.data(), 1, file.size(), f) != file.size() || std::fclose(f) != 0) {
        std::fprintf(stderr, "make_icon: could not write %s\n", output.c_str());
        return 1;
    }
    std::printf("%s: %zu bytes\n", output.c_str(), file.size());
    return 0;
}
