#include "platform/PosixDriveBackend.h"

#include "core/instrument/LinkLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <set>
#include <unistd.h>
#include <utility>

namespace {

constexpr std::size_t kAlignment = 4096;

class UniqueFd {
public:
    explicit UniqueFd(int fd = -1) : fd_(fd) {}
    ~UniqueFd() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int Get() const { return fd_; }
    bool Valid() const { return fd_ >= 0; }

private:
    int fd_;
};

class AlignedBuffer {
public:
    explicit AlignedBuffer(std::size_t size)
        : size_((size + kAlignment - 1) / kAlignment * kAlignment),
          data_(static_cast<char*>(std::aligned_alloc(kAlignment, std::max(size_, kAlignment)))) {}
    ~AlignedBuffer() { std::free(data_); }
    AlignedBuffer(const AlignedBuffer&) = delete;
    AlignedBuffer& operator=(const AlignedBuffer&) = delete;

    char* Data() const { return data_; }
    bool Valid() const { return data_ != nullptr; }

private:
    std::size_t size_;
    char* data_;
};

QByteArray ReadProcFile(const char* path) {
    const UniqueFd fd(::open(path, O_RDONLY | O_CLOEXEC));
    QByteArray text;
    if (!fd.Valid())
        return text;
    char chunk[4096];
    for (;;) {
        const ssize_t n = ::read(fd.Get(), chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        text.append(chunk, n);
    }
    return text;
}

QString DecodeMountField(const QByteArray& field) {
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const QByteArray digits = field.mid(i + 1, 3);
            bool octal = digits.size() == 3;
            for (char c : digits)
                octal = octal && c >= '0' && c <= '7';
            if (octal) {
                out.append(static_cast<char>(digits.toInt(nullptr, 8) & 0xFF));
                i += 3;
                continue;
            }
        }
        out.append(field[i]);
    }
    return QFile::decodeName(out);
}

QString CleanRoot(const QString& root) {
    return QDir::cleanPath(root);
}

bool IsUnder(const QString& path, const QString& folder) {
    return path.startsWith(folder + u'/');
}

bool IsDriveMount(const MountEntry& mount,
                  const std::function<bool(const QString& device)>& isRemovable) {
    if (mount.type == QLatin1String("fuse.vexlo-sim"))
        return true;
    if (IsUnder(mount.mountPoint, QStringLiteral("/media")) ||
        IsUnder(mount.mountPoint, QStringLiteral("/run/media")))
        return true;
    return mount.device.startsWith(QLatin1String("/dev/")) && isRemovable &&
           isRemovable(mount.device);
}

QByteArray FilePath(const QString& root, DriveFileType file) {
    return QFile::encodeName(root + u'/' + DriveFileName(file));
}

bool ValidTransfer(qint64 offset, qint64 size) {
    return offset >= 0 && size > 0 && offset % kDriveSector == 0 && size % kDriveSector == 0;
}

// Opens without the cache where the filesystem allows it; `direct` tells which way it went.
// The mailbox may be a named pipe (an emulated logger's folder): non-blocking, its open fails
// at once when nobody reads it instead of hanging, and a regular file does not mind.
// The trace of the drive files: each state is told once, when it begins, not at every pass of
// the link (which retries a file that will not open every 50 ms).
class FileTrace {
public:
    // A file that stops opening, and opens again.
    void Opened(const QByteArray& path, bool opened, int error) {
        const std::lock_guard lock(mutex_);
        if (opened) {
            if (failing_.erase(path) > 0)
                qCInfo(LinkLog).noquote() << "open:" << QFile::decodeName(path) << "opens again";
        } else if (failing_.insert(path).second) {
            qCInfo(LinkLog).nospace().noquote()
                << "open: cannot open " << QFile::decodeName(path) << ": " << std::strerror(error);
        }
    }
    // A file whose filesystem refuses O_DIRECT, at open time or per transfer.
    void Plain(const QByteArray& path, const char* when) {
        const std::lock_guard lock(mutex_);
        if (plain_.insert(path).second)
            qCInfo(LinkLog).nospace().noquote()
                << "O_DIRECT refused " << when << " for " << QFile::decodeName(path)
                << ": plain I/O, cached pages dropped after each transfer";
    }

private:
    std::mutex mutex_;
    std::set<QByteArray> failing_;
    std::set<QByteArray> plain_;
};

