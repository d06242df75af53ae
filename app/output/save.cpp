#include "app/output/save.h"

#include <cstring>

#include "app/model/settings.h"
#include "app/model/state.h"
#include "app/output/output_size.h"
#include "codecs/save_image.h"
#include "ui/requester.h"

const SaveKind SAVE_PNG = {"All supported formats|*.png|PNG image (*.png)|*.png|", "png", FORMAT_PNG};
const SaveKind SAVE_JPG = {"All supported formats|*.jpg|JPG image (*.jpg)|*.jpg|", "jpg", FORMAT_JPEG};

std::string extension_part(const char* file) {
    if (!file) return {};
    for (size_t i = std::strlen(file); i > 0; --i) {
        const char c = file[i - 1];
        if (c == '/' || c == '\\') break;
        if (c == '.') return std::string(file + i);
    }
    return {};
}

std::string lower_case(const char* text) {
    if (!text) return {};
    std::string copy = text;
    // ASCII letters only: the other bytes of a UTF-8 name pass unchanged,
    // and the extensions compared with are ASCII.
    for (char& c : copy)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return copy;
}

std::string save_file_name(const char* typed, const SaveKind& kind) {
    std::string name = typed ? typed : "";
    if (lower_case(extension_part(name.c_str()).c_str()) == kind.extension) return name;
    return name + "." + kind.extension;
}

int32_t save_output_as(const char* typed, const SaveKind& kind) {
    if (!typed || !*typed) return 0;
    // The name first: the requester's buffer may be the typed text.
    const std::string file = save_file_name(typed, kind);
    const int64_t image = export_image();
    if (!image) return 0;
    const int32_t written = save_image(image, file.c_str(), kind.format, SAVE_FLAGS);
    release_export_image(image);
    return written;
}

static void save_with_dialog(const SaveKind& kind) {
    // The open dialog, as for loading: it does not insist on an existing
    // file, so a new name can be typed.
    // It opens in the folder last saved to.
    const std::string start = dialog_start(remembered_save_folder);
    const char* file = open_file_requester("SELECT IMAGE", start.c_str(), kind.pattern, 0);
    if (!file || !*file) return;
    folder_of(file, remembered_save_folder, sizeof remembered_save_folder);
    // The requester's buffer lives until its next call; save_output_as
    // copies the name before anything else could call it.
    save_output_as(file, kind);
}

void save_png() { save_with_dialog(SAVE_PNG); }
void save_jpg() { save_with_dialog(SAVE_JPG); }
