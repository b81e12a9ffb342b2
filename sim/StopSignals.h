#pragma once

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

// The stop signals, read as events rather than handled asynchronously.
class StopSignals {
public:
    StopSignals() {
        sigemptyset(&set_);
        sigaddset(&set_, SIGINT);
        sigaddset(&set_, SIGTERM);
        sigprocmask(SIG_BLOCK, &set_, nullptr);
        fd_ = signalfd(-1, &set_, SFD_NONBLOCK | SFD_CLOEXEC);
    }
    ~StopSignals() {
        if (fd_ >= 0)
            ::close(fd_);
        sigprocmask(SIG_UNBLOCK, &set_, nullptr);
    }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;
    int Descriptor() const { return fd_; }
    // Takes the pending signal, so that unblocking it later does not deliver it again.
    void Consume() const {
        signalfd_siginfo info{};
        while (::read(fd_, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
        }
    }

private:
    sigset_t set_{};
    int fd_ = -1;
};
