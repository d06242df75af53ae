// Dropped files and the clipboard: the Win32 side of on_dropped_file and
// on_paste.  Which format wins and how a DIB becomes pixels is decided in
// paste_formats.cpp.
#include <windows.h>

#include <string>

#include "app/handlers.h"
#include "app/paste.h"
#include "app/paste_formats.h"
#include "app/render.h"
#include "app/source.h"
#include "app/state.h"
#include "core/memory.h"
#include "image/image.h"
#include "ui/gadgets.h"
#include "ui/window.h"

namespace {

// The clipboard block of one format, locked for the life of the view.
class ClipboardBlock {
public:
    explicit ClipboardBlock(UINT format) {
        handle_ = format ? GetClipboardData(format) : nullptr;
        data_ = handle_ ? static_cast<const uint8_t*>(GlobalLock(handle_)) : nullptr;
        size_ = data_ ? GlobalSize(handle_) : 0;
    }
    ~ClipboardBlock() {
        if (data_) GlobalUnlock(handle_);
    }
    ClipboardBlock(const ClipboardBlock&) = delete;
    ClipboardBlock& operator=(const ClipboardBlock&) = delete;
    const uint8_t* data() const { return data_; }
    size_t size() const { return size_; }

private:
    HANDLE handle_ = nullptr;
    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
};

UINT png_format() { return RegisterClipboardFormatA("PNG"); }

bool available(UINT format) { return format && IsClipboardFormatAvailable(format); }

// The first file of the clipboard's file list.
std::string first_listed_file() {
    char* name = first_dropped_file(reinterpret_cast<intptr_t>(GetClipboardData(CF_HDROP)));
    std::string file = name ? name : "";
    runtime_free(name);
    return file;
}

struct Pasted {
    std::string file;   // a listed file, loaded like a chosen one
    int64_t image = 0;  // or a decoded picture
};

Pasted read_clipboard() {
    Pasted pasted;
    // Another program may hold the clipboard for a moment.
    HWND owner = reinterpret_cast<HWND>(window_handle(app.window));
    bool open = false;
    for (int attempt = 0; attempt < 5 && !(open = OpenClipboard(owner)); ++attempt) Sleep(10);
    if (!open) return pasted;
    const UINT png = png_format();
    PasteOffer offer{available(CF_HDROP), available(png), false, available(CF_DIB)};
    if (available(CF_DIBV5)) {
        ClipboardBlock v5(CF_DIBV5);
        offer.dibv5_with_alpha = dib_has_alpha(v5.data(), v5.size());
    }
    PasteFormat order[4];
    const int count = paste_order(offer, order);
    for (int i = 0; i < count && pasted.file.empty() && !pasted.image; ++i) {
        switch (order[i]) {
        case PASTE_FILES:
            pasted.file = first_listed_file();
            break;
        case PASTE_PNG: {
            ClipboardBlock block(png);
            pasted.image = decode_picture_bytes(block.data(), block.size());
            break;
        }
        case PASTE_DIBV5: {
            ClipboardBlock block(CF_DIBV5);
            pasted.image = dib_to_image(block.data(), block.size(), true);
            break;
        }
        case PASTE_DIB: {
            ClipboardBlock block(CF_DIB);
            pasted.image = dib_to_image(block.data(), block.size(), false);
            break;
        }
        }
    }
    CloseClipboard();
    return pasted;
}

// The decoded picture as the new source, with what a load shows.
void use_pasted_image(int64_t image) {
    // The crop image stays: the left gadget still shows it, and the grab
    // below writes over it (or replaces it once the gadget has let go).
    if (is_image(app.source_image)) free_image(app.source_image);
    app.source_image = image;
    app.source_width = image_width(image);
    app.source_height = image_height(image);
    const int64_t m = app.source_width < app.source_height ? app.source_width : app.source_height;
    app.crop = CropSquare{0, 0, m < 600 ? m : 600};
    grab_crop_square();
    show_source_size();
    show_crop_square();
    show_crop_image();
}

// Ctrl+V meets the window's accelerator table before a focused edit sees
// it; with no picture to take, the edit gets the paste it had before.
void paste_into_focused_edit() {
    HWND focus = GetFocus();
    char name[16] = {};
    if (focus && GetClassNameA(focus, name, sizeof name) && lstrcmpiA(name, "Edit") == 0)
        SendMessageA(focus, WM_PASTE, 0, 0);
}

}  // namespace

void on_dropped_file(const char* file) {
    if (!file) return;
    load_picture_file(file);
    render_cutout(app.background_colour);
}

bool on_paste() {
    Pasted pasted = read_clipboard();
    if (!pasted.file.empty()) load_picture_file(pasted.file.c_str());
    else if (pasted.image) use_pasted_image(pasted.image);
    else {
        paste_into_focused_edit();
        return false;
    }
    render_cutout(app.background_colour);
    return true;
}
