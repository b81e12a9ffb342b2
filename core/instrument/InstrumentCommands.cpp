#include "core/instrument/InstrumentCommands.h"

#include "core/app/UserInterface.h"
#include "core/common/StringTable.h"
#include "core/instrument/ControlBlock.h"
#include "core/instrument/InstrumentPort.h"

namespace {

// Connected, neither recording nor erasing.
CommandBlockerType IdleLoggerBlocker(const InstrumentState& s) {
    if (!s.connected)
        return CommandBlockerType::NotConnected;
    if (s.Erasing())
        return CommandBlockerType::Erasing;
    if (s.Recording())
        return CommandBlockerType::Recording;
    return CommandBlockerType::None;
}

CommandResultType Send(InstrumentPort& port, const ControlBlock& block, CommandDone done) {
    port.SendCommands({{block}, std::move(done)});
    return CommandResultType::Sent;
}

// Exactly "Oui" and "Non": there is nothing to cancel beyond saying no.
bool UserSaysYes(UserInterface& ui, int questionId) {
    return ui.AskYesNo(ResourceString(questionId));
}

} // namespace

CommandBlockerType ConfigureBlocker(const InstrumentState& state) {
    return IdleLoggerBlocker(state);
}

CommandBlockerType DownloadBlocker(const InstrumentState& state) {
    if (!state.connected)
        return CommandBlockerType::NotConnected;
    if (state.Erasing())
        return CommandBlockerType::Erasing;
    if (!state.MemoryInUse())
        return CommandBlockerType::MemoryEmpty;
    return CommandBlockerType::None;
}

CommandBlockerType EraseBlocker(const InstrumentState& state) {
    const CommandBlockerType idle = IdleLoggerBlocker(state);
    if (idle != CommandBlockerType::None)
        return idle;
    return state.MemoryInUse() ? CommandBlockerType::None : CommandBlockerType::MemoryEmpty;
}

CommandBlockerType RecordingBlocker(const InstrumentState& state) {
    if (!state.connected)
        return CommandBlockerType::NotConnected;
    if (state.Erasing())
        return CommandBlockerType::Erasing;
    if (!state.Recording() && state.MemoryInUse())
        return CommandBlockerType::MemoryInUse;
    return CommandBlockerType::None;
}

CommandBlockerType SetClockBlocker(const InstrumentState& state) {
    return IdleLoggerBlocker(state);
}

CommandBlockerType FirmwareBlocker(const InstrumentState& state) {
    return IdleLoggerBlocker(state);
}

QString RecordingCommandText(const InstrumentState& state) {
    return ResourceString(state.Recording() ? TextId::kStopRecording : TextId::kStartRecording);
}

CommandResultType EraseMemoryCommand(InstrumentPort& port, UserInterface& ui, CommandDone done) {
    if (EraseBlocker(port.State()) != CommandBlockerType::None)
        return CommandResultType::Refused;
    if (!UserSaysYes(ui, TextId::kConfirmErase))
        return CommandResultType::Declined;
    // The monitor kept polling while the question was open: the logger may have gone, or a
    // recording begun.
    const CommandBlockerType now = EraseBlocker(port.State());
    if (now == CommandBlockerType::NotConnected)
        return CommandResultType::Gone;
    if (now != CommandBlockerType::None)
        return CommandResultType::Refused;
    return Send(port, ControlBlock::EraseMemory(), std::move(done));
}

CommandResultType RecordingCommand(InstrumentPort& port, UserInterface& ui, CommandDone done) {
    const InstrumentState state = port.State();
    if (RecordingBlocker(state) != CommandBlockerType::None)
        return CommandResultType::Refused;
    if (!state.Recording())
        return Send(port, ControlBlock::StartRecording(), std::move(done));
    if (!UserSaysYes(ui, TextId::kConfirmStopRecording))
        return CommandResultType::Declined;
    if (!port.State().connected)
        return CommandResultType::Gone;
    return Send(port, ControlBlock::StopRecording(), std::move(done));
}
