#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>

// What a test drive's calls go through: while the gate is closed every call waits, as on a hung
// device. It counts the calls, and those made on the thread that built it (the test's own,
// standing for the window's, where no drive call belongs).
class DriveGate {
public:
    void SetClosed(bool closed) {
        {
            const std::lock_guard lock(mutex_);
            closed_ = closed;
        }
        opened_.notify_all();
    }
    void Pass() const {
        std::unique_lock lock(mutex_);
        ++passes_;
        if (std::this_thread::get_id() == owner_)
            ++onOwnerThread_;
        opened_.wait(lock, [this] { return !closed_; });
    }
    int Passes() const {
        const std::lock_guard lock(mutex_);
        return passes_;
    }
    int PassesOnOwnerThread() const {
        const std::lock_guard lock(mutex_);
        return onOwnerThread_;
    }

private:
    mutable std::mutex mutex_;
    mutable std::condition_variable opened_;
    bool closed_ = false;
    mutable int passes_ = 0;
    mutable int onOwnerThread_ = 0;
    const std::thread::id owner_ = std::this_thread::get_id();
};
