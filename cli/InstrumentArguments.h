#pragma once

#include "core/common/CalendarDateTime.h"
#include "core/instrument/ConfigurationCommands.h"

#include <QString>
#include <optional>
#include <variant>

enum class LoggerCommandType {
    Configure,
    RecordStart,
    RecordStop,
    ClockSet,
    Erase,
    Download,
    Flash
};

// What `configure` asks of the configuration window; unset values keep the window's own.
struct ConfigureRequest {
    RecordModeType mode = RecordModeType::None;
    std::optional<int> durationEntry;
    CalendarDateTime start;
    CalendarDateTime end;
    // As typed: the window's model reads them as its edits.
    std::optional<QString> low;
    std::optional<QString> high;
    std::optional<QString> units;
    std::optional<int> tcButton;
    std::optional<bool> cjc;
    std::optional<bool> rising;
    std::optional<int> filterSize;

    bool TouchesScale() const { return low || high || units; }
};

struct LoggerArguments {
    LoggerCommandType command = LoggerCommandType::Configure;
    int simulatedModel = -1;
    bool yes = false;
    int timeoutSeconds = 10;
    ConfigureRequest configure;
    // clock set: the window's own time (the computer's) unless one of these.
    bool synchronise = false;
    std::optional<CalendarDateTime> clockTime;
    bool waitForErase = false;
    QString outFolder;
    std::optional<QString> sessionName;
    std::optional<QString> location;
    // download: NAME.vxdump beside NAME.vx, as the "SaveRawDump" setting asks too.
    bool rawDump = false;
    // flash: an Intel HEX file, or the server's latest firmware.
    QString hexPath;
    bool latest = false;
    QString server;
};

// Whether argv names one of the logger commands.
bool IsLoggerCommand(const char* name);
// The arguments, or the exit status when they are not usable (or --help was asked).
std::variant<LoggerArguments, int> ParseLoggerArguments(int argc, char** argv);
