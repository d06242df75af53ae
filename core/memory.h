// Runtime memory: every record, table and buffer of the runtime comes
// zero-filled from one of two heaps that start-up creates.
//
//   main heap       registries, records, list nodes, state blocks
//   allocator heap  the application's own buffers (alloc_memory)
//
// On Windows both are private heaps (HeapCreate); elsewhere calloc stands in.
// A heap that was not created explicitly is created on first use, so tests
// and tools can use the runtime without the application's start-up.
#pragma once

#include <cstddef>

void init_main_heap();
void end_main_heap();          // frees everything taken from the main heap
void* runtime_alloc(size_t size);                                // zero-filled, null on failure
void* runtime_realloc(void* block, size_t old_size, size_t new_size);  // bytes past old_size zeroed
void runtime_free(void* block);
// True when block is a live block of the main heap (a pointer received from
// outside, say in a window message, is checked before it is read or freed).
bool runtime_block_valid(const void* block);

void init_memory_allocator();
void end_memory_allocator();   // frees everything taken from alloc_memory
void* alloc_memory(size_t size);  // zero-filled, null on failure
void free_memory(void* block);

// A module's process-wide state: a zero-filled block of `size` bytes on
// which `initialiser` (if any) has run.
using StateInitialiser = void (*)(void* block);
void* make_state_block(size_t size, StateInitialiser initialiser);
inline void* state_block(void* block) { return block; }

// Checked size arithmetic for allocations: false when a * b overflows.
inline bool multiply_size(size_t a, size_t b, size_t* out) {
    return !__builtin_mul_overflow(a, b, out);
}
