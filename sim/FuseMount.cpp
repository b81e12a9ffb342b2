#define FUSE_USE_VERSION 31

#include "sim/FuseMount.h"

#include "core/common/Clock.h"
#include "core/common/StringTable.h"
#include "sim/LoggerDriveFiles.h"
#include "sim/StopSignals.h"

#include <QFile>
#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fuse3/fuse.h>
#include <fuse3/fuse_lowlevel.h>
#include <memory>
#include <optional>
#include <poll.h>
#include <thread>

namespace {

constexpr std::array<DriveFileType, 4> kFiles = {DriveFileType::Status, DriveFileType::Config,
                                                 DriveFileType::Control, DriveFileType::Record};

struct MountedLogger {
    LoggerEmulator& logger;
    const FuseMountRun& run;
    uid_t owner = ::getuid();
    gid_t group = ::getgid();
    timespec mounted{};
};

MountedLogger& Mounted() {
    return *static_cast<MountedLogger*>(fuse_get_context()->private_data);
}

std::optional<DriveFileType> FileOf(const char* path) {
    if (path[0] != '/')
        return std::nullopt;
    for (DriveFileType file : kFiles)
        if (QFile::encodeName(DriveFileName(file)) == path + 1)
            return file;
    return std::nullopt;
}

// RECORD.VX as the drive shows it, the short-record fault cutting it where the used part is
// only half read.
qint64 RecordLength(const MountedLogger& m) {
    const qint64 whole = LoggerFileSize(m.logger, DriveFileType::Record);
    if (!m.run.faults.shortRecord)
        return whole;
    return m.logger.MemoryUsed() / 2 / kDriveSector * kDriveSector;
}

qint64 FileLength(const MountedLogger& m, DriveFileType file) {
    return file == DriveFileType::Record ? RecordLength(m) : LoggerFileSize(m.logger, file);
}

void* Init(fuse_conn_info*, fuse_config* config) {
    // Every read and write reaches the logger: no page cache, no remembered sizes.
    config->direct_io = 1;
    config->kernel_cache = 0;
    config->attr_timeout = 0;
    config->entry_timeout = 0;
    config->negative_timeout = 0;
    return fuse_get_context()->private_data;
}

int GetAttr(const char* path, struct stat* st, fuse_file_info*) {
    MountedLogger& m = Mounted();
    std::memset(st, 0, sizeof *st);
    st->st_uid = m.owner;
    st->st_gid = m.group;
    st->st_mtim = st->st_ctim = st->st_atim = m.mounted;
    if (std::strcmp(path, "/") == 0) {
        st->st_mode = S_IFDIR | 0755;
        st->st_nlink = 2;
        return 0;
    }
    const auto file = FileOf(path);
    if (!file)
        return -ENOENT;
    m.logger.Advance();
    st->st_mode = S_IFREG | 0644;
    st->st_nlink = 1;
    st->st_size = FileLength(m, *file);
    st->st_blksize = kDriveSector;
    st->st_blocks = (st->st_size + 511) / 512;
    return 0;
}

int ReadDir(const char* path, void* buffer, fuse_fill_dir_t fill, off_t, fuse_file_info*,
            fuse_readdir_flags) {
    if (std::strcmp(path, "/") != 0)
        return -ENOENT;
    fill(buffer, ".", nullptr, 0, fuse_fill_dir_flags{});
    fill(buffer, "..", nullptr, 0, fuse_fill_dir_flags{});
    for (DriveFileType file : kFiles)
        fill(buffer, QFile::encodeName(DriveFileName(file)).constData(), nullptr, 0,
             fuse_fill_dir_flags{});
    return 0;
}

int Open(const char* path, fuse_file_info* info) {
    const auto file = FileOf(path);
    if (!file)
        return -ENOENT;
    // Only the mailbox takes writes, as on the logger.
    if ((info->flags & O_ACCMODE) != O_RDONLY && *file != DriveFileType::Control)
        return -EACCES;
    info->direct_io = 1;
    info->keep_cache = 0;
    return 0;
}

int Read(const char* path, char* buffer, size_t size, off_t offset, fuse_file_info*) {
    MountedLogger& m = Mounted();
    const auto file = FileOf(path);
    if (!file)
        return -ENOENT;
    if (m.run.faults.slowReadsMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(m.run.faults.slowReadsMs));
    if (*file == DriveFileType::Record && m.run.faults.eioRecord)
        return -EIO;
    m.logger.Advance();
    const qint64 wanted = ReadableBytes(FileLength(m, *file), offset, static_cast<qint64>(size));
    return static_cast<int>(ReadLoggerFile(m.logger, *file, offset, buffer, wanted));
}

// Each whole sector written to the mailbox is one command, as a sector write is.
int Write(const char* path, const char* data, size_t size, off_t offset, fuse_file_info*) {
    MountedLogger& m = Mounted();
    const auto file = FileOf(path);
    if (!file)
        return -ENOENT;
    if (*file != DriveFileType::Control)
        return -EACCES;
    if (offset % kDriveSector != 0 || size % kDriveSector != 0)
        return -EINVAL;
    for (size_t at = 0; at < size; at += kDriveSector) {
        const ReceivedCommand received =
            m.logger.ReceiveBlock(reinterpret_cast<const std::uint8_t*>(data + at));
        if (m.run.onCommand)
            m.run.onCommand(received);
    }
    return static_cast<int>(size);
}

// Opening with O_TRUNC must not fail; the logger's files keep their size.
int Truncate(const char* path, off_t, fuse_file_info*) {
    return FileOf(path) ? 0 : -ENOENT;
}

fuse_operations Operations() {
    fuse_operations ops{};
    ops.init = Init;
    ops.getattr = GetAttr;
    ops.readdir = ReadDir;
    ops.open = Open;
    ops.read = Read;
    ops.write = Write;
    ops.truncate = Truncate;
    return ops;
}

struct FuseDeleter {
    void operator()(fuse* f) const { fuse_destroy(f); }
};
using FusePtr = std::unique_ptr<fuse, FuseDeleter>;

// The mount, undone however the run ends; lazily, so open files do not hold it, as when a
// drive is pulled out.
class Mount {
public:
    Mount(fuse* f, const QByteArray& point) : fuse_(f) {
        mounted_ = fuse_mount(fuse_, point.constData()) == 0;
    }
    ~Mount() {
        if (mounted_)
            fuse_unmount(fuse_);
    }
    Mount(const Mount&) = delete;
    Mount& operator=(const Mount&) = delete;
    bool Mounted() const { return mounted_; }

private:
    fuse* fuse_;
    bool mounted_ = false;
};

// When the drive stops answering: from `fromMs` until `untilMs` (for ever when none), every
// call on its files waits, as on a hung device.
struct HangWindow {
    std::optional<qint64> fromMs;
    std::optional<qint64> untilMs;
    bool Holds(qint64 nowMs) const {
        return fromMs && nowMs >= *fromMs && (!untilMs || nowMs < *untilMs);
    }
};

// Serves requests until the session ends, a stop signal comes or `deadlineMs` passes; during
// the hang window requests are left unread, while stop signals are still heard.
int Serve(fuse_session* session, const Clock& clock, const StopSignals& stop,
          std::optional<qint64> deadlineMs, const HangWindow& hang) {
    fuse_buf buffer{};
    int status = 0;
    while (!fuse_session_exited(session)) {
        const qint64 now = clock.MonotonicMs();
        int timeout = -1;
        if (deadlineMs) {
            const qint64 left = *deadlineMs - now;
            if (left <= 0)
                break;
            timeout = static_cast<int>(std::min<qint64>(left, 60000));
        }
        const bool hung = hang.Holds(now);
        if (hung || (hang.fromMs && now < *hang.fromMs)) {
            const qint64 next = hung ? hang.untilMs.value_or(now + 60000) : *hang.fromMs;
            const int left = static_cast<int>(std::clamp<qint64>(next - now, 1, 60000));
            timeout = timeout < 0 ? left : std::min(timeout, left);
        }
        pollfd fds[2] = {{stop.Descriptor(), POLLIN, 0}, {fuse_session_fd(session), POLLIN, 0}};
        if (::poll(fds, hung ? 1 : 2, timeout) < 0) {
            if (errno == EINTR)
                continue;
            std::perror("poll");
            status = 1;
            break;
        }
        if (fds[0].revents & POLLIN) {
            stop.Consume();
            break;
        }
        if (hung || fds[1].revents == 0)
            continue;
        const int received = fuse_session_receive_buf(session, &buffer);
        if (received == -EINTR || received == -EAGAIN)
            continue;
        // 0: unmounted from outside.
        if (received <= 0)
            break;
        fuse_session_process_buf(session, &buffer);
    }
    std::free(buffer.mem);
    return status;
}

} // namespace

