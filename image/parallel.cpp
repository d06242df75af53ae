#include "image/parallel.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

namespace {

struct Pool {
    std::mutex caller;  // held by the one caller the workers serve
    std::mutex lock;    // guards what follows
    std::condition_variable wake, finished;
    void (*job)(void*, int32_t) = nullptr;
    void* context = nullptr;
    uint64_t round = 0;   // counts the calls handed to the workers
    int32_t parts = 0;    // of the current round
    int32_t pending = 0;  // workers of the current round still running
    int32_t workers = 0;  // started so far; worker w runs part w + 1
};

// Whether this thread is running a part: a job that calls run_parts gets
// its parts run right here instead of waiting on workers that serve it.
thread_local bool in_part = false;

// Never destroyed: its threads wait on it until the process ends.
Pool& pool() {
    static Pool* p = new Pool;
    return *p;
}

void serve(Pool* p, int32_t part) {
    uint64_t seen = 0;
    std::unique_lock<std::mutex> held(p->lock);
    for (;;) {
        p->wake.wait(held, [&] { return p->round != seen; });
        seen = p->round;
        if (part >= p->parts) continue;
        auto* job = p->job;
        void* context = p->context;
        held.unlock();
        in_part = true;
        job(context, part);
        in_part = false;
        held.lock();
        if (--p->pending == 0) p->finished.notify_one();
    }
}

// Starts workers until `wanted` run (caller holds p.caller); the number running.
int32_t start_workers(Pool& p, int32_t wanted) {
    while (p.workers < wanted) {
        try {
            std::thread(serve, &p, p.workers + 1).detach();
        } catch (const std::system_error&) {
            break;
        }
        ++p.workers;
    }
    return p.workers;
}

}  // namespace

int32_t part_count() {
    static const int32_t count =
        static_cast<int32_t>(std::clamp(std::thread::hardware_concurrency(), 1u, static_cast<unsigned>(MAX_PART_COUNT)));
    return count;
}

void run_parts(int32_t parts, void (*job)(void* context, int32_t part), void* context) {
    if (in_part || parts <= 1) {
        for (int32_t part = 0; part < parts; ++part) job(context, part);
        return;
    }
    Pool& p = pool();
    std::unique_lock<std::mutex> mine(p.caller, std::try_to_lock);
    const int32_t helped = mine ? std::min(start_workers(p, std::min(parts, MAX_PART_COUNT) - 1) + 1, parts) : 1;
    if (helped > 1) {
        {
            std::lock_guard<std::mutex> held(p.lock);
            p.job = job;
            p.context = context;
            p.parts = helped;
            p.pending = helped - 1;
            ++p.round;
        }
        p.wake.notify_all();
    }
    in_part = true;
    job(context, 0);
    for (int32_t part = helped; part < parts; ++part) job(context, part);
    in_part = false;
    if (helped > 1) {
        std::unique_lock<std::mutex> held(p.lock);
        p.finished.wait(held, [&] { return p.pending == 0; });
    }
}

void share_parts(int32_t count, void (*job)(void* context, int32_t index), void* context) {
    struct Share {
        void (*job)(void*, int32_t);
        void* context;
        int32_t count;
        std::atomic<int32_t> next{0};
    } share{job, context, count};
    auto take = [](void* c, int32_t) {
        Share& s = *static_cast<Share*>(c);
        for (int32_t i; (i = s.next.fetch_add(1, std::memory_order_relaxed)) < s.count;) s.job(s.context, i);
    };
    run_parts(std::min(count, part_count()), take, &share);
}
