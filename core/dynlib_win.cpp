#include <windows.h>

#include "core/dynlib.h"

int64_t platform_load_library(const char* name) {
    return reinterpret_cast<intptr_t>(LoadLibraryA(name));
}

void* platform_find_function(int64_t module, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(static_cast<intptr_t>(module)), name));
}

void platform_free_library(int64_t module) {
    if (module) FreeLibrary(reinterpret_cast<HMODULE>(static_cast<intptr_t>(module)));
}
