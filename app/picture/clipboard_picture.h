// A picture from the clipboard: the first offered format (see paste_order)
// that gives one.
#pragma once

#include <cstdint>
#include <string>

struct PastedPicture {
    std::string file;   // a listed file, to be loaded like a chosen one
    int64_t image = 0;  // or a decoded picture (a new 24-bit image)
};

// Opens the clipboard for `window` (a window handle), takes the best picture
// it offers and closes it again; both fields empty when nothing gives one.
// (Only on Windows.)
PastedPicture read_clipboard_picture(intptr_t window);
