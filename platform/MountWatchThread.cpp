#include "platform/MountWatchThread.h"

#include "core/instrument/LinkLog.h"
#include "platform/MountTableWatcher.h"

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

struct MountWatchThread::Shared {
    std::mutex mutex;
    std::condition_variable ended;
    std::function<void()> changed;
    bool stop = false;
    bool finished = false;
    // Wakes the poll when the watcher goes.
    const int wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);

    ~Shared() {
        if (wakeFd >= 0)
            ::close(wakeFd);
    }
    bool Stopping() {
        const std::lock_guard lock(mutex);
        return stop;
    }
};

MountWatchThread::MountWatchThread(QStringList extraRoots, int lookIntervalMs,
                                   std::function<void()> changed)
    : shared_(std::make_shared<Shared>()) {
    shared_->changed = std::move(changed);
    thread_ = std::thread([shared = shared_, roots = std::move(extraRoots), lookIntervalMs] {
        Run(shared, roots, lookIntervalMs);
        const std::lock_guard lock(shared->mutex);
        shared->finished = true;
        shared->ended.notify_all();
    });
}

MountWatchThread::~MountWatchThread() {
    std::unique_lock lock(shared_->mutex);
    shared_->stop = true;
    shared_->changed = nullptr;
    if (shared_->wakeFd >= 0) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(shared_->wakeFd, &one, sizeof one);
    }
    const bool ended = shared_->ended.wait_for(lock, std::chrono::milliseconds(kStopWaitMs),
                                               [this] { return shared_->finished; });
    lock.unlock();
    if (ended) {
        thread_.join();
        return;
    }
    qCInfo(LinkLog) << "the mount watch is caught in a look at a drive: left behind";
    thread_.detach();
}

void MountWatchThread::Run(const std::shared_ptr<Shared>& shared, const QStringList& extraRoots,
                           int lookIntervalMs) {
    MountTableWatcher watcher(extraRoots);
    while (!shared->Stopping()) {
        pollfd fds[2] = {{shared->wakeFd, POLLIN, 0}, {watcher.Fd(), POLLPRI, 0}};
        const nfds_t count = watcher.IsValid() ? 2 : 1;
        if (::poll(fds, count, lookIntervalMs) < 0 && errno != EINTR)
            return;
        if (shared->Stopping())
            return;
        if (!watcher.Changed())
            continue;
        const std::lock_guard lock(shared->mutex);
        if (shared->changed)
            shared->changed();
    }
}
