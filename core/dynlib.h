// Calls into libraries loaded at run time: a library is opened by file name
// and its exported functions are called by name with 0 to 20 integer-sized
// arguments under the platform's standard calling convention.
#pragma once

#include <cstdint>
#include <type_traits>

struct ObjectRegistry;

struct LibraryRecord {
    int64_t module;  // the loaded module; 0 means the record holds no library
};

void init_dynamic_libraries();
// The registry of libraries, for its tests.
ObjectRegistry* library_registry();
void end_dynamic_libraries();  // closes every library still open

// For AUTO_ID the record's handle, for a number the module handle; 0 on failure.
int64_t open_library(int64_t id, const char* name);
// The function's address, or 0.  Looked up anew on every call.
int64_t get_function(int64_t library, const char* name);
// Closes one library, or all of them for -1.
void close_library(int64_t library);

constexpr int MAX_CALL_ARGUMENTS = 20;

// Calls the named function with `count` 64-bit arguments; 0 without calling
// when the library or the function is not found or count is out of range.
int64_t call_function_args(int64_t library, const char* name, const int64_t* args, int count);

namespace dynlib_detail {
template <typename T>
int64_t to_argument(T value) {
    if constexpr (std::is_pointer_v<T> || std::is_null_pointer_v<T>)
        return static_cast<int64_t>(reinterpret_cast<intptr_t>(value));
    else if constexpr (std::is_enum_v<T>)
        return static_cast<int64_t>(value);
    else {
        static_assert(std::is_integral_v<T>, "only integer-sized arguments can be passed");
        return static_cast<int64_t>(value);
    }
}
}  // namespace dynlib_detail

// call_function(library, name, arguments...): the forms with 0 to 20
// arguments.  Pointers travel as 64-bit integers.
template <typename... Args>
int64_t call_function(int64_t library, const char* name, Args... args) {
    static_assert(sizeof...(Args) <= MAX_CALL_ARGUMENTS, "at most 20 arguments");
    const int64_t values[sizeof...(Args) + 1] = {dynlib_detail::to_argument(args)..., 0};
    return call_function_args(library, name, values, static_cast<int>(sizeof...(Args)));
}

// The platform's loader, behind the registry.
int64_t platform_load_library(const char* name);
void* platform_find_function(int64_t module, const char* name);
void platform_free_library(int64_t module);
