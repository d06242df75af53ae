#include "core/memory.h"

void* make_state_block(size_t size, StateInitialiser initialiser) {
    void* block = runtime_alloc(size);
    if (block && initialiser) initialiser(block);
    return block;
}
