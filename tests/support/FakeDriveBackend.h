#pragma once

#include "core/instrument/DriveBackend.h"

#include <QByteArray>
#include <QString>
#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <vector>

// Drives held in memory: root -> file -> bytes. Safe to use from the link worker and the test.
class FakeDriveBackend final : public DriveBackend {
public:
    void AddDrive(const QString& root) {
        const std::lock_guard lock(mutex_);
        if (std::find(order_.begin(), order_.end(), root) == order_.end())
            order_.push_back(root);
        drives_[root];
    }
    void SetFile(const QString& root, DriveFileType file, const QByteArray& bytes) {
        AddDrive(root);
        const std::lock_guard lock(mutex_);
        drives_[root][file] = bytes;
    }
    void RemoveFile(const QString& root, DriveFileType file) {
        const std::lock_guard lock(mutex_);
        drives_[root].erase(file);
    }
    QByteArray File(const QString& root, DriveFileType file) const {
        const std::lock_guard lock(mutex_);
        const auto drive = drives_.find(root);
        if (drive == drives_.end())
            return {};
        const auto it = drive->second.find(file);
        return it == drive->second.end() ? QByteArray() : it->second;
    }
    // Every open of this file fails while set, as a logger does while it rewrites it.
    void FailOpens(const QString& root, DriveFileType file, bool fail) {
        const std::lock_guard lock(mutex_);
        if (fail)
            failing_.insert({root, file});
        else
            failing_.erase({root, file});
    }
    void FailTransfers(bool fail) {
        const std::lock_guard lock(mutex_);
        failTransfers_ = fail;
    }
    int ReadCalls(const QString& root, DriveFileType file) const {
        const std::lock_guard lock(mutex_);
        const auto it = reads_.find({root, file});
        return it == reads_.end() ? 0 : it->second;
    }
    int TotalReads() const {
        const std::lock_guard lock(mutex_);
        int total = 0;
        for (const auto& [key, count] : reads_)
            total += count;
        return total;
    }
    qint64 LastReadSize() const {
        const std::lock_guard lock(mutex_);
        return lastReadSize_;
    }

    std::vector<QString> CandidateDrives() const override {
        const std::lock_guard lock(mutex_);
        return order_;
    }
    bool DriveExists(const QString& root) const override {
        const std::lock_guard lock(mutex_);
        return drives_.count(root) != 0;
    }
    qint64 ReadFile(const QString& root, DriveFileType file, qint64 offset, char* buffer,
                    qint64 size) override {
        const std::lock_guard lock(mutex_);
        ++reads_[{root, file}];
        lastReadSize_ = size;
        const QByteArray* bytes = Find(root, file);
        if (!bytes)
            return kCannotOpen;
        if (failTransfers_ || offset % kDriveSector != 0 || size % kDriveSector != 0)
            return 0;
        const qint64 count = std::clamp<qint64>(bytes->size() - offset, 0, size);
        std::memcpy(buffer, bytes->constData() + offset, static_cast<std::size_t>(count));
        return count;
    }
    qint64 WriteFile(const QString& root, DriveFileType file, qint64 offset, const char* data,
                     qint64 size) override {
        const std::lock_guard lock(mutex_);
        QByteArray* bytes = Find(root, file);
        if (!bytes)
            return kCannotOpen;
        if (failTransfers_ || offset % kDriveSector != 0 || size % kDriveSector != 0)
            return 0;
        if (bytes->size() < offset + size)
            bytes->resize(offset + size, '\0');
        std::memcpy(bytes->data() + offset, data, static_cast<std::size_t>(size));
        return size;
    }

private:
    using Key = std::pair<QString, DriveFileType>;

    QByteArray* Find(const QString& root, DriveFileType file) {
        if (failing_.count({root, file}))
            return nullptr;
        const auto drive = drives_.find(root);
        if (drive == drives_.end())
            return nullptr;
        const auto it = drive->second.find(file);
        return it == drive->second.end() ? nullptr : &it->second;
    }

    mutable std::mutex mutex_;
    std::vector<QString> order_;
    std::map<QString, std::map<DriveFileType, QByteArray>> drives_;
    std::set<Key> failing_;
    std::map<Key, int> reads_;
    bool failTransfers_ = false;
    qint64 lastReadSize_ = 0;
};
