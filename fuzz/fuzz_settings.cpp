// The settings file's reader on arbitrary bytes: every value it gives is in
// its control's range, what it gives is written and read back unchanged, and
// the written text is a fixed point of reading and writing.
#include <cstring>
#include <string>

#include "app/model/settings.h"
#include "fuzz_input.h"

namespace {

bool in(int64_t v, int64_t lo, int64_t hi) { return v >= lo && v <= hi; }

bool clean_folder(const char* folder) {
    const size_t length = strnlen(folder, SETTINGS_FOLDER_SIZE);
    if (length >= SETTINGS_FOLDER_SIZE) return false;
    for (size_t i = 0; i < length; ++i)
        if (static_cast<unsigned char>(folder[i]) < 32) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Settings s;
    parse_settings(reinterpret_cast<const char*>(data), size, &s);
    FUZZ_CHECK(in(s.radius, 1, 500));
    FUZZ_CHECK(in(s.step_x, 1, 200) && in(s.step_y, 1, 200) && in(s.step_xy, 1, 200));
    FUZZ_CHECK(in(s.inner_alpha, 0, 255) && in(s.outer_alpha, 0, 255));
    FUZZ_CHECK(in(s.background_colour, 0, 0xFFFFFF));
    for (uint32_t c : s.custom_colours) FUZZ_CHECK(c <= 0xFFFFFF);
    FUZZ_CHECK(in(s.smooth_edge, 0, 1));
    bool known_size = false;
    for (int64_t choice : OUTPUT_SIZE_CHOICES) known_size |= s.output_size == choice;
    FUZZ_CHECK(known_size);
    FUZZ_CHECK(clean_folder(s.load_folder) && clean_folder(s.save_folder));

    const std::string text = settings_text(s);
    Settings again;
    parse_settings(text.data(), text.size(), &again);
    FUZZ_CHECK(same_settings(again, s));
    FUZZ_CHECK(settings_text(again) == text);

    // Whatever the input as a path, its folder is a prefix of it that fits.
    const std::string path(reinterpret_cast<const char*>(data), strnlen(reinterpret_cast<const char*>(data), size));
    char folder[SETTINGS_FOLDER_SIZE];
    folder_of(path.c_str(), folder, sizeof folder);
    FUZZ_CHECK(std::strlen(folder) < sizeof folder);
    FUZZ_CHECK(path.compare(0, std::strlen(folder), folder) == 0);
    return 0;
}
