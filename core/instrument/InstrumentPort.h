#pragma once

#include "core/instrument/InstrumentRecords.h"
#include "core/instrument/TransferChannel.h"

#include <QtGlobal>

class CInstrumentMonitor;
struct CommandBatch;
struct ModelEntry;

// The document's latest view of the logger, as the instrument screens read it.
struct InstrumentState {
    bool connected = false;
    InstrumentStatusRecord status;
    InstrumentConfigRecord config;
    int modelIndex = -1;
    // The document's own erase flag, which follows the processed statuses.
    bool eraseReported = false;

    bool Recording() const { return status.IsRecording(); }
    bool Erasing() const { return status.IsErasing(); }
    bool MemoryInUse() const { return status.MemoryUsed() != 0; }
    const ModelEntry& Model() const;
};

// What the instrument operations need of the connection: its state, the link's transfers (posted
// on one step, picked up on a later one), the command queue, and the few document actions that
// follow a command.
class InstrumentPort : public TransferChannel {
public:
    virtual InstrumentState State() const = 0;
    virtual bool LinkIdle() const = 0;
    // "MemUsed=" of the link's own last status read.
    virtual qint64 LinkMemoryUsed() const = 0;
    // Counts the device changes the system reported, so that a job can tell one happened.
    virtual int DeviceChanges() const { return 0; }
    // The blocks go in order after those queued before; `done` hears how far they went.
    virtual void SendCommands(CommandBatch batch) = 0;
    // While set the monitor leaves the link alone.
    virtual void SetBusy(bool on) = 0;
    virtual void ClearLiveData() = 0;
    // So that the next status is processed in full.
    virtual void ForgetLastStatus() = 0;
};

class MonitorInstrumentPort final : public InstrumentPort {
public:
    explicit MonitorInstrumentPort(CInstrumentMonitor& monitor) : monitor_(monitor) {}

    InstrumentState State() const override;
    TransferTicket PostTransfer(TransferRequest request) override;
    std::optional<TransferResult> TakeTransfer(TransferTicket ticket) override;
    void AbandonTransfer(TransferTicket ticket) override;
    bool LinkIdle() const override;
    qint64 LinkMemoryUsed() const override;
    int DeviceChanges() const override;
    void SendCommands(CommandBatch batch) override;
    void SetBusy(bool on) override;
    void ClearLiveData() override;
    void ForgetLastStatus() override;

private:
    CInstrumentMonitor& monitor_;
};
