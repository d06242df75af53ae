#include <dlfcn.h>

#include "core/dynlib.h"

// dlopen stands in for LoadLibraryA outside Windows.

int64_t platform_load_library(const char* name) {
    return reinterpret_cast<intptr_t>(dlopen(name, RTLD_NOW | RTLD_LOCAL));
}

void* platform_find_function(int64_t module, const char* name) {
    return dlsym(reinterpret_cast<void*>(static_cast<intptr_t>(module)), name);
}

void platform_free_library(int64_t module) {
    if (module) dlclose(reinterpret_cast<void*>(static_cast<intptr_t>(module)));
}
