// Pictures from files: our own decoders first, then the platform's.
#pragma once

#include <cstdint>

#include "app/picture/decode.h"

// Decodes the file into a new 24-bit image, upright by its EXIF orientation,
// in sRGB and drawn 1:1 over black: JPEG, PNG, WebP, HEIF and AVIF through
// our own decoders, anything
// they decline and every other format through GDI+; 0 when nothing can
// decode the file.  *problem, when asked, says what was wrong with it:
// UNREADABLE, or what our decoders refused it for (then GDI+ never sees
// it), or DAMAGED_JPEG with the picture.
int64_t decode_picture_file(const char* file, PictureProblem* problem = nullptr);

// The file's picture through GDI+ alone, turned by GdipImageRotateFlip with
// the type for `orientation`, drawn over black into a new 24-bit image; 0
// when GDI+ is missing or cannot decode the file.  (Builds without GDI+: always 0.)
int64_t decode_with_gdiplus(const char* file, int32_t orientation);

// The text converted from the system code page to a new UTF-16 string
// (a BSTR; free it with SysFreeString).  (Only on Windows.)
wchar_t* to_wide_string(const char* text);
