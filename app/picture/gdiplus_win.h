// GDI+ for one decode: gdiplus.dll loaded by name and started, every
// function called by name through the run-time library calls.  Shared by
// the file load and the decode of pasted bytes.
#pragma once

#include <cstdint>

struct GdiplusSession {
    int64_t lib;
    uintptr_t token;
};

// Loads and starts GDI+; false (with nothing left to end) when the library
// is missing or does not start.
bool start_gdiplus(GdiplusSession* session);
void end_gdiplus(GdiplusSession* session);

// Turns a decoded bitmap upright by an EXIF orientation (1 to 8; any other
// value leaves it as stored).  GDI+ itself reads no orientation from JPEG
// files here, so this comes before the picture's size is taken.
void turn_upright(const GdiplusSession& session, void* bitmap, int32_t orientation);
