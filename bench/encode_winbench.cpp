// The Windows build's writers on the application's output picture, timed
// under Wine: PNG (RGBA, level 9, filter None), JPEG (quality 100 over
// white) and BMP at 32 and 24 bits.  ROUNDCUT_BENCH_PHOTO may name a PNG
// photograph for the circle (see encode_picture.h).
#include <windows.h>

#include <cstdio>
#include <string>

#include "codecs/encoder.h"
#include "codecs/jpeg_writer.h"
#include "codecs/png_writer.h"
#include "encode_picture.h"
#include "timing.h"

int main() {
    register_png_encoder();
    register_jpeg_encoder();
    encode_bench::Cutout c = encode_bench::make_cutout();
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    std::printf("picture: 600 x 600 RGBA, %s in the circle\n", c.from_photo ? "photograph" : "synthetic scene");
    struct Job {
        const char* label;
        const char* name;
        uint32_t format;
        int32_t flags, depth;
    } jobs[] = {{"PNG RGBA level 9 filter None", "rc_bench.png", FORMAT_PNG, 32, -1},
                {"JPEG quality 100 over white", "rc_bench.jpg", FORMAT_JPEG, 32, -1},
                {"BMP 32 bits", "rc_bench32.bmp", FORMAT_BMP, 7, 32},
                {"BMP 24 bits over white", "rc_bench24.bmp", FORMAT_BMP, 7, 24}};
    int failures = 0;
    for (const Job& j : jobs) {
        std::string file = std::string(folder) + j.name;
        time_job(j.label, 15, [&] {
            if (!save_pixels(file.c_str(), c.memory.data(), j.format, 600, 600, 2400, 32, ROWS_BOTTOM_UP, j.flags, j.depth))
                ++failures;
        });
        DeleteFileA(file.c_str());
    }
    if (failures) std::printf("%d saves failed\n", failures);
    return failures ? 1 : 0;
}