int RunFuseMount(const FuseMountRun& run, LoggerEmulator& logger, const Clock& clock,
                 const StopSignals& stop) {
    MountedLogger mounted{logger, run};
    clock_gettime(CLOCK_REALTIME, &mounted.mounted);
    // The type "fuse.vexlo-sim" is how the drive scan knows an emulated logger.
    const char* argv[] = {"vexlo-sim", "-o", "fsname=vexlo-sim,subtype=vexlo-sim"};
    fuse_args args = FUSE_ARGS_INIT(3, const_cast<char**>(argv));
    const fuse_operations ops = Operations();
    const FusePtr f(fuse_new(&args, &ops, sizeof ops, &mounted));
    fuse_opt_free_args(&args);
    if (!f) {
        std::fprintf(stderr, "%s\n", qPrintable(ResourceString(TextId::kSimFuseNotCreated)));
        return 1;
    }
    const Mount mount(f.get(), QFile::encodeName(run.mountPoint));
    if (!mount.Mounted()) {
        std::fprintf(stderr, "%s\n",
                     qPrintable(FormatResource(TextId::kSimCannotMount, {run.mountPoint})));
        return 1;
    }
    const qint64 start = clock.MonotonicMs();
    std::optional<qint64> deadline;
    if (run.faults.unplugAfterMs > 0)
        deadline = start + run.faults.unplugAfterMs;
    HangWindow hang;
    if (run.faults.hangAfterMs > 0)
        hang.fromMs = start + run.faults.hangAfterMs;
    if (hang.fromMs && run.faults.hangForMs > 0)
        hang.untilMs = *hang.fromMs + run.faults.hangForMs;
    return Serve(fuse_get_session(f.get()), clock, stop, deadline, hang);
}
