#include "instrument/ConfigurationCommands.h"

#include "instrument/ControlBlock.h"
#include "instrument/InstrumentPort.h"

namespace {

constexpr int kUnitsField = 4;

} // namespace

void SendConfiguration(InstrumentPort& port, const ConfigurationChoice& c) {
    port.WriteControlBlock(
        ControlBlock::SetScalesAndUnits(c.lowScale, c.highScale, c.units.left(kUnitsField)));
    port.WriteControlBlock(ControlBlock::SetThermocouple(c.tcIndex, c.cjc));
    port.WriteControlBlock(ControlBlock::SetPolarity(c.risingEdge));
    port.ClearLiveData();
    port.WriteControlBlock(ControlBlock::SetFilterSize(c.filterSize));
    if (c.mode != RecordModeType::None)
        port.WriteControlBlock(ControlBlock::ScheduleRecording(c.start, c.durationSeconds));
    port.ForgetLastStatus();
}
