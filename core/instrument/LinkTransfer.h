#pragma once

#include "core/instrument/TransferChannel.h"

#include <QtGlobal>

class Clock;

enum class LinkTransferStateType {
    Idle,
    Waiting,  // posted, or waiting for the link to take it
    Done,     // Result() holds what came back
    TimedOut, // not done within the limit; given up
};

// One transfer of a job, posted on one step and picked up on a later one, with its time limit:
// a link still holding an earlier transfer is asked again on each step, and the limit counts
// from the first ask, so that neither a busy nor a stuck link keeps the job for ever.
class LinkTransfer {
public:
    LinkTransfer(TransferChannel& channel, const Clock& clock, qint64 limitMs = kTransferLimitMs);
    ~LinkTransfer();
    LinkTransfer(const LinkTransfer&) = delete;
    LinkTransfer& operator=(const LinkTransfer&) = delete;

    // Gives up any transfer still out, then asks for this one.
    void Start(TransferRequest request);
    // One look: posts when not yet taken, picks up the result, or gives up past the limit.
    LinkTransferStateType Poll();
    LinkTransferStateType State() const { return state_; }
    bool Waiting() const { return state_ == LinkTransferStateType::Waiting; }
    // The transfer is no longer wanted, or its result has been used: back to Idle. Result()
    // keeps the last one until the next Start().
    void Cancel();
    const TransferResult& Result() const { return result_; }
    // Done with exactly `bytes` transferred.
    bool Succeeded(qint64 bytes) const {
        return state_ == LinkTransferStateType::Done && result_.bytes == bytes;
    }
    qint64 ElapsedMs() const;

private:
    TransferChannel& channel_;
    const Clock& clock_;
    const qint64 limitMs_;
    TransferRequest request_;
    TransferTicket ticket_ = 0;
    LinkTransferStateType state_ = LinkTransferStateType::Idle;
    TransferResult result_;
    qint64 startMs_ = 0;
};
