#pragma once

#include <QStringList>
#include <functional>
#include <memory>
#include <thread>

// Watches the mount table and the extra roots on a thread of its own, since looking at a
// drive's folder can hang as long as the drive does. `changed` is called on that thread, never
// after the watcher is gone; a thread caught in a hung look is left behind when the watcher goes.
class MountWatchThread {
public:
    static constexpr int kStopWaitMs = 500;

    MountWatchThread(QStringList extraRoots, int lookIntervalMs, std::function<void()> changed);
    ~MountWatchThread();
    MountWatchThread(const MountWatchThread&) = delete;
    MountWatchThread& operator=(const MountWatchThread&) = delete;

private:
    struct Shared;
    static void Run(const std::shared_ptr<Shared>& shared, const QStringList& extraRoots,
                    int lookIntervalMs);

    std::shared_ptr<Shared> shared_;
    std::thread thread_;
};
