#include "detect/work_share.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

namespace {

constexpr unsigned MAX_THREADS = 4;

class Helpers {
public:
    Helpers() {
        const unsigned wanted = std::clamp(std::thread::hardware_concurrency(), 1u, MAX_THREADS) - 1;
        for (unsigned i = 0; i < wanted; ++i) {
            try {
                std::thread(&Helpers::serve, this).detach();
                ++count_;
            } catch (const std::system_error&) {
                break;  // fewer helpers: the caller does more
            }
        }
    }

    int32_t threads() const { return count_ + 1; }

    void run(int32_t parts, SharedWork work, void* context) {
        std::unique_lock<std::mutex> lock(mutex_);
        if (work_ || count_ == 0) {  // busy with another search, or alone
            lock.unlock();
            for (int32_t i = 0; i < parts; ++i) work(context, i);
            return;
        }
        work_ = work, context_ = context, parts_ = parts, next_ = 0, finished_ = 0;
        wake_.notify_all();
        take(lock);
        done_.wait(lock, [&] { return finished_ == parts_; });
        work_ = nullptr;
    }

private:
    // Parts of the current work, while there are any left; `lock` held on
    // entry and exit.
    void take(std::unique_lock<std::mutex>& lock) {
        while (work_ && next_ < parts_) {
            const int32_t part = next_++;
            const SharedWork work = work_;
            void* context = context_;
            lock.unlock();
            work(context, part);
            lock.lock();
            if (++finished_ == parts_) done_.notify_all();
        }
    }

    void serve() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            wake_.wait(lock, [&] { return work_ && next_ < parts_; });
            take(lock);
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_, done_;
    SharedWork work_ = nullptr;
    void* context_ = nullptr;
    int32_t parts_ = 0, next_ = 0, finished_ = 0, count_ = 0;
};

// Never destroyed: the helpers wait on it until the process ends.
Helpers& helpers() {
    static Helpers* shared = new Helpers;
    return *shared;
}

}  // namespace

int32_t work_share_threads() { return helpers().threads(); }

void share_work(int32_t parts, SharedWork work, void* context) { helpers().run(parts, work, context); }
