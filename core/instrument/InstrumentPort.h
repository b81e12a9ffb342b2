#pragma once

#include "core/instrument/InstrumentRecords.h"

#include <QtGlobal>

class CInstrumentMonitor;
class ControlBlock;
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

// What the instrument operations need of the connection: its state, the synchronous
// transfers of the link, and the few document actions that follow a command.
class InstrumentPort {
public:
    virtual ~InstrumentPort() = default;
    virtual InstrumentState State() const = 0;
    // Bytes written, 0 on failure.
    virtual qint64 WriteControlBlock(const ControlBlock& block) = 0;
    virtual bool LinkIdle() const = 0;
    // "MemUsed=" of the link's own last status read.
    virtual qint64 LinkMemoryUsed() const = 0;
    virtual qint64 ReadRecord(char* buffer, qint64 offset, qint64 count) = 0;
    // False once the logger's drive has left the system (unplugged, unmounted).
    virtual bool DrivePresent() const { return true; }
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
    qint64 WriteControlBlock(const ControlBlock& block) override;
    bool LinkIdle() const override;
    qint64 LinkMemoryUsed() const override;
    qint64 ReadRecord(char* buffer, qint64 offset, qint64 count) override;
    bool DrivePresent() const override;
    void SetBusy(bool on) override;
    void ClearLiveData() override;
    void ForgetLastStatus() override;

private:
    CInstrumentMonitor& monitor_;
};
