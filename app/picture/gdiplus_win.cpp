#include "app/picture/gdiplus_win.h"

#include <windows.h>

#include <cstddef>

#include "app/picture/gdiplus_codes.h"
#include "core/dynlib.h"
#include "core/registry.h"

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

bool start_gdiplus(GdiplusSession* session) {
    *session = GdiplusSession{};
    session->lib = open_library(AUTO_ID, "gdiplus.dll");
    if (!session->lib) return false;
    ULONG_PTR token = 0;
    GdiplusStartupInput input{1, nullptr, FALSE, FALSE};
    call_function(session->lib, "GdiplusStartup", &token, &input, nullptr);
    if (!token) {
        close_library(session->lib);
        session->lib = 0;
        return false;
    }
    session->token = token;
    return true;
}

void end_gdiplus(GdiplusSession* session) {
    if (session->token) call_function(session->lib, "GdiplusShutdown", session->token);
    if (session->lib) close_library(session->lib);
    *session = GdiplusSession{};
}

void turn_upright(const GdiplusSession& session, void* bitmap, int32_t orientation) {
    int32_t steps[2];
    const int32_t count = bitmap ? rotate_flip_steps(orientation, steps) : 0;
    for (int32_t i = 0; i < count; ++i) call_function(session.lib, "GdipImageRotateFlip", bitmap, steps[i]);
}
