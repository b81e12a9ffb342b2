#include "platform/MountTableWatcher.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

MountTableWatcher::MountTableWatcher() : fd_(::open("/proc/self/mounts", O_RDONLY | O_CLOEXEC)) {}

MountTableWatcher::~MountTableWatcher() {
    if (fd_ >= 0)
        ::close(fd_);
}

bool MountTableWatcher::HasChanged(int timeoutMs) {
    if (fd_ < 0)
        return false;
    pollfd entry{fd_, POLLPRI, 0};
    int ready = 0;
    do {
        ready = ::poll(&entry, 1, timeoutMs);
    } while (ready < 0 && errno == EINTR);
    // The kernel records the change as seen when it reports it, so one poll consumes it.
    return ready > 0 && (entry.revents & (POLLPRI | POLLERR)) != 0;
}
