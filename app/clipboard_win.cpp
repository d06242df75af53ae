// The clipboard half of Copy: the three forms handed to the system.
#include <windows.h>

#include <cstring>

#include "app/clipboard.h"
#include "app/output_size.h"
#include "app/state.h"
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

// The focused control when it is an edit with some text selected.
HWND edit_with_selection() {
    HWND focus = GetFocus();
    char name[16] = {};
    if (!focus || !GetClassNameA(focus, name, sizeof name) || lstrcmpiA(name, "Edit") != 0) return nullptr;
    DWORD start = 0, end = 0;
    SendMessageA(focus, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return end > start ? focus : nullptr;
}

}  // namespace

int64_t on_copy() {
    if (HWND edit = edit_with_selection()) {
        SendMessageA(edit, WM_COPY, 0, 0);
        return 1;
    }
    return copy_cutout();
}

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
