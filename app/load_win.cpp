// Decoding source pictures with GDI+, loaded by name at each load and
// called through the run-time library calls.
#include <windows.h>
#include <oleauto.h>

#include <cstddef>
#include <cstring>

#include "app/pixel_format.h"
#include "app/source.h"
#include "core/dynlib.h"
#include "core/memory.h"
#include "core/registry.h"
#include "image/drawing.h"
#include "image/image.h"

namespace {

// GdiplusStartupInput as GDI+ publishes it.
struct GdiplusStartupInput {
    UINT32 GdiplusVersion;
    void* DebugEventCallback;
    BOOL SuppressBackgroundThread;
    BOOL SuppressExternalCodecs;
};
static_assert(offsetof(GdiplusStartupInput, DebugEventCallback) == 8 && sizeof(GdiplusStartupInput) == 24);

}  // namespace

wchar_t* to_wide_string(const char* text) {
    if (!text) text = "";
    size_t n = std::strlen(text);
    size_t bytes = 0;
    if (n > INT32_MAX / 2 - 1 || !multiply_size(n + 1, 2, &bytes)) return nullptr;
    auto* buffer = static_cast<wchar_t*>(alloc_memory(bytes));
    if (!buffer) return nullptr;
    // The code page of the 8-bit dialogs and file calls the name came
    // through: UTF-8 under the program's manifest, else the system's.
    int written = n ? MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(n), buffer, static_cast<int>(n)) : 0;
    buffer[written > 0 ? written : 0] = 0;
    wchar_t* result = SysAllocString(buffer);
    free_memory(buffer);
    return result;
}

int64_t load_with_gdiplus(const char* file) {
    int64_t lib = open_library(AUTO_ID, "gdiplus.dll");
    if (!lib) return 0;

    ULONG_PTR token = 0;
    GdiplusStartupInput input{1, nullptr, FALSE, FALSE};
    call_function(lib, "GdiplusStartup", &token, &input, nullptr);
    if (!token) {
        close_library(lib);
        return 0;
    }

    void* bitmap = nullptr;
    wchar_t* name = to_wide_string(file);
    if (name) call_function(lib, "GdipCreateBitmapFromFile", name, &bitmap);
    // GDI+ keeps no reference to the name once the bitmap is made.
    SysFreeString(name);

    UINT32 width = 0, height = 0;
    INT32 format = 0;
    call_function(lib, "GdipGetImageWidth", bitmap, &width);
    call_function(lib, "GdipGetImageHeight", bitmap, &height);
    call_function(lib, "GdipGetImagePixelFormat", bitmap, &format);

    int64_t depth = depth_for_pixel_format(format);
    // Sizes beyond 32 bits of sign make no image, like a picture of size 0.
    int64_t image = 0;
    if (width <= INT32_MAX && height <= INT32_MAX)
        image = create_image(AUTO_ID, static_cast<int32_t>(width), static_cast<int32_t>(height),
                             static_cast<int32_t>(depth));

    void* graphics = nullptr;
    int64_t hdc = image ? start_drawing(image_output(image)) : 0;
    if (hdc) {
        call_function(lib, "GdipCreateFromHDC", hdc, &graphics);
        // The picture is blended over the new image's black content.
        call_function(lib, "GdipDrawImageRectI", graphics, bitmap, 0, 0, static_cast<int32_t>(width),
                      static_cast<int32_t>(height));
        stop_drawing();
    }
    if (graphics) call_function(lib, "GdipDeleteGraphics", graphics);
    if (bitmap) call_function(lib, "GdipDisposeImage", bitmap);
    call_function(lib, "GdiplusShutdown", token);
    close_library(lib);
    return image;
}
