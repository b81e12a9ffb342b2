#include "sim/DirectoryWatch.h"

#include "core/common/StringTable.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <sys/inotify.h>
#include <unistd.h>

std::unique_ptr<DirectoryWatch> DirectoryWatch::Open(const QString& folder, Outcome* outcome) {
    const int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0) {
        *outcome = Outcome::Failure(OutcomeType::CannotRead,
                                    FormatResource(TextId::kLabelledFigure,
                                                   {QStringLiteral("inotify"),
                                                    QString::fromLocal8Bit(std::strerror(errno))}));
        return nullptr;
    }
    std::unique_ptr<DirectoryWatch> watch(new DirectoryWatch(fd));
    if (inotify_add_watch(fd, folder.toLocal8Bit().constData(),
                          IN_CLOSE_WRITE | IN_MODIFY | IN_MOVED_TO) < 0) {
        *outcome = Outcome::Failure(
            OutcomeType::CannotRead,
            FormatResource(TextId::kSimCannotWatch,
                           {folder, QString::fromLocal8Bit(std::strerror(errno))}));
        return nullptr;
    }
    *outcome = Outcome::Success();
    return watch;
}

DirectoryWatch::~DirectoryWatch() {
    ::close(fd_);
}

bool DirectoryWatch::DrainFor(const QString& name) {
    const QByteArray wanted = name.toLocal8Bit();
    alignas(inotify_event) std::array<char, 4096> buffer{};
    bool hit = false;
    for (;;) {
        const ssize_t n = ::read(fd_, buffer.data(), buffer.size());
        if (n <= 0)
            return hit;
        for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= n;) {
            inotify_event event{};
            std::memcpy(&event, buffer.data() + at, sizeof event);
            const char* eventName = buffer.data() + at + sizeof(inotify_event);
            if (event.len > 0 && wanted == eventName)
                hit = true;
            at += static_cast<ssize_t>(sizeof(inotify_event) + event.len);
        }
    }
}
