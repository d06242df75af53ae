#include <windows.h>

#include "ui/theme.h"

namespace {

struct DllVersion {  // DLLVERSIONINFO
    DWORD size, major, minor, build, platform;
};
static_assert(sizeof(DllVersion) == 20);

bool detected = false;
int64_t comctl_version = 0;
int themed = 0;

}  // namespace

int64_t detect_theme() {
    if (detected) return comctl_version;
    detected = true;

    comctl_version = 1;
    if (HMODULE comctl = LoadLibraryA("COMCTL32.DLL")) {
        using GetVersionFn = HRESULT(WINAPI*)(DllVersion*);
        auto get_version = reinterpret_cast<GetVersionFn>(GetProcAddress(comctl, "DllGetVersion"));
        if (get_version) {
            DllVersion info = {};
            info.size = sizeof info;
            if (SUCCEEDED(get_version(&info))) comctl_version = int64_t{info.major} * 65536 + info.minor;
        }
        FreeLibrary(comctl);
    }

    // uxtheme stays loaded for the rest of the run.
    if (HMODULE uxtheme = LoadLibraryA("uxtheme.dll")) {
        using IsAppThemedFn = BOOL(WINAPI*)();
        auto is_app_themed = reinterpret_cast<IsAppThemedFn>(GetProcAddress(uxtheme, "IsAppThemed"));
        themed = is_app_themed && is_app_themed() && comctl_version >= 0x60000 ? 1 : 0;
    }
    return comctl_version;
}

int themed_flag() {
    detect_theme();
    return themed;
}
