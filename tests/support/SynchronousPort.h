#pragma once

#include "core/instrument/CommandSender.h"
#include "core/instrument/InstrumentPort.h"

#include <QByteArray>
#include <algorithm>
#include <cstring>

// An instrument port for tests whose transfers are done at once: a fake says what a queued
// command block, a recording read, a status read or a presence check brings; queued commands
// are written in turn there and then.
class SynchronousPort : public InstrumentPort {
public:
    // Bytes written, 0 on failure.
    virtual qint64 WriteControlBlock(const ControlBlock&) { return ControlBlock::kSize; }
    // Bytes read into `buffer`, 0 on failure.
    virtual qint64 ReadRecord(char*, qint64, qint64) { return 0; }
    virtual QByteArray StatusText() const { return {}; }
    virtual bool DrivePresent() const { return true; }

    TransferTicket PostTransfer(TransferRequest request) override {
        return channel_.PostTransfer(std::move(request));
    }
    std::optional<TransferResult> TakeTransfer(TransferTicket ticket) override {
        return channel_.TakeTransfer(ticket);
    }
    void AbandonTransfer(TransferTicket ticket) override { channel_.AbandonTransfer(ticket); }
    void SendCommands(CommandBatch batch) override {
        CommandBatchResult result{0, static_cast<int>(batch.blocks.size())};
        for (const ControlBlock& block : batch.blocks) {
            if (WriteControlBlock(block) != ControlBlock::kSize)
                break;
            ++result.sent;
        }
        if (batch.done)
            batch.done(result);
    }

private:
    class Channel final : public ImmediateTransferChannel {
    public:
        explicit Channel(SynchronousPort& port) : port_(port) {}

    protected:
        TransferResult Transfer(const TransferRequest& r) override {
            TransferResult result;
            switch (r.kind) {
            case TransferKindType::Presence:
                result.bytes = port_.DrivePresent() ? 1 : 0;
                break;
            case TransferKindType::Write:
                result.bytes = r.data.size();
                break;
            case TransferKindType::Read:
                if (r.file == DriveFileType::Status) {
                    result.data = port_.StatusText().left(r.size);
                } else if (r.file == DriveFileType::Record) {
                    result.data = QByteArray(r.size, '\0');
                    const qint64 n = std::clamp<qint64>(
                        port_.ReadRecord(result.data.data(), r.offset, r.size), 0, r.size);
                    result.data.truncate(n);
                }
                result.bytes = result.data.size();
                break;
            }
            return result;
        }

    private:
        SynchronousPort& port_;
    };

    Channel channel_{*this};
};
