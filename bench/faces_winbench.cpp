// The face search on 12 MP pictures (after decoding): the grey picture it
// searches, made by the earlier way (area resample of the colours, then
// luma) and by today's single pass, and the ratio; the whole search, by the
// earlier evaluation (bench/faces_before.h) and today's, and the ratio, on a
// face-less photograph (both cascades run) and on the astronaut photograph
// of python3-skimage enlarged to 12 MP; then a 4000 x 3000 JPEG loaded with Start on faces off
// and on, and the difference.
// Usage: faces_winbench.exe [astronaut.png]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/model/state.h"
#include "app/picture/face_find.h"
#include "app/picture/gdiplus_codes.h"
#include "app/picture/load_file.h"
#include "app/picture/source.h"
#include "app_photo.h"
#include "faces_before.h"
#include "core/dynlib.h"
#include "detect/faces.h"
#include "image/image.h"
#include "image/resample.h"
#include "timing.h"

namespace {

// The earlier reduction: the colours area-averaged to the search size, then
// each pixel's luma.
uint8_t* reduce_colours_then_grey(const BitmapInfo& info, const uint8_t* bits, int32_t w, int32_t h) {
    const int32_t bpp = info.bits_per_pixel / 8;
    auto* reduced = static_cast<uint8_t*>(std::malloc(size_t(w) * h * bpp));
    auto* grey = static_cast<uint8_t*>(std::malloc(size_t(w) * h));
    area_resample(reduced, int64_t{w} * bpp, w, h, bits, info.stride, info.width, info.height, bpp);
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t* p = reduced + size_t(h - 1 - y) * w * bpp;
        for (int32_t x = 0; x < w; ++x, p += bpp)
            grey[size_t(y) * w + x] = static_cast<uint8_t>((p[0] * 1868 + p[1] * 9617 + p[2] * 4899 + 8192) >> 14);
    }
    std::free(reduced);
    return grey;
}

// The search on `image` the earlier way and today's, and the ratio.
void compare_search(const char* what, int64_t image) {
    BitmapInfo info{};
    const uint8_t* bits = image_bits(image, &info);
    FaceBox face{};
    CropSquare square{};
    const double old = time_job((std::string(what) + ", before").c_str(), 10, [&] {
        before::find_face(bits, info.stride, info.width, info.height, info.bits_per_pixel / 8, true, &face);
    });
    const double now = time_job(what, 10, [&] { find_face_square(image, &square); });
    std::printf("%s: %.2fx faster than before\n", what, old / now);
}

}  // namespace

int main(int argc, char** argv) {
    load_alpha_blend();
    init_image_library();
    init_dynamic_libraries();
    clear_app_state();
    set_pixel_format_table();
    set_app_defaults();

    const int64_t photo = photo::make_image(4000, 3000);
    CropSquare square{};
    BitmapInfo info{};
    const uint8_t* bits = image_bits(photo, &info);
    int32_t gw = 0, gh = 0;
    std::free(face_search_picture(bits, info.stride, info.width, info.height, 3, true, &gw, &gh));
    const double before = time_job("search picture of 4000 x 3000, earlier way", 10,
                                   [&] { std::free(reduce_colours_then_grey(info, bits, gw, gh)); });
    const double now = time_job("search picture of 4000 x 3000, one pass", 10, [&] {
        std::free(face_search_picture(bits, info.stride, info.width, info.height, 3, true, &gw, &gh));
    });
    std::printf("search picture: %.2fx faster than the earlier way\n", before / now);
    compare_search("face search, 4000 x 3000 without a face", photo);
    const char* astronaut = argc > 1 ? argv[1] : "Z:\\usr\\lib\\python3\\dist-packages\\skimage\\data\\astronaut.png";
    const int64_t big = decode_picture_file(astronaut);
    if (big && resize_image(big, 3464, 3464, 0)) {
        const bool found = find_face_square(big, &square);
        std::printf("astronaut at 3464 x 3464: face %s, square %lld %lld %lld\n", found ? "found" : "MISSED",
                    static_cast<long long>(square.XS), static_cast<long long>(square.YS),
                    static_cast<long long>(square.side));
        compare_search("face search, 3464 x 3464 astronaut", big);
    }

    // Kept in the temporary folder from one run to the next.
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    const std::string path = std::string(folder) + "rc_faces_4000x3000.jpg";
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES && !photo::write_jpeg(path, 4000, 3000)) {
        std::printf("could not write %s\n", path.c_str());
        return 1;
    }
    app.start_on_faces = 0;
    const double off = time_job("load 4000 x 3000 JPEG, Start on faces off", 10, [&] { load_source(path.c_str()); });
    app.start_on_faces = 1;
    const double on = time_job("load 4000 x 3000 JPEG, Start on faces on", 10, [&] { load_source(path.c_str()); });
    std::printf("the option costs a load %.1f ms (median on - median off)\n", on - off);
    return 0;
}
