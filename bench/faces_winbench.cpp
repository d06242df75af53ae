// The face search on 12 MP pictures (after decoding): a face-less photograph
// (both cascades run) and the astronaut photograph of python3-skimage
// enlarged to 12 MP; then a 4000 x 3000 JPEG loaded with Start on faces off
// and on, and the difference.
// Usage: faces_winbench.exe [astronaut.png]
#include <windows.h>

#include <cstdio>
#include <string>

#include "app/model/state.h"
#include "app/picture/face_find.h"
#include "app/picture/gdiplus_codes.h"
#include "app/picture/load_file.h"
#include "app/picture/source.h"
#include "app_photo.h"
#include "core/dynlib.h"
#include "image/image.h"
#include "timing.h"

int main(int argc, char** argv) {
    load_alpha_blend();
    init_image_library();
    init_dynamic_libraries();
    clear_app_state();
    set_pixel_format_table();
    set_app_defaults();

    const int64_t photo = photo::make_image(4000, 3000);
    CropSquare square{};
    time_job("face search, 4000 x 3000 without a face", 10, [&] { find_face_square(photo, &square); });
    const char* astronaut = argc > 1 ? argv[1] : "Z:\\usr\\lib\\python3\\dist-packages\\skimage\\data\\astronaut.png";
    const int64_t big = decode_picture_file(astronaut);
    if (big && resize_image(big, 3464, 3464, 0)) {
        const bool found = find_face_square(big, &square);
        std::printf("astronaut at 3464 x 3464: face %s, square %lld %lld %lld\n", found ? "found" : "MISSED",
                    static_cast<long long>(square.XS), static_cast<long long>(square.YS),
                    static_cast<long long>(square.side));
        time_job("face search, 3464 x 3464 astronaut", 10, [&] { find_face_square(big, &square); });
    }

    const std::string path = "photo_4000x3000.jpg";
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
