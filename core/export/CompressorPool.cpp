#include "export/CompressorPool.h"

#include <algorithm>
#include <system_error>

namespace {
// Beyond this the sheet writer on the calling thread cannot keep the workers fed.
constexpr unsigned kMaxThreads = 4;
} // namespace

CompressorPool::CompressorPool(unsigned threads) {
    m_threads.reserve(threads);
    for (unsigned i = 0; i < threads; ++i) {
        try {
            m_threads.emplace_back([this] { Run(); });
        } catch (const std::system_error&) {
            break; // fewer workers, or none: the caller compresses on its own thread
        }
    }
}

CompressorPool::~CompressorPool() {
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    for (std::thread& t : m_threads)
        t.join();
}

unsigned CompressorPool::UsefulThreads() {
    const unsigned cores = std::thread::hardware_concurrency();
    return cores < 2 ? 0 : std::min(cores, kMaxThreads);
}

bool CompressorPool::Post(std::function<void()> task) {
    if (m_threads.empty())
        return false;
    {
        const std::lock_guard lock(m_mutex);
        m_tasks.push_back(std::move(task));
    }
    m_wake.notify_one();
    return true;
}

void CompressorPool::Run() {
    for (;;) {
        std::function<void()> task;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stopping || !m_tasks.empty(); });
            if (m_tasks.empty())
                return;
            task = std::move(m_tasks.front());
            m_tasks.pop_front();
        }
        task();
    }
}
