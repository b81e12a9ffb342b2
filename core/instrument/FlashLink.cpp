#include "core/instrument/FlashLink.h"

#include "core/instrument/CInstComm.h"

qint64 CommFlashLink::WriteControlBlock(const ControlBlock& block) {
    return comm_.WriteControlBlock(block);
}

qint64 CommFlashLink::ReadControlBlock(std::uint8_t* buffer512) {
    return comm_.ReadControlBlock(buffer512);
}

void CommFlashLink::RequestStatusRead() {
    comm_.RequestStatusRead();
}

bool CommFlashLink::StatusReadPending() const {
    return !comm_.IsIdle();
}

QByteArray CommFlashLink::StatusText() const {
    return QByteArray(comm_.StatusBuffer(),
                      qBound(0, comm_.ReadLength(), CInstComm::kTextReadSize));
}
