#include "core/memory.h"

#include <windows.h>

namespace {

HANDLE main_heap = nullptr;
HANDLE allocator_heap = nullptr;

HANDLE heap(HANDLE& h) {
    if (!h) h = HeapCreate(0, 4096, 0);
    return h;
}

void destroy(HANDLE& h) {
    if (h) HeapDestroy(h);
    h = nullptr;
}

void* take(HANDLE& h, size_t size) {
    HANDLE hp = heap(h);
    if (!hp) return nullptr;
    return HeapAlloc(hp, HEAP_ZERO_MEMORY, size ? size : 1);
}

}  // namespace

void init_main_heap() { heap(main_heap); }
void end_main_heap() { destroy(main_heap); }

void* runtime_alloc(size_t size) { return take(main_heap, size); }

void* runtime_realloc(void* block, size_t old_size, size_t new_size) {
    if (!block) return runtime_alloc(new_size);
    (void)old_size;  // HEAP_ZERO_MEMORY zeroes the grown part itself
    return HeapReAlloc(heap(main_heap), HEAP_ZERO_MEMORY, block, new_size ? new_size : 1);
}

void runtime_free(void* block) {
    if (block && main_heap) HeapFree(main_heap, 0, block);
}

bool runtime_block_valid(const void* block) {
    return block && main_heap && HeapValidate(main_heap, 0, block);
}

void init_memory_allocator() { heap(allocator_heap); }
void end_memory_allocator() { destroy(allocator_heap); }

void* alloc_memory(size_t size) { return take(allocator_heap, size); }

void free_memory(void* block) {
    if (block && allocator_heap) HeapFree(allocator_heap, 0, block);
}
