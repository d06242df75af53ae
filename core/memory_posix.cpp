#include "core/memory.h"

#include <cstdlib>
#include <cstring>

// Outside Windows the C heap stands in for both private heaps; ending a heap
// frees nothing, so callers free what they took (the sanitizers check this).

void init_main_heap() {}
void end_main_heap() {}

void* runtime_alloc(size_t size) { return std::calloc(1, size ? size : 1); }

void* runtime_realloc(void* block, size_t old_size, size_t new_size) {
    if (!block) return runtime_alloc(new_size);
    void* grown = std::realloc(block, new_size ? new_size : 1);
    if (grown && new_size > old_size) std::memset(static_cast<char*>(grown) + old_size, 0, new_size - old_size);
    return grown;
}

void runtime_free(void* block) { std::free(block); }
bool runtime_block_valid(const void* block) { return block != nullptr; }

void init_memory_allocator() {}
void end_memory_allocator() {}

void* alloc_memory(size_t size) { return std::calloc(1, size ? size : 1); }

void free_memory(void* block) { std::free(block); }
