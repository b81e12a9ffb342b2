#pragma once

#include "support/DriveGate.h"
#include "support/FakeDriveBackend.h"

// A drive whose command writes hang until the test lets them go, as a stalled device does.
class StallingDrive final : public DriveBackend {
public:
    explicit StallingDrive(const QString& root) {
        inner.SetFile(
            root, DriveFileType::Status,
            "Model=2\r\nTime=2024/03/05 14:07:09\r\nCodePageSize=256\r\nNumCodePages=4096\r\n");
        inner.SetFile(root, DriveFileType::Control, QByteArray(512, '\0'));
    }
    void Stall(bool on) { writes_.SetClosed(on); }
    int Writes() const { return writes_.Passes(); }
    std::vector<QString> CandidateDrives() const override { return inner.CandidateDrives(); }
    bool DriveExists(const QString& root) const override { return inner.DriveExists(root); }
    qint64 ReadFile(const QString& root, DriveFileType file, qint64 offset, char* buffer,
                    qint64 size) override {
        return inner.ReadFile(root, file, offset, buffer, size);
    }
    qint64 WriteFile(const QString& root, DriveFileType file, qint64 offset, const char* data,
                     qint64 size) override {
        writes_.Pass();
        return inner.WriteFile(root, file, offset, data, size);
    }

    FakeDriveBackend inner;

private:
    DriveGate writes_;
};
