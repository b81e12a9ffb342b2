#pragma once

#include "core/instrument/CommandSender.h"

#include <QString>
#include <functional>
#include <memory>
#include <optional>

struct InstrumentState;
class InstrumentPort;
class UserInterface;

// Why an instrument command is disabled at present.
enum class CommandBlockerType { None, NotConnected, Recording, Erasing, MemoryInUse, MemoryEmpty };

// The enabling rules of the "Instrument" menu, from the latest status.
CommandBlockerType ConfigureBlocker(const InstrumentState& state);
CommandBlockerType DownloadBlocker(const InstrumentState& state);
CommandBlockerType EraseBlocker(const InstrumentState& state);
CommandBlockerType RecordingBlocker(const InstrumentState& state);
CommandBlockerType SetClockBlocker(const InstrumentState& state);
// A firmware upgrade waits for the end of a recording or an erase.
CommandBlockerType FirmwareBlocker(const InstrumentState& state);

// "Arrêter l’enregistrement" while recording, else "Démarrer l’enregistrement".
QString RecordingCommandText(const InstrumentState& state);

enum class CommandResultType {
    Sent,        // handed to the link; whether it reached the drive comes later
    Declined,    // the user answered No
    Refused,     // disabled at present
    Gone,        // the logger left while the question was open
    WriteFailed, // the block did not reach the drive; the status will simply not change
};

using CommandDone = std::function<void(const CommandBatchResult&)>;

// Where a caller that looks later, rather than being called back, finds how a batch ended. It
// outlives the caller should the batch end after it.
class CommandOutcome {
public:
    CommandOutcome() : result_(std::make_shared<std::optional<CommandBatchResult>>()) {}
    CommandDone Recorder() const {
        return [result = result_](const CommandBatchResult& r) { *result = r; };
    }
    bool Ended() const { return result_->has_value(); }
    bool Complete() const { return Ended() && (*result_)->Complete(); }

private:
    std::shared_ptr<std::optional<CommandBatchResult>> result_;
};

// "Effacer la mémoire": asks, then queues EraseMemory; `done` hears whether it was written.
CommandResultType EraseMemoryCommand(InstrumentPort& port, UserInterface& ui,
                                     CommandDone done = {});
// Start at once while not recording; stop after asking while recording.
CommandResultType RecordingCommand(InstrumentPort& port, UserInterface& ui, CommandDone done = {});
