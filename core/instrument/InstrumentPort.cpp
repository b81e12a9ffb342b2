#include "core/instrument/InstrumentPort.h"

#include "core/instrument/CInstComm.h"
#include "core/instrument/CInstrumentMonitor.h"
#include "core/instrument/CommandSender.h"
#include "core/session/ModelTable.h"

const ModelEntry& InstrumentState::Model() const {
    return ModelTableRow(modelIndex < 0 ? 0 : modelIndex);
}

InstrumentState MonitorInstrumentPort::State() const {
    InstrumentState s;
    // A logger that does not answer takes no command until it does.
    s.connected = monitor_.IsConnected() && !monitor_.NotAnswering();
    s.status = monitor_.Status();
    s.config = monitor_.Config();
    s.modelIndex = monitor_.ModelIndex();
    s.eraseReported = monitor_.IsErasing();
    return s;
}

TransferTicket MonitorInstrumentPort::PostTransfer(TransferRequest request) {
    return monitor_.Channel().PostTransfer(std::move(request));
}

std::optional<TransferResult> MonitorInstrumentPort::TakeTransfer(TransferTicket ticket) {
    return monitor_.Channel().TakeTransfer(ticket);
}

void MonitorInstrumentPort::AbandonTransfer(TransferTicket ticket) {
    monitor_.Channel().AbandonTransfer(ticket);
}

bool MonitorInstrumentPort::LinkIdle() const {
    const CInstComm* link = monitor_.Link();
    return !link || link->IsIdle();
}

qint64 MonitorInstrumentPort::LinkMemoryUsed() const {
    const CInstComm* link = monitor_.Link();
    return link ? link->MemoryUsed() : 0;
}

int MonitorInstrumentPort::DeviceChanges() const {
    return monitor_.DeviceChanges();
}

void MonitorInstrumentPort::SendCommands(CommandBatch batch) {
    monitor_.SendCommands(std::move(batch));
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
