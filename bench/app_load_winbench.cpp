// Loading a 3840 x 2400 JPEG photograph through GDI+ (the whole load: decode,
// the 1:1 draw into the source image, the initial crop and its scaling).
// Usage: app_load_winbench.exe [file]; the file is written first when it
// does not exist.  bench/app_load_compare.sh runs this beside djpeg.
#include <windows.h>

#include <cstdio>
#include <string>

#include "app/model/state.h"
#include "app/picture/gdiplus_codes.h"
#include "app/picture/load_file.h"
#include "app/picture/source.h"
#include "app_photo.h"
#include "core/dynlib.h"
#include "timing.h"

int main(int argc, char** argv) {
    load_alpha_blend();
    init_image_library();
    init_dynamic_libraries();
    clear_app_state();
    set_pixel_format_table();
    set_app_defaults();
    std::string path = argc > 1 ? argv[1] : "photo_3840x2400.jpg";
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES && !photo::write_jpeg(path, 3840, 2400)) {
        std::printf("could not write %s\n", path.c_str());
        return 1;
    }
    load_source(path.c_str());
    if (app.source_width != 3840 || app.source_height != 2400) {
        std::printf("load failed: %lld x %lld\n", static_cast<long long>(app.source_width),
                    static_cast<long long>(app.source_height));
        return 1;
    }
    time_job("load 3840 x 2400 JPEG (whole load)", 10, [&] { load_source(path.c_str()); });
    time_job("decode_picture_file alone", 10, [&] {
        int64_t image = decode_picture_file(path.c_str());
        free_image(image);
    });
    return 0;
}
