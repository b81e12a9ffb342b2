#include "core/instrument/LinkTransfer.h"

#include "core/common/Clock.h"

LinkTransfer::LinkTransfer(TransferChannel& channel, const Clock& clock, qint64 limitMs)
    : channel_(channel), clock_(clock), limitMs_(limitMs) {}

LinkTransfer::~LinkTransfer() {
    Cancel();
}

void LinkTransfer::Start(TransferRequest request) {
    Cancel();
    request_ = std::move(request);
    result_ = {};
    state_ = LinkTransferStateType::Waiting;
    startMs_ = clock_.MonotonicMs();
    ticket_ = channel_.PostTransfer(request_);
}

LinkTransferStateType LinkTransfer::Poll() {
    if (state_ != LinkTransferStateType::Waiting)
        return state_;
    if (ticket_ == 0)
        ticket_ = channel_.PostTransfer(request_);
    if (ticket_ != 0) {
        if (std::optional<TransferResult> got = channel_.TakeTransfer(ticket_)) {
            result_ = std::move(*got);
            ticket_ = 0;
            state_ = LinkTransferStateType::Done;
            return state_;
        }
    }
    if (ElapsedMs() >= limitMs_) {
        Cancel();
        state_ = LinkTransferStateType::TimedOut;
    }
    return state_;
}

void LinkTransfer::Cancel() {
    if (ticket_ != 0)
        channel_.AbandonTransfer(ticket_);
    ticket_ = 0;
    state_ = LinkTransferStateType::Idle;
}

qint64 LinkTransfer::ElapsedMs() const {
    return clock_.MonotonicMs() - startMs_;
}
