#pragma once

#include "core/instrument/InstrumentPort.h"

#include <QByteArray>
#include <algorithm>
#include <cstring>

// An instrument port over fixed bytes: the state the instrument screens read, and RECORD.VX.
class FuzzPort final : public InstrumentPort {
public:
    InstrumentState state;
    QByteArray record;

    InstrumentState State() const override { return state; }
    qint64 WriteControlBlock(const ControlBlock&) override { return 512; }
    bool LinkIdle() const override { return true; }
    qint64 LinkMemoryUsed() const override { return state.status.MemoryUsed(); }
    qint64 ReadRecord(char* buffer, qint64 offset, qint64 count) override {
        if (offset < 0 || count <= 0 || offset >= record.size())
            return 0;
        const qint64 n = std::min<qint64>(count, record.size() - offset);
        std::memcpy(buffer, record.constData() + offset, static_cast<std::size_t>(n));
        return n;
    }
    void SetBusy(bool) override {}
    void ClearLiveData() override {}
    void ForgetLastStatus() override {}
};
