#include "core/instrument/ConfigurationCommands.h"

#include "core/instrument/ControlBlock.h"
#include "core/instrument/InstrumentPort.h"

namespace {

constexpr int kUnitsField = 4;

} // namespace

bool SendConfiguration(InstrumentPort& port, const ConfigurationChoice& c) {
    const auto sent = [&port](const ControlBlock& block) {
        return port.WriteControlBlock(block) == ControlBlock::kSize;
    };
    bool ok =
        sent(ControlBlock::SetScalesAndUnits(c.lowScale, c.highScale, c.units.left(kUnitsField))) &&
        sent(ControlBlock::SetThermocouple(c.tcIndex, c.cjc)) &&
        sent(ControlBlock::SetPolarity(c.risingEdge));
    if (ok) {
        port.ClearLiveData();
        ok = sent(ControlBlock::SetFilterSize(c.filterSize)) &&
             (c.mode == RecordModeType::None ||
              sent(ControlBlock::ScheduleRecording(c.start, c.durationSeconds)));
    }
    port.ForgetLastStatus();
    return ok;
}
