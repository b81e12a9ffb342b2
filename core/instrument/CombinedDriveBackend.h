#pragma once

#include "core/instrument/DriveBackend.h"

#include <vector>

// Several drive sources seen as one: the real drives, then an emulated logger for example.
// Each root belongs to the first source that lists it.
class CombinedDriveBackend final : public DriveBackend {
public:
    explicit CombinedDriveBackend(std::vector<DriveBackend*> sources);

    std::vector<QString> CandidateDrives() const override;
    bool DriveExists(const QString& root) const override;
    qint64 ReadFile(const QString& root, DriveFileType file, qint64 offset, char* buffer,
                    qint64 size) override;
    qint64 WriteFile(const QString& root, DriveFileType file, qint64 offset, const char* data,
                     qint64 size) override;

private:
    DriveBackend* OwnerOf(const QString& root) const;

    std::vector<DriveBackend*> sources_;
};
