// The application's crop job on real DIB sections under the Windows build:
// grab a square out of a large 24-bit picture and scale it to 600 x 600
// (area average), and the cubic path for a 32-bit picture.  The grab alone
// is timed too, so the scaling's share can be read off.
#include <cstdint>
#include <cstdio>

#include "image/image.h"
#include "timing.h"

namespace {

int64_t picture(int w, int h, int depth) {
    int64_t img = create_image(AUTO_ID, w, h, depth);
    BitmapInfo info;
    uint8_t* bits = image_bits(img, &info);
    if (!bits) return 0;
    uint32_t seed = 99;
    for (int y = 0; y < h; ++y) {
        uint8_t* row = bits + static_cast<int64_t>(y) * info.stride;
        for (int x = 0; x < w * (depth / 8); ++x) {
            seed = seed * 1664525u + 1013904223u;
            row[x] = static_cast<uint8_t>((x / 3 + y) + (seed >> 29));
        }
    }
    return img;
}

void crop_job(const char* name, int64_t source, int side, bool scale, int runs) {
    time_job(name, runs, [&] {
        int64_t crop = grab_image(source, AUTO_ID, 7, 5, side, side);
        if (scale) resize_image(crop, 600, 600, 0);
        free_image(crop);
    });
}

}  // namespace

int main() {
    load_alpha_blend();
    init_image_library();
    int64_t big = picture(6000, 6000, 24);
    int64_t deep = picture(4000, 3000, 32);
    if (!big || !deep) {
        std::printf("cannot make the source pictures\n");
        return 1;
    }
    crop_job("grab 2400x2400 (24-bit)", big, 2400, false, 10);
    crop_job("grab 2400x2400 + area to 600x600", big, 2400, true, 10);
    crop_job("grab 5900x5900 (24-bit)", big, 5900, false, 5);
    crop_job("grab 5900x5900 + area to 600x600", big, 5900, true, 5);
    crop_job("grab 300x300 + area to 600x600", big, 300, true, 30);
    crop_job("grab 2900x2900 (32-bit)", deep, 2900, false, 5);
    crop_job("grab 2900x2900 + cubic to 600x600", deep, 2900, true, 5);
    crop_job("grab 300x300 + cubic to 600x600", deep, 300, true, 30);
    free_all_images();
    unload_alpha_blend();
    return 0;
}
