// Runs the face search on a binary PPM (rows top-down): writes the reduced
// grey picture it searched as a PGM and prints, per cascade, one line per
// object found in it ("person X Y W H" or "cat X Y W H"), largest first.
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "detect/faces.h"

int main(int argc, char** argv) {
    if (argc != 3) return std::fprintf(stderr, "usage: face_probe IN.ppm OUT.pgm\n"), 2;
    FILE* in = std::fopen(argv[1], "rb");
    int w = 0, h = 0, max = 0;
    if (!in || std::fscanf(in, "P6 %d %d %d", &w, &h, &max) != 3 || max != 255 || std::fgetc(in) == EOF) return 2;
    std::vector<uint8_t> rgb(size_t(w) * h * 3);
    if (std::fread(rgb.data(), 1, rgb.size(), in) != rgb.size()) return 2;
    std::fclose(in);
    for (size_t i = 0; i < rgb.size(); i += 3) std::swap(rgb[i], rgb[i + 2]);  // to blue, green, red

    int32_t gw = 0, gh = 0;
    uint8_t* grey = face_search_picture(rgb.data(), int64_t{w} * 3, w, h, 3, false, &gw, &gh);
    if (!grey) return 1;
    FILE* out = std::fopen(argv[2], "wb");
    std::fprintf(out, "P5 %d %d 255\n", gw, gh);
    std::fwrite(grey, 1, size_t(gw) * gh, out);
    std::fclose(out);
    FaceBox boxes[64];
    const struct { const char* name; const Cascade* cascade; } kinds[] = {
        {"person", &PERSON_FACE_CASCADE}, {"cat", &CAT_FACE_CASCADE}};
    for (const auto& kind : kinds) {
        const int32_t n = detect_objects(*kind.cascade, grey, gw, gw, gh, boxes, 64);
        for (int32_t i = 0; i < n && i < 64; ++i)
            std::printf("%s %d %d %d %d\n", kind.name, boxes[i].x, boxes[i].y, boxes[i].width, boxes[i].height);
    }
    std::free(grey);
    return 0;
}
