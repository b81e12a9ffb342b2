#pragma once

#include "core/common/Outcome.h"

#include <QString>
#include <memory>

// Changes to the files of one folder (inotify), read without blocking.
class DirectoryWatch {
public:
    static std::unique_ptr<DirectoryWatch> Open(const QString& folder, Outcome* outcome);
    ~DirectoryWatch();
    DirectoryWatch(const DirectoryWatch&) = delete;
    DirectoryWatch& operator=(const DirectoryWatch&) = delete;

    // For poll(): readable when events are waiting.
    int Descriptor() const { return fd_; }
    // Reads every waiting event; true when one of them was a write to or a replacement of
    // the file `name`.
    bool DrainFor(const QString& name);

private:
    explicit DirectoryWatch(int fd) : fd_(fd) {}
    int fd_;
};
