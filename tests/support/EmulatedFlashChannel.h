#pragma once

#include "core/instrument/TransferChannel.h"
#include "sim/ManualClock.h"
#include "sim/SimulatedDrive.h"

#include <QByteArray>
#include <algorithm>
#include <functional>
#include <vector>

// The mailbox and status file of an emulated logger, each transfer done at once, with faults
// on demand.
class EmulatedFlashChannel final : public ImmediateTransferChannel {
public:
    explicit EmulatedFlashChannel(SimulatedDrive& drive, ManualClock* clock = nullptr)
        : drive_(drive), clock_(clock) {}

    bool silent = false;
    // Writes of this command code fail; 0: none.
    int failingCode = 0;
    // Page writes fail once this many went through; -1: never.
    int pagesBeforeFailing = -1;
    // Each transfer takes this long on the clock given, for tests that run on real timers.
    qint64 transferMs = 0;
    int pageWrites = 0;
    int enterWrites = 0;
    int endWrites = 0;
    // Rewrites the status text as read.
    std::function<QByteArray(QByteArray)> status;
    // Bits set in the acknowledgement map as read, map read by map read (the last for all later).
    std::vector<QByteArray> extraMapBits;

protected:
    TransferResult Transfer(const TransferRequest& r) override {
        TransferResult result;
        if (clock_)
            clock_->AdvanceMs(transferMs);
        if (silent)
            return result;
        const QString root = drive_.LoggerRoot();
        if (r.kind == TransferKindType::Write) {
            const int code = static_cast<unsigned char>(r.data[2]);
            if (code == failingCode ||
                (code == 0x41 && pagesBeforeFailing >= 0 && pageWrites >= pagesBeforeFailing))
                return result;
            pageWrites += code == 0x41;
            enterWrites += code == 0x40;
            endWrites += code == 0x42;
            result.bytes = drive_.WriteFile(root, r.file, 0, r.data.constData(), r.data.size());
            return result;
        }
        result.data = QByteArray(r.size, '\0');
        result.bytes = drive_.ReadFile(root, r.file, 0, result.data.data(), r.size);
        result.data.truncate(std::max<qint64>(result.bytes, 0));
        if (r.file == DriveFileType::Status && status) {
            result.data = status(result.data.left(result.data.indexOf('\0')));
            result.bytes = result.data.size();
        }
        if (r.file == DriveFileType::Control && !extraMapBits.empty()) {
            const QByteArray extra = extraMapBits.front();
            if (extraMapBits.size() > 1)
                extraMapBits.erase(extraMapBits.begin());
            for (int i = 0; i < extra.size() && i < result.data.size(); ++i)
                result.data[i] = static_cast<char>(result.data[i] | extra[i]);
        }
        return result;
    }

private:
    SimulatedDrive& drive_;
    ManualClock* clock_;
};
