#pragma once

#include "core/instrument/DriveBackend.h"
#include "sim/LoggerEmulator.h"

#include <QByteArray>
#include <map>
#include <mutex>

// An in-process logger drive: the four drive files read and written straight to an emulated
// logger. Safe to call from the link worker and the user-interface thread at once.
class SimulatedDrive final : public DriveBackend {
public:
    SimulatedDrive(const Clock& clock, const LoggerSettings& settings,
                   QString root = QStringLiteral("sim:/VEXLO"));

    // A drive that is no logger: no files at all, or only a STATUS.INI with `statusText`.
    void AddPlainDrive(const QString& root, const QByteArray& statusText = {});
    // Unplugging: the logger root disappears; its state survives for a later plug-in.
    void SetPresent(bool present);
    const QString& LoggerRoot() const { return root_; }

    // Runs `f(LoggerEmulator&)` under the drive's lock, brought up to the present time.
    template <typename F> auto WithLogger(F&& f) {
        std::lock_guard lock(mutex_);
        logger_.Advance();
        return f(logger_);
    }

    std::vector<QString> CandidateDrives() const override;
    bool DriveExists(const QString& root) const override;
    qint64 ReadFile(const QString& root, DriveFileType file, qint64 offset, char* buffer,
                    qint64 size) override;
    qint64 WriteFile(const QString& root, DriveFileType file, qint64 offset, const char* data,
                     qint64 size) override;

private:
    mutable std::mutex mutex_;
    LoggerEmulator logger_;
    QString root_;
    bool present_ = true;
    std::map<QString, QByteArray> plainDrives_;
};
