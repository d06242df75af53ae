// One step of a live resize: both pictures drawn afresh at the shown size of
// 900 from a 12-megapixel picture (4000 x 3000, the largest square), beside
// the old fixed window's render of the same square at 600.  The target is
// 30 ms a step.
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/output/output_size.h"
#include "timing.h"

int main() {
    constexpr int32_t width = 4000, height = 3000;
    std::vector<uint8_t> picture(static_cast<size_t>(width) * height * 3);
    uint32_t seed = 12345;
    for (uint8_t& byte : picture) byte = static_cast<uint8_t>((seed = seed * 1103515245u + 12345u) >> 24);
    const PicturePixels pixels{picture.data(), width * 3, width, height, 3};
    const CropSquare square{500, 0, 3000};
    const CutoutLook look{295, 0, 255, 255, 1};

    std::vector<uint8_t> crop(900 * 900 * 4), output(900 * 900 * 4);
    const double old_step = time_job("old window: render at 600", 15, [&] {
        draw_cutout(pixels, square, look, 600, output.data(), 600 * 4);
    });
    const double step = time_job("resize step: both pictures at 900", 15, [&] {
        draw_shown_pictures(pixels, square, look, 900, crop.data(), 900 * 4, output.data(), 900 * 4);
    });
    std::printf("resize step / old render: %.2f (target: step <= 30 ms, %s)\n", step / old_step,
                step <= 30.0 ? "met" : "missed");
    return 0;
}
