// Sharing one piece of work among a few threads kept for it: a search is
// split into parts that the calling thread and the idle helpers take one by
// one.  Helpers start once, on first use, and wait for the next search:
// under Wine a thread costs far more to start than to wake.
#pragma once

#include <cstdint>

using SharedWork = void (*)(void* context, int32_t part);

// The threads that can work on one search at once, this one included.
int32_t work_share_threads();

// Runs work(context, 0 .. parts - 1), each part once, spread over this
// thread and the helpers, and returns when all are done.  A call made while
// the helpers serve another runs all its parts on its own thread.
void share_work(int32_t parts, SharedWork work, void* context);
