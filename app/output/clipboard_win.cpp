// The clipboard half of Copy: the three forms handed to the system.
#include <windows.h>

#include <cstring>

#include "app/model/state.h"
#include "app/output/clipboard.h"
#include "app/output/output_size.h"
#include "ui/window.h"

namespace {

// The block as movable global memory, which the clipboard takes over; null
// when it cannot be made.
HGLOBAL global_copy(const std::vector<uint8_t>& data) {
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, data.size());
    if (!memory) return nullptr;
    void* at = GlobalLock(memory);
    if (!at) {
        GlobalFree(memory);
        return nullptr;
    }
    std::memcpy(at, data.data(), data.size());
    GlobalUnlock(memory);
    return memory;
}

bool place(UINT format, const std::vector<uint8_t>& data) {
    if (!format || data.empty()) return false;
    HGLOBAL memory = global_copy(data);
    if (!memory) return false;
    if (SetClipboardData(format, memory)) return true;
    GlobalFree(memory);  // still ours when the clipboard refused it
    return false;
}

// Another program may hold the clipboard for a moment.
bool open_clipboard(HWND owner) {
    for (int attempt = 0; attempt < 10; ++attempt) {
        if (OpenClipboard(owner)) return true;
        Sleep(20);
    }
    return false;
}

}  // namespace

int64_t copy_cutout() {
    // The clipboard's owner is the main window: EmptyClipboard makes the
    // window that opened it the owner, and an owner is needed to set data.
    HWND owner = reinterpret_cast<HWND>(window_handle(app.window));
    if (!owner) return 0;
    const int64_t image = export_image();
    ClipboardImage forms;
    const bool made = image && make_clipboard_image(image, &forms);
    release_export_image(image);
    if (!made || !open_clipboard(owner)) return 0;
    bool placed = EmptyClipboard() != 0;
    placed = placed && place(RegisterClipboardFormatA("PNG"), forms.png);
    placed = placed && place(CF_DIBV5, forms.dibv5);
    placed = placed && place(CF_DIB, forms.dib);
    CloseClipboard();
    return placed ? 1 : 0;
}
