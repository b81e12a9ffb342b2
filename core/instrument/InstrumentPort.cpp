#include "core/instrument/InstrumentPort.h"

#include "core/instrument/CInstComm.h"
#include "core/instrument/CInstrumentMonitor.h"
#include "core/instrument/ControlBlock.h"
#include "core/session/ModelTable.h"

const ModelEntry& InstrumentState::Model() const {
    return ModelTableRow(modelIndex < 0 ? 0 : modelIndex);
}

InstrumentState MonitorInstrumentPort::State() const {
    InstrumentState s;
    s.connected = monitor_.IsConnected();
    s.status = monitor_.Status();
    s.config = monitor_.Config();
    s.modelIndex = monitor_.ModelIndex();
    s.eraseReported = monitor_.IsErasing();
    return s;
}

qint64 MonitorInstrumentPort::WriteControlBlock(const ControlBlock& block) {
    CInstComm* link = monitor_.Link();
    return link ? link->WriteControlBlock(block) : 0;
}

bool MonitorInstrumentPort::LinkIdle() const {
    const CInstComm* link = monitor_.Link();
    return !link || link->IsIdle();
}

qint64 MonitorInstrumentPort::LinkMemoryUsed() const {
    const CInstComm* link = monitor_.Link();
    return link ? link->MemoryUsed() : 0;
}

qint64 MonitorInstrumentPort::ReadRecord(char* buffer, qint64 offset, qint64 count) {
    CInstComm* link = monitor_.Link();
    return link ? link->ReadRecord(buffer, offset, count) : 0;
}

bool MonitorInstrumentPort::DrivePresent() const {
    return monitor_.DrivePresent();
}

void MonitorInstrumentPort::SetBusy(bool on) {
    monitor_.SetBusy(on);
}

void MonitorInstrumentPort::ClearLiveData() {
    monitor_.ClearLiveData();
}

void MonitorInstrumentPort::ForgetLastStatus() {
    monitor_.ForgetLastTimeText();
}
