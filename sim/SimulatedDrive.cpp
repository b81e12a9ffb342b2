#include "sim/SimulatedDrive.h"

#include "sim/LoggerDriveFiles.h"

#include <algorithm>
#include <cstring>

namespace {

bool SectorAligned(qint64 offset, qint64 size) {
    return offset >= 0 && size >= 0 && offset % kDriveSector == 0 && size % kDriveSector == 0;
}

} // namespace

SimulatedDrive::SimulatedDrive(const Clock& clock, const LoggerSettings& settings, QString root)
    : logger_(clock, settings), root_(std::move(root)) {}

void SimulatedDrive::AddPlainDrive(const QString& root, const QByteArray& statusText) {
    std::lock_guard lock(mutex_);
    plainDrives_[root] = statusText;
}

void SimulatedDrive::SetPresent(bool present) {
    std::lock_guard lock(mutex_);
    present_ = present;
}

std::vector<QString> SimulatedDrive::CandidateDrives() const {
    std::lock_guard lock(mutex_);
    std::vector<QString> roots;
    for (const auto& entry : plainDrives_)
        roots.push_back(entry.first);
    if (present_)
        roots.push_back(root_);
    // Mount-point order, as the real scan gives.
    std::sort(roots.begin(), roots.end());
    if (roots.size() > static_cast<std::size_t>(kMaxDriveCandidates))
        roots.resize(static_cast<std::size_t>(kMaxDriveCandidates));
    return roots;
}

bool SimulatedDrive::DriveExists(const QString& root) const {
    std::lock_guard lock(mutex_);
    return (present_ && root == root_) || plainDrives_.count(root) != 0;
}

qint64 SimulatedDrive::ReadFile(const QString& root, DriveFileType file, qint64 offset,
                                char* buffer, qint64 size) {
    std::lock_guard lock(mutex_);
    if (present_ && root == root_) {
        if (!SectorAligned(offset, size))
            return 0;
        logger_.Advance();
        return ReadLoggerFile(logger_, file, offset, buffer, size);
    }
    const auto plain = plainDrives_.find(root);
    if (plain == plainDrives_.end() || file != DriveFileType::Status || plain->second.isEmpty())
        return kCannotOpen;
    return SectorAligned(offset, size) ? ReadPaddedText(plain->second, offset, buffer, size) : 0;
}

qint64 SimulatedDrive::WriteFile(const QString& root, DriveFileType file, qint64 offset,
                                 const char* data, qint64 size) {
    std::lock_guard lock(mutex_);
    if (!(present_ && root == root_))
        return kCannotOpen;
    // Only the mailbox takes writes, one block at its start.
    if (file != DriveFileType::Control || offset != 0 || size != kDriveSector)
        return 0;
    logger_.Advance();
    logger_.HandleCommand(reinterpret_cast<const std::uint8_t*>(data));
    return size;
}
