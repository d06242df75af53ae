// Work split over a few threads that are kept from one call to the next, so
// that a job of a few milliseconds (one live update of the crop) pays neither
// a thread start nor an allocation.
#pragma once

#include <cstdint>

constexpr int32_t MAX_PART_COUNT = 4;

// The parts work is best split into here: the processor's threads, 1 to
// MAX_PART_COUNT.
int32_t part_count();

// Calls job(context, part) for every part in [0, parts) and returns when all
// have returned: part 0 on the calling thread, the others on kept worker
// threads started at the first call.  When another caller has the workers,
// or a thread cannot be started, the parts left over run on the calling
// thread, one after another.
void run_parts(int32_t parts, void (*job)(void* context, int32_t part), void* context);

// Calls job(context, index) for every index in [0, count): the calling
// thread and the kept workers each take the next index until none is left,
// so pieces of unequal cost, or more pieces than threads, still share out.
void share_parts(int32_t count, void (*job)(void* context, int32_t index), void* context);

template <typename Job>
void run_parts(int32_t parts, Job& job) {
    run_parts(parts, [](void* context, int32_t part) { (*static_cast<Job*>(context))(part); }, &job);
}
