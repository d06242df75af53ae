// HEIC, AVIF and WebP loads of a 4032 x 3024 photograph through the whole
// load path, and the colour conversion of a 12 MP picture from Adobe RGB
// against a plain copy of the same bytes.  bench/formats_compare.sh makes
// the files, runs this under Wine and Debian's decoders beside it.
//
//     formats_winbench [FOLDER]   (holding photo.heic, photo.avif, photo.webp, adobe.icc)
//     formats_winbench FOLDER --hold NAME
//         loads NAME once ("-": nothing), prints "held WIDTH x HEIGHT" and
//         waits for its input to end, so that the script can read the
//         process's peak memory
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/picture/load_file.h"
#include "app_photo.h"
#include "codecs/colour_profile.h"
#include "core/dynlib.h"
#include "image/image.h"
#include "timing.h"

int main(int argc, char** argv) {
    // By default the folder bench/formats_compare.sh fills, from build/bench-windows/bench.
    const std::string folder = std::string(argc > 1 ? argv[1] : "..\\..\\bench-formats") + "\\";
    if (GetFileAttributesA((folder + "photo.webp").c_str()) == INVALID_FILE_ATTRIBUTES) {
        std::printf("no pictures in %s: bench/formats_compare.sh makes them and runs this\n", folder.c_str());
        return 0;
    }
    init_image_library();
    init_dynamic_libraries();
    if (argc > 3 && std::strcmp(argv[2], "--hold") == 0) {
        const int64_t image = std::strcmp(argv[3], "-") ? decode_picture_file((folder + argv[3]).c_str()) : 0;
        BitmapInfo info{};
        if (image) image_bits(image, &info);
        std::printf("held %d x %d\n", info.width, info.height);
        std::fflush(stdout);
        char line[64];
        while (std::fgets(line, sizeof line, stdin)) {
        }
        return 0;
    }
    for (const char* name : {"photo.heic", "photo.avif", "photo.webp", "photo_alpha.webp", "photo_exif6.webp"}) {
        const std::string path = folder + name;
        const int64_t probe = decode_picture_file(path.c_str());
        if (!probe) {
            std::printf("%s: not decoded\n", name);
            continue;
        }
        free_image(probe);
        time_job((std::string(name) + " decode_picture_file").c_str(), 5,
                 [&] { free_image(decode_picture_file(path.c_str())); });
    }

    std::vector<uint8_t> profile;
    if (FILE* f = std::fopen((folder + "adobe.icc").c_str(), "rb")) {
        uint8_t buffer[65536];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) profile.insert(profile.end(), buffer, buffer + n);
        std::fclose(f);
    }
    const int64_t image = photo::make_image(4032, 3024);
    BitmapInfo info{};
    uint8_t* bits = image_bits(image, &info);
    if (!bits || profile.empty()) return 1;
    const size_t bytes = static_cast<size_t>(info.stride) * info.height;
    std::vector<uint8_t> original(bits, bits + bytes), copy(bytes);
    const double convert = time_job("12 MP Adobe RGB to sRGB", 10, [&] {
        std::memcpy(bits, original.data(), bytes);
        convert_to_srgb(profile.data(), profile.size(), bits, static_cast<size_t>(info.stride), info.width,
                        info.height);
    });
    const double plain = time_job("12 MP plain copy (the convert's refill)", 10,
                                  [&] { std::memcpy(copy.data(), original.data(), bytes); });
    std::printf("conversion alone %.3f ms (target 40 ms); convert+refill / copy %.2f\n", convert - plain,
                convert / plain);
    return 0;
}
