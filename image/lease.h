// Memory kept from one call to the next: buffers and tables that a call
// would otherwise allocate and fill again each time.
#pragma once

#include <cstdlib>
#include <mutex>
#include <new>

#include "core/memory.h"

// A buffer grown when a call needs more, never shrunk.
class KeptBuffer {
public:
    KeptBuffer() = default;
    KeptBuffer(const KeptBuffer&) = delete;
    KeptBuffer& operator=(const KeptBuffer&) = delete;
    ~KeptBuffer() { std::free(data_); }
    // Room for `count` items of T, or null when memory runs out.
    template <typename T>
    T* get(size_t count) {
        size_t bytes;
        if (!multiply_size(count, sizeof(T), &bytes)) return nullptr;
        if (bytes > bytes_) {
            std::free(data_);
            data_ = std::malloc(bytes);
            bytes_ = data_ ? bytes : 0;
        }
        return static_cast<T*>(data_);
    }

private:
    void* data_ = nullptr;
    size_t bytes_ = 0;
};

// One object kept from one call to the next, for whichever call finds it
// free; a call made while another has it gets an object of its own, gone as
// the call returns.  Nothing is kept per thread: a thread's own objects are
// destroyed as it ends, and on a thread Windows started (not the C++
// library) that left the process hanging when it exited.
template <typename T>
class Lease {
public:
    Lease() : held_(lock(), std::try_to_lock) {
        if (held_) item_ = kept();
        else own_ = item_ = new (std::nothrow) T;
    }
    ~Lease() { delete own_; }
    Lease(const Lease&) = delete;
    Lease& operator=(const Lease&) = delete;

    // Null when memory runs out.
    T* get() const { return item_; }

private:
    // Both never destroyed: the kept object serves until the process ends.
    static std::mutex& lock() {
        static std::mutex* mutex = new std::mutex;
        return *mutex;
    }
    static T* kept() {
        static T* item = new (std::nothrow) T;
        return item;
    }

    std::unique_lock<std::mutex> held_;
    T* own_ = nullptr;
    T* item_ = nullptr;
};
