#include "core/instrument/TransferChannel.h"

#include "core/instrument/CInstComm.h"
#include "core/instrument/ControlBlock.h"

#include <algorithm>

TransferRequest TransferRequest::WriteControl(const ControlBlock& block) {
    TransferRequest r;
    r.kind = TransferKindType::Write;
    r.file = DriveFileType::Control;
    r.data = QByteArray(reinterpret_cast<const char*>(block.Data()), ControlBlock::kSize);
    r.size = ControlBlock::kSize;
    return r;
}

TransferRequest TransferRequest::ReadControl() {
    TransferRequest r;
    r.file = DriveFileType::Control;
    r.size = ControlBlock::kSize;
    return r;
}

TransferRequest TransferRequest::ReadRecord(qint64 offset, qint64 count) {
    TransferRequest r;
    r.file = DriveFileType::Record;
    r.offset = offset;
    r.size = std::min(count, CInstComm::kMaxRecordRead);
    return r;
}

TransferRequest TransferRequest::ReadStatus() {
    TransferRequest r;
    r.file = DriveFileType::Status;
    r.size = CInstComm::kTextReadSize;
    return r;
}

TransferRequest TransferRequest::Presence() {
    TransferRequest r;
    r.kind = TransferKindType::Presence;
    return r;
}

TransferTicket ImmediateTransferChannel::PostTransfer(TransferRequest request) {
    result_ = Transfer(request);
    return ++ticket_;
}

std::optional<TransferResult> ImmediateTransferChannel::TakeTransfer(TransferTicket ticket) {
    if (ticket != ticket_ || !result_)
        return std::nullopt;
    std::optional<TransferResult> taken = std::move(result_);
    result_.reset();
    return taken;
}

void ImmediateTransferChannel::AbandonTransfer(TransferTicket ticket) {
    if (ticket == ticket_)
        result_.reset();
}