FileTrace& Trace() {
    static FileTrace trace;
    return trace;
}

UniqueFd OpenDriveFile(const QByteArray& path, DriveFileType file, int access, bool& direct) {
    if (file == DriveFileType::Control)
        access |= O_NONBLOCK;
    int fd = direct ? ::open(path.constData(), access | O_CLOEXEC | O_DIRECT) : -1;
    if (!direct || (fd < 0 && errno == EINVAL)) {
        if (direct && LinkLog().isInfoEnabled())
            Trace().Plain(path, "at open time");
        direct = false;
        fd = ::open(path.constData(), access | O_CLOEXEC);
    }
    const int error = errno;
    if (LinkLog().isInfoEnabled())
        Trace().Opened(path, fd >= 0, error);
    errno = error;
    return UniqueFd(fd);
}

// Reads until `size` bytes or the end of the file; -1 on an error, with errno kept.
qint64 ReadAll(int fd, char* buffer, qint64 offset, qint64 size) {
    qint64 done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, buffer + done, static_cast<std::size_t>(size - done),
                                  static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        done += n;
        // A short read is the end of the file; with O_DIRECT the next offset would not be
        // sector-aligned anyway.
        if (n == 0 || done % kDriveSector != 0)
            break;
    }
    return done;
}

qint64 WriteAll(int fd, const char* data, qint64 offset, qint64 size) {
    qint64 done = 0;
    while (done < size) {
        ssize_t n = ::pwrite(fd, data + done, static_cast<std::size_t>(size - done),
                             static_cast<off_t>(offset + done));
        // A pipe has no offsets: each block written is the next one its reader takes, which
        // is what a write at the start of the mailbox means to a device.
        if (n < 0 && errno == ESPIPE && offset == 0)
            n = ::write(fd, data + done, static_cast<std::size_t>(size - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? -1 : done;
        done += n;
        if (done % kDriveSector != 0)
            break;
    }
    return done;
}

void DropCache(int fd, qint64 offset, qint64 size, bool wrote) {
    if (wrote)
        ::fdatasync(fd);
    ::posix_fadvise(fd, static_cast<off_t>(offset), static_cast<off_t>(size), POSIX_FADV_DONTNEED);
}

} // namespace

QByteArray ReadMountTableText() {
    return ReadProcFile("/proc/self/mounts");
}

QStringList DriveRootsFromEnvironment() {
    return qEnvironmentVariable("VEXLO_DRIVES").split(u':', Qt::SkipEmptyParts);
}

std::vector<MountEntry> ParseMountTable(const QByteArray& text) {
    std::vector<MountEntry> entries;
    for (const QByteArray& line : text.split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 3)
            continue;
        entries.push_back({DecodeMountField(fields[0]), DecodeMountField(fields[1]),
                           DecodeMountField(fields[2])});
    }
    return entries;
}

std::vector<QString> SelectDriveRoots(const std::vector<MountEntry>& mounts,
                                      const std::function<bool(const QString& device)>& isRemovable,
                                      const QStringList& extraRoots) {
    QStringList mounted;
    for (const MountEntry& mount : mounts) {
        if (IsDriveMount(mount, isRemovable))
            mounted.append(CleanRoot(mount.mountPoint));
    }
    std::stable_sort(mounted.begin(), mounted.end());
    std::vector<QString> roots;
    auto add = [&roots](const QString& root) {
        if (roots.size() < static_cast<std::size_t>(kMaxDriveCandidates) &&
            std::find(roots.begin(), roots.end(), root) == roots.end())
            roots.push_back(root);
    };
    for (const QString& root : mounted)
        add(root);
    for (const QString& root : extraRoots) {
        if (!root.isEmpty())
            add(CleanRoot(root));
    }
    return roots;
}

bool IsRemovableBlockDevice(const QString& device) {
    const QString name = QFileInfo(QFileInfo(device).canonicalFilePath()).fileName();
    if (name.isEmpty())
        return false;
    QString node = QFileInfo(QStringLiteral("/sys/class/block/") + name).canonicalFilePath();
    if (node.isEmpty())
        return false;
    // A partition's removable flag lives on its disk, the parent node.
    if (QFileInfo::exists(node + QStringLiteral("/partition")))
        node = QFileInfo(node).path();
    QFile flag(node + QStringLiteral("/removable"));
    if (!flag.open(QIODevice::ReadOnly))
        return false;
    return flag.read(8).trimmed() == "1";
}

