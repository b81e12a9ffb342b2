#pragma once

#include <QString>

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
    Sent,
    Declined,    // the user answered No
    Refused,     // disabled at present
    WriteFailed, // the block did not reach the drive; the status will simply not change
};

// "Effacer la mémoire": asks, then sends EraseMemory.
CommandResultType EraseMemoryCommand(InstrumentPort& port, UserInterface& ui);
// Start at once while not recording; stop after asking while recording.
CommandResultType RecordingCommand(InstrumentPort& port, UserInterface& ui);
