// Saving the output image as PNG or JPEG under a name the user types into
// the "SELECT IMAGE" dialog.
#pragma once

#include <cstdint>
#include <string>

// What tells the two saves apart.
struct SaveKind {
    const char* pattern;    // the dialog's pattern list
    const char* extension;  // accepted as typed, else appended after a "."
    uint32_t format;        // format tag for save_image
};
extern const SaveKind SAVE_PNG;
extern const SaveKind SAVE_JPG;

// Flags for save_image: the JPEG writer reads them as its quality step,
// which it limits to 10 (quality 100); the PNG writer ignores them.
constexpr int32_t SAVE_FLAGS = 32;

// The characters after the last "." of the name's last component; empty
// when that component has no ".".  A "/" or "\" ends the search.
std::string extension_part(const char* file);

// A copy of the text with its ASCII letters lower-cased; every other byte
// (a UTF-8 name's non-ASCII characters among them) stays as it is.
std::string lower_case(const char* text);

// The name a save writes to: the typed name when its extension is the
// kind's (compared lower-cased), else the typed name with "." and the
// extension appended.
std::string save_file_name(const char* typed, const SaveKind& kind);

// Writes the cut-out at the output size (the output image itself at 600)
// under the name a typed name stands for; the result of save_image
// (1 written, 0 failed and nothing left behind).
int32_t save_output_as(const char* typed, const SaveKind& kind);

// The "Save PNG" and "Save JPG" buttons: ask for a name and save; a
// cancelled dialog does nothing, a failed save shows nothing.
void save_png();
void save_jpg();
