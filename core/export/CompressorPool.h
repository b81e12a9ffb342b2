#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// Worker threads that run posted tasks in any order; the destructor runs what is still
// queued, then joins.
class CompressorPool {
public:
    explicit CompressorPool(unsigned threads);
    ~CompressorPool();
    CompressorPool(const CompressorPool&) = delete;
    CompressorPool& operator=(const CompressorPool&) = delete;

    // Threads worth starting on this machine: 0 on a single core, where the caller's own
    // thread does the work.
    static unsigned UsefulThreads();

    // False when no thread could be started; the caller then runs the task itself.
    bool Post(std::function<void()> task);
    unsigned ThreadCount() const { return static_cast<unsigned>(threads_.size()); }

private:
    void Run();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> tasks_;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};
