#include "core/dynlib.h"

#include <array>
#include <cstddef>
#include <utility>

#include "core/registry.h"

namespace {

ObjectRegistry* libraries = nullptr;

// One caller per argument count: each casts the address to a function of
// exactly that many 64-bit parameters, so the compiler places every argument
// where the calling convention wants it (registers first, then the stack).
template <std::size_t... I>
int64_t invoke(void* function, const int64_t* a, std::index_sequence<I...>) {
    using Function = int64_t (*)(decltype((void)I, int64_t{})...);
    return reinterpret_cast<Function>(function)(a[I]...);
}

using Invoker = int64_t (*)(void*, const int64_t*);

template <std::size_t... N>
constexpr std::array<Invoker, sizeof...(N)> make_invokers(std::index_sequence<N...>) {
    return {{[](void* f, const int64_t* a) { return invoke(f, a, std::make_index_sequence<N>{}); }...}};
}

constexpr auto invokers = make_invokers(std::make_index_sequence<MAX_CALL_ARGUMENTS + 1>{});

}  // namespace

ObjectRegistry* library_registry() {
    if (!libraries) libraries = new_registry(sizeof(LibraryRecord), 16, close_library);
    return libraries;
}

void init_dynamic_libraries() { library_registry(); }

void end_dynamic_libraries() { close_library(-1); }

int64_t open_library(int64_t id, const char* name) {
    auto* record = static_cast<LibraryRecord*>(take_object(library_registry(), id));
    if (!record) return 0;
    int64_t module = name ? platform_load_library(name) : 0;
    if (!module) {
        // An empty automatic record could never be named again: neither
        // close_library nor the shutdown would free it.
        if (id == AUTO_ID) release_object(library_registry(), record_handle(record));
        return 0;
    }
    record->module = module;
    return id == AUTO_ID ? record_handle(record) : module;
}

int64_t get_function(int64_t library, const char* name) {
    if (!name) return 0;
    auto* record = static_cast<LibraryRecord*>(find_object(library_registry(), library));
    if (!record || !record->module) return 0;
    return reinterpret_cast<intptr_t>(platform_find_function(record->module, name));
}

int64_t call_function_args(int64_t library, const char* name, const int64_t* args, int count) {
    if (count < 0 || count > MAX_CALL_ARGUMENTS || (count > 0 && !args)) return 0;
    int64_t address = get_function(library, name);
    if (!address) return 0;
    return invokers[count](reinterpret_cast<void*>(static_cast<intptr_t>(address)), args);
}

void close_library(int64_t library) {
    ObjectRegistry* registry = library_registry();
    if (!registry) return;
    if (library == -1) {
        free_all_objects(registry);
        return;
    }
    auto* record = static_cast<LibraryRecord*>(find_object(registry, library));
    if (!record) return;
    platform_free_library(record->module);
    release_object(registry, library);
}
