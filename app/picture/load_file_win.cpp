// Loading source pictures: JPEG, PNG, WebP, HEIF and AVIF through our own decoders, every
// other format (and whatever those decline or fail on) through GDI+, loaded
// by name at each load and called through the run-time library calls.
// Either way the picture comes out turned upright by its EXIF orientation.
#include <windows.h>
#include <oleauto.h>

#include <cstddef>
#include <cstring>

#include "app/picture/load_file.h"

#include "app/picture/decode.h"
#include "app/picture/gdiplus_codes.h"
#include "app/picture/gdiplus_win.h"
#include "codecs/claimed_size.h"
#include "codecs/orientation.h"
#include "core/dynlib.h"
#include "core/memory.h"
#include "core/registry.h"
#include "image/drawing.h"
#include "image/image.h"

namespace {

// A TIFF's orientation from its header and first directory, read where
// they lie; 1 when they cannot be read.  *plausible false when the
// directory claims more pixels than the file can hold.
int32_t tiff_file_orientation(HANDLE handle, const uint8_t* header, uint64_t file_size, bool* plausible) {
    LARGE_INTEGER at{};
    at.QuadPart = tiff_directory_offset(header, 8);
    static uint8_t directory[TIFF_DIRECTORY_LIMIT];
    DWORD got = 0;
    if (!at.QuadPart || !SetFilePointerEx(handle, at, nullptr, FILE_BEGIN) ||
        !ReadFile(handle, directory, sizeof directory, &got, nullptr))
        return 1;
    int64_t width = 0, height = 0;
    if (tiff_claimed_size(header, directory, got, &width, &height)) *plausible = plausible_size(width, height, file_size);
    return tiff_directory_orientation(header, directory, got);
}

// The whole file in a buffer of alloc_memory when it starts like a picture
// our decoders take; null otherwise, with *orientation set for a TIFF.
// *plausible false when the header of a file for the platform's decoder
// claims a picture far larger than the file can hold.
uint8_t* read_picture_file(const char* file, size_t* size, int32_t* orientation, bool* plausible) {
    if (!file || !*file) return nullptr;
    HANDLE handle = CreateFileA(file, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    uint8_t* data = nullptr;
    LARGE_INTEGER length{};
    uint8_t start[64];  // enough for a HEIF file-type box and its brands
    DWORD got = 0;
    const bool started = GetFileSizeEx(handle, &length) && length.QuadPart > 0 &&
                         ReadFile(handle, start, sizeof start, &got, nullptr);
    // Our decoders take at most 4 GB (one ReadFile, and libjpeg's 32-bit size).
    if (started && length.QuadPart < 0xFFFFFFFFll && worth_reading_whole(start, got)) {
        const DWORD total = static_cast<DWORD>(length.QuadPart);
        data = static_cast<uint8_t*>(alloc_memory(total));
        LARGE_INTEGER zero{};
        DWORD read = 0;
        if (data && (!SetFilePointerEx(handle, zero, nullptr, FILE_BEGIN) ||
                     !ReadFile(handle, data, total, &read, nullptr) || read != total)) {
            free_memory(data);
            data = nullptr;
        }
        if (data) *size = total;
    } else if (started && got >= 8) {
        int64_t width = 0, height = 0;
        if (claimed_size(start, got, &width, &height))
            *plausible = plausible_size(width, height, static_cast<uint64_t>(length.QuadPart));
        else
            *orientation = tiff_file_orientation(handle, start, static_cast<uint64_t>(length.QuadPart), plausible);
    }
    CloseHandle(handle);
    return data;
}

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

int64_t decode_picture_file(const char* file, PictureProblem* problem) {
    PictureProblem ignored;
    if (!problem) problem = &ignored;
    *problem = PictureProblem::NONE;
    size_t size = 0;
    int32_t orientation = 1;
    bool plausible = true;
    uint8_t* data = read_picture_file(file, &size, &orientation, &plausible);
    int64_t image = 0;
    if (data) {
        image = decode_picture(data, size, problem);
        if (!image) orientation = read_orientation(data, size);
        free_memory(data);
    }
    // What our decoders refused is not worth another decoder's time, nor
    // is a file far too short for the picture its header claims.
    if (!plausible) *problem = PictureProblem::UNREADABLE;
    if (!image && *problem == PictureProblem::NONE) image = decode_with_gdiplus(file, orientation);
    if (!image && *problem == PictureProblem::NONE) *problem = PictureProblem::UNREADABLE;
    return image;
}

int64_t decode_with_gdiplus(const char* file, int32_t orientation) {
    GdiplusSession session;
    if (!start_gdiplus(&session)) return 0;
    const int64_t lib = session.lib;

    void* bitmap = nullptr;
    wchar_t* name = to_wide_string(file);
    if (name) call_function(lib, "GdipCreateBitmapFromFile", name, &bitmap);
    // GDI+ keeps no reference to the name once the bitmap is made.
    SysFreeString(name);
    turn_upright(session, bitmap, orientation);

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
    end_gdiplus(&session);
    return image;
}
