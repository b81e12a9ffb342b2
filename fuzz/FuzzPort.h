#pragma once

#include "core/instrument/CommandSender.h"
#include "core/instrument/InstrumentPort.h"
#include "core/instrument/RawDump.h"

#include <QByteArray>

// An instrument port over fixed bytes: the state the instrument screens read, and RECORD.VX.
class FuzzPort final : public InstrumentPort {
public:
    InstrumentState state;
    QByteArray record;

    InstrumentState State() const override { return state; }
    TransferTicket PostTransfer(TransferRequest request) override {
        return channel_.PostTransfer(std::move(request));
    }
    std::optional<TransferResult> TakeTransfer(TransferTicket ticket) override {
        return channel_.TakeTransfer(ticket);
    }
    void AbandonTransfer(TransferTicket ticket) override { channel_.AbandonTransfer(ticket); }
    bool LinkIdle() const override { return true; }
    qint64 LinkMemoryUsed() const override { return state.status.MemoryUsed(); }
    void SendCommands(CommandBatch batch) override {
        const int n = static_cast<int>(batch.blocks.size());
        if (batch.done)
            batch.done({n, n});
    }
    void SetBusy(bool) override {}
    void ClearLiveData() override {}
    void ForgetLastStatus() override {}

private:
    RecordBytesChannel channel_{record};
};
