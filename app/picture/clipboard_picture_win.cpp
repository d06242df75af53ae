// The clipboard's best picture: the Win32 side of a paste.  Which format
// wins and how a DIB becomes pixels is decided in paste_formats.cpp.
#include "app/picture/clipboard_picture.h"

#include <windows.h>

#include <string>
#include <vector>

#include "app/picture/load_file.h"
#include "app/picture/paste_formats.h"
#include "app/picture/picture_bytes.h"
#include "core/memory.h"
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

}  // namespace

PastedPicture read_clipboard_picture(intptr_t window) {
    PastedPicture pasted;
    // Another program may hold the clipboard for a moment.
    HWND owner = reinterpret_cast<HWND>(window);
    bool open = false;
    for (int attempt = 0; attempt < 5 && !(open = OpenClipboard(owner)); ++attempt) Sleep(10);
    if (!open) return pasted;
    // What is offered is copied out and the clipboard closed at once: other
    // programs cannot open it while it is ours, and decoding takes a while.
    const UINT png = png_format();
    PasteOffer offer{available(CF_HDROP), available(png), false, available(CF_DIB)};
    if (available(CF_DIBV5)) {
        ClipboardBlock v5(CF_DIBV5);
        offer.dibv5_with_alpha = dib_has_alpha(v5.data(), v5.size());
    }
    PasteFormat order[4];
    const int count = paste_order(offer, order);
    std::string file;
    std::vector<uint8_t> blocks[4];
    for (int i = 0; i < count; ++i) {
        if (order[i] == PASTE_FILES) {
            file = first_listed_file();
            continue;
        }
        ClipboardBlock block(order[i] == PASTE_PNG ? png : order[i] == PASTE_DIBV5 ? CF_DIBV5 : CF_DIB);
        if (block.data()) blocks[i].assign(block.data(), block.data() + block.size());
    }
    CloseClipboard();

    // The first that gives a picture; a listed file that is none gives way
    // to the formats after it.
    for (int i = 0; i < count && !pasted.image; ++i) {
        const std::vector<uint8_t>& bytes = blocks[i];
        switch (order[i]) {
        case PASTE_FILES:
            if (!file.empty() && (pasted.image = decode_picture_file(file.c_str()))) pasted.file = file;
            break;
        case PASTE_PNG:
            pasted.image = decode_picture_bytes(bytes.data(), bytes.size());
            break;
        case PASTE_DIBV5:
            pasted.image = dib_to_image(bytes.data(), bytes.size(), true);
            break;
        case PASTE_DIB:
            pasted.image = dib_to_image(bytes.data(), bytes.size(), false);
            break;
        }
    }
    return pasted;
}
