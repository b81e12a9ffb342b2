#include "core/export/CompressorPool.h"

#include <algorithm>
#include <system_error>

namespace {
// Beyond this the sheet writer on the calling thread cannot keep the workers fed.
constexpr unsigned kMaxThreads = 4;
} // namespace

CompressorPool::CompressorPool(unsigned threads) {
    threads_.reserve(threads);
    for (unsigned i = 0; i < threads; ++i) {
        try {
            threads_.emplace_back([this] { Run(); });
        } catch (const std::system_error&) {
            break; // fewer workers, or none: the caller compresses on its own thread
        }
    }
}

CompressorPool::~CompressorPool() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : threads_)
        t.join();
}

unsigned CompressorPool::UsefulThreads() {
    const unsigned cores = std::thread::hardware_concurrency();
    return cores < 2 ? 0 : std::min(cores, kMaxThreads);
}

bool CompressorPool::Post(std::function<void()> task) {
    if (threads_.empty())
        return false;
    {
        const std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(task));
    }
    wake_.notify_one();
    return true;
}

void CompressorPool::Run() {
    for (;;) {
        std::function<void()> task;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !tasks_.empty(); });
            if (tasks_.empty())
                return;
            task = std::move(tasks_.front());
            tasks_.pop_front();
        }
        task();
    }
}
