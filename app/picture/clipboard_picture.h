// A picture from the clipboard: the first offered format (see paste_order)
// that gives one.
#pragma once

#include <cstdint>
#include <string>

struct PastedPicture {
    int64_t image = 0;  // the decoded picture (a new 24-bit image), or 0
    std::string file;   // the listed file it came from, if it came from one
};

// Opens the clipboard for `window` (a window handle), copies out what it
// offers and closes it again, then decodes the best picture: a listed file
// that is no picture, or a block that does not decode, gives way to the
// next format.  image 0 when nothing gives one.  (Only on Windows.)
PastedPicture read_clipboard_picture(intptr_t window);
