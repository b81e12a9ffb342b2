#pragma once

#include "core/instrument/DriveBackend.h"

#include <QByteArray>
#include <QtGlobal>
#include <optional>

class ControlBlock;

// A transfer or text read not done by then counts as failed: the logger does not answer.
inline constexpr qint64 kTransferLimitMs = 5000;

enum class TransferKindType { Read, Write, Presence };

// A command, recording or presence transfer that the link's worker does for a job.
struct TransferRequest {
    TransferKindType kind = TransferKindType::Read;
    DriveFileType file = DriveFileType::Control;
    qint64 offset = 0;
    // Bytes to read; a write sends all of `data`.
    qint64 size = 0;
    QByteArray data;

    static TransferRequest WriteControl(const ControlBlock& block);
    static TransferRequest ReadControl();
    // At most kMaxRecordRead bytes at a sector boundary.
    static TransferRequest ReadRecord(qint64 offset, qint64 count);
    static TransferRequest ReadStatus();
    // Whether the logger's drive is still in the system; the answer is 1 or 0 bytes.
    static TransferRequest Presence();
};

struct TransferResult {
    // Bytes transferred; 0 on failure.
    qint64 bytes = 0;
    // What a read brought, `bytes` long.
    QByteArray data;
};

// 0 is never a ticket: the transfer was not taken.
using TransferTicket = quint64;

// Where a job hands its transfers: one at a time, posted on one step and picked up on a later
// one, so that the caller never waits inside a drive call.
class TransferChannel {
public:
    virtual ~TransferChannel() = default;
    // 0 while another transfer is still out (or no drive is known): try again later.
    virtual TransferTicket PostTransfer(TransferRequest request) = 0;
    // The result once the transfer is done, and only once.
    virtual std::optional<TransferResult> TakeTransfer(TransferTicket ticket) = 0;
    // No longer wanted: one not begun is withdrawn, one under way is left to end and dropped.
    virtual void AbandonTransfer(TransferTicket ticket) = 0;
};

// A channel that does each transfer at once, for ports over bytes already in memory.
class ImmediateTransferChannel : public TransferChannel {
public:
    TransferTicket PostTransfer(TransferRequest request) override;
    std::optional<TransferResult> TakeTransfer(TransferTicket ticket) override;
    void AbandonTransfer(TransferTicket ticket) override;

protected:
    virtual TransferResult Transfer(const TransferRequest& request) = 0;

private:
    TransferTicket ticket_ = 0;
    std::optional<TransferResult> result_;
};

// Fails every transfer at once: the link of a logger that is not there.
class ImmediateFailure final : public ImmediateTransferChannel {
protected:
    TransferResult Transfer(const TransferRequest&) override { return {}; }
};
