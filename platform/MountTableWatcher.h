#pragma once

// Reports changes of the mount table, the sign that a drive came or went.
class MountTableWatcher {
public:
    MountTableWatcher();
    ~MountTableWatcher();
    MountTableWatcher(const MountTableWatcher&) = delete;
    MountTableWatcher& operator=(const MountTableWatcher&) = delete;

    bool IsValid() const { return fd_ >= 0; }
    // Signals an exceptional condition (QSocketNotifier::Exception) on each change.
    int Fd() const { return fd_; }
    // Whether the table changed since the last call; consumes the notification. Waits up to
    // `timeoutMs` (-1 for ever) for one.
    bool HasChanged(int timeoutMs = 0);

private:
    int fd_;
};
