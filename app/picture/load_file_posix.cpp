// Without GDI+ only our own decoders load pictures (JPEG, PNG, WebP, HEIF, AVIF); every
// other file gives the black fallback.
#include <cstdio>
#include <cstdlib>

#include "app/picture/load_file.h"

#include "app/picture/decode.h"

int64_t decode_picture_file(const char* file, PictureProblem* problem) {
    if (problem) *problem = PictureProblem::NONE;
    std::FILE* f = nullptr;
    if (!file || !*file || !(f = std::fopen(file, "rb"))) {
        if (problem) *problem = PictureProblem::UNREADABLE;
        return 0;
    }


    uint8_t* data = nullptr;
    size_t size = 0, capacity = 0;
    int64_t image = 0;
    bool ok = true;
    for (;;) {
        if (size == capacity) {
            capacity = capacity ? capacity * 2 : 1 << 16;
            auto* grown = static_cast<uint8_t*>(std::realloc(data, capacity));
            if (!grown) {
                ok = false;
                break;
            }
            data = grown;
        }
        size_t n = std::fread(data + size, 1, capacity - size, f);
        size += n;
        if (n == 0) break;
    }
    std::fclose(f);
    if (ok) image = decode_picture(data, size, problem);
    if (!image && problem && *problem == PictureProblem::NONE) *problem = PictureProblem::UNREADABLE;
    std::free(data);
    return image;
}

int64_t decode_with_gdiplus(const char*, int32_t) { return 0; }
