#pragma once

#include <csignal>
#include <ctime>
#include <initializer_list>
#include <pthread.h>

// Ctrl-C, hang-up and termination held back for as long as a logger command runs, so that a
// download can remove its unfinished file and nothing is cut off half sent. A signal that came
// meanwhile takes its usual effect when the watch ends. Made before any other thread, which
// then inherits the held-back set.
class InterruptWatch {
public:
    InterruptWatch() {
        sigemptyset(&watched_);
        // A signal the caller chose to ignore (a job started in the background) stays ignored.
        for (const int s : {SIGINT, SIGTERM, SIGHUP}) {
            struct sigaction now {};
            if (sigaction(s, nullptr, &now) == 0 && now.sa_handler != SIG_IGN)
                sigaddset(&watched_, s);
        }
        pthread_sigmask(SIG_BLOCK, &watched_, &previous_);
    }
    ~InterruptWatch() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;

    bool Pending() const {
        sigset_t pending;
        sigemptyset(&pending);
        sigpending(&pending);
        for (const int s : {SIGINT, SIGTERM, SIGHUP})
            if (sigismember(&watched_, s) && sigismember(&pending, s) &&
                !sigismember(&previous_, s))
                return true;
        return false;
    }

    // Takes one pending signal, so that a question it led to can be answered "no" and the
    // command goes on.
    void Consume() {
        const timespec now{};
        while (Pending() && sigtimedwait(&watched_, nullptr, &now) > 0) {
        }
    }

private:
    sigset_t watched_{};
    sigset_t previous_{};
};
