#include "core/instrument/CombinedDriveBackend.h"

#include <algorithm>

CombinedDriveBackend::CombinedDriveBackend(std::vector<DriveBackend*> sources)
    : sources_(std::move(sources)) {}

std::vector<QString> CombinedDriveBackend::CandidateDrives() const {
    std::vector<QString> all;
    for (const DriveBackend* source : sources_)
        for (const QString& root : source->CandidateDrives())
            if (all.size() < static_cast<std::size_t>(kMaxDriveCandidates) &&
                std::find(all.begin(), all.end(), root) == all.end())
                all.push_back(root);
    return all;
}

DriveBackend* CombinedDriveBackend::OwnerOf(const QString& root) const {
    for (DriveBackend* source : sources_) {
        const std::vector<QString> roots = source->CandidateDrives();
        if (std::find(roots.begin(), roots.end(), root) != roots.end())
            return source;
    }
    // A drive that has just gone is no longer listed; ask the sources in turn.
    for (DriveBackend* source : sources_)
        if (source->DriveExists(root))
            return source;
    return nullptr;
}

bool CombinedDriveBackend::DriveExists(const QString& root) const {
    return std::any_of(sources_.begin(), sources_.end(),
                       [&](const DriveBackend* s) { return s->DriveExists(root); });
}

qint64 CombinedDriveBackend::ReadFile(const QString& root, DriveFileType file, qint64 offset,
                                      char* buffer, qint64 size) {
    DriveBackend* owner = OwnerOf(root);
    return owner ? owner->ReadFile(root, file, offset, buffer, size) : kCannotOpen;
}

qint64 CombinedDriveBackend::WriteFile(const QString& root, DriveFileType file, qint64 offset,
                                       const char* data, qint64 size) {
    DriveBackend* owner = OwnerOf(root);
    return owner ? owner->WriteFile(root, file, offset, data, size) : kCannotOpen;
}