PosixDriveBackend::PosixDriveBackend() : extraRoots_(DriveRootsFromEnvironment()) {}

PosixDriveBackend::PosixDriveBackend(QStringList extraRoots, bool directIo)
    : extraRoots_(std::move(extraRoots)), directIo_(directIo) {}

std::vector<QString> PosixDriveBackend::CandidateDrives() const {
    std::vector<QString> roots = SelectDriveRoots(ParseMountTable(ReadMountTableText()),
                                                  IsRemovableBlockDevice, extraRoots_);
    if (LinkLog().isDebugEnabled()) {
        QStringList listed;
        for (const QString& root : roots)
            listed.append(root);
        qCDebug(LinkLog).noquote() << "candidate drives:" << listed;
    }
    return roots;
}

bool PosixDriveBackend::DriveExists(const QString& root) const {
    const QString clean = CleanRoot(root);
    if (root.isEmpty() || !QFileInfo(clean).isDir())
        return false;
    for (const QString& extra : extraRoots_) {
        if (CleanRoot(extra) == clean)
            return true;
    }
    const std::vector<MountEntry> mounts = ParseMountTable(ReadMountTableText());
    return std::any_of(mounts.begin(), mounts.end(), [&clean](const MountEntry& mount) {
        return CleanRoot(mount.mountPoint) == clean;
    });
}

qint64 PosixDriveBackend::ReadFile(const QString& root, DriveFileType file, qint64 offset,
                                   char* buffer, qint64 size) {
    bool direct = directIo_;
    const QByteArray path = FilePath(root, file);
    // A pipe's pread fails (ESPIPE) and reads nothing: reading it would take the logger's
    // commands away.
    UniqueFd fd = OpenDriveFile(path, file, O_RDONLY, direct);
    if (!fd.Valid())
        return kCannotOpen;
    if (!buffer || !ValidTransfer(offset, size))
        return 0;
    const AlignedBuffer aligned(static_cast<std::size_t>(size));
    if (!aligned.Valid())
        return 0;
    qint64 read = ReadAll(fd.Get(), aligned.Data(), offset, size);
    if (read < 0 && direct && errno == EINVAL) {
        // Some filesystems accept O_DIRECT at open time and refuse it per transfer.
        if (LinkLog().isInfoEnabled())
            Trace().Plain(path, "per transfer");
        const UniqueFd plain(::open(path.constData(), O_RDONLY | O_CLOEXEC));
        direct = false;
        read = plain.Valid() ? ReadAll(plain.Get(), aligned.Data(), offset, size) : -1;
        if (plain.Valid())
            DropCache(plain.Get(), offset, size, false);
    } else if (!direct) {
        DropCache(fd.Get(), offset, size, false);
    }
    if (read <= 0)
        return 0;
    std::memcpy(buffer, aligned.Data(), static_cast<std::size_t>(read));
    return read;
}

qint64 PosixDriveBackend::WriteFile(const QString& root, DriveFileType file, qint64 offset,
                                    const char* data, qint64 size) {
    bool direct = directIo_;
    const QByteArray path = FilePath(root, file);
    UniqueFd fd = OpenDriveFile(path, file, O_WRONLY, direct);
    if (!fd.Valid())
        return kCannotOpen;
    if (!data || !ValidTransfer(offset, size))
        return 0;
    const AlignedBuffer aligned(static_cast<std::size_t>(size));
    if (!aligned.Valid())
        return 0;
    std::memcpy(aligned.Data(), data, static_cast<std::size_t>(size));
    qint64 written = WriteAll(fd.Get(), aligned.Data(), offset, size);
    if (written < 0 && direct && errno == EINVAL) {
        if (LinkLog().isInfoEnabled())
            Trace().Plain(path, "per transfer");
        const UniqueFd plain(::open(path.constData(), O_WRONLY | O_CLOEXEC));
        written = plain.Valid() ? WriteAll(plain.Get(), aligned.Data(), offset, size) : -1;
        if (plain.Valid())
            DropCache(plain.Get(), offset, size, true);
    } else if (!direct) {
        DropCache(fd.Get(), offset, size, true);
    }
    return std::max<qint64>(written, 0);
}
