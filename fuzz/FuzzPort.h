#pragma once

#include "core/instrument/CommandSender.h"
#include "core/instrument/InstrumentPort.h"

#include <QByteArray>
#include <algorithm>

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
    class Channel final : public ImmediateTransferChannel {
    public:
        explicit Channel(const FuzzPort& port) : port_(port) {}

    protected:
        TransferResult Transfer(const TransferRequest& request) override {
            TransferResult result;
            if (request.kind == TransferKindType::Presence) {
                result.bytes = 1;
            } else if (request.kind == TransferKindType::Read &&
                       request.file == DriveFileType::Record && request.offset >= 0 &&
                       request.offset < port_.record.size()) {
                result.data = port_.record.mid(
                    request.offset,
                    std::min<qint64>(request.size, port_.record.size() - request.offset));
                result.bytes = result.data.size();
            } else if (request.kind == TransferKindType::Write) {
                result.bytes = request.data.size();
            }
            return result;
        }

    private:
        const FuzzPort& port_;
    };

    Channel channel_{*this};
};
