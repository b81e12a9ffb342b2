#include "cli/InstrumentArguments.h"

#include "cli/CommandLine.h"
#include "cli/CommandUsage.h"
#include "core/common/StringTable.h"
#include "core/common/UserNumber.h"
#include "core/instrument/RecordingDurations.h"

#include <cstring>
#include <string>

namespace {

constexpr int kLongestTimeout = 600;

// "1h" ... "72h", "1w" ... "6w", "max", in the order of the "Durée:" list.
constexpr const char* kDurationNames[RecordingDurations::kEntryCount] = {
    "1h", "2h", "4h", "8h", "12h", "24h", "48h", "72h", "1w", "2w", "3w", "4w", "5w", "6w", "max"};

constexpr char kTcButtonLetters[] = "JKTNERS";

std::optional<CalendarDateTime> ParseDate(const char* text) {
    if (!text)
        return std::nullopt;
    const CalendarDateTime t = ParseDateTimeText(QString::fromLocal8Bit(text));
    return t.valid ? std::optional<CalendarDateTime>(t) : std::nullopt;
}

std::optional<bool> ParseChoice(const char* text, const char* yes, const char* no) {
    if (text && !std::strcmp(text, yes))
        return true;
    if (text && !std::strcmp(text, no))
        return false;
    return std::nullopt;
}

// A word the command takes no place for.
std::string ExtraArgument(std::string_view word) {
    return UsageText(TextId::kCliExtraArgument,
                     {QString::fromLocal8Bit(word.data(), static_cast<qsizetype>(word.size()))});
}

// A text option.
CommandOption Text(std::string_view name, std::optional<QString>& text) {
    return {name, [name, &text](ArgumentCursor& values) -> UsageProblem {
                const char* v = values.Take();
                if (!v)
                    return UsageText(TextId::kCliMissingValueAfter, {QString::fromUtf8(name)});
                text = QString::fromLocal8Bit(v);
                return std::nullopt;
            }};
}

// As the scale edits take a number; the model reads the same text again.
CommandOption Scale(std::string_view name, std::optional<QString>& text) {
    return {name, [name, &text](ArgumentCursor& values) -> UsageProblem {
                const char* v = values.Take();
                const QString typed = v ? QString::fromLocal8Bit(v) : QString();
                if (!v || !ParseUserNumber(typed))
                    return UsageText(TextId::kCliNumberExpected, {QString::fromUtf8(name)});
                text = typed;
                return std::nullopt;
            }};
}

void AddCommonOptions(CommandLine& line, LoggerArguments& args) {
    line.options.push_back(FlagOption("--yes", args.yes));
    line.options.push_back(SimulatedModelOption(args.simulatedModel));
    line.options.push_back({"--timeout", [&args](ArgumentCursor& values) -> UsageProblem {
                                const auto seconds = ReadInteger(values.Take(), 1, kLongestTimeout);
                                if (!seconds)
                                    return UsageText(TextId::kCliTimeoutSeconds);
                                args.timeoutSeconds = *seconds;
                                return std::nullopt;
                            }});
}

UsageProblem SetMode(ConfigureRequest& c, RecordModeType mode) {
    if (c.mode != RecordModeType::None)
        return UsageText(TextId::kCliNowOrSchedule);
    c.mode = mode;
    return std::nullopt;
}

void AddConfigureOptions(CommandLine& line, ConfigureRequest& c) {
    line.options.push_back(
        {"--now", [&c](ArgumentCursor&) { return SetMode(c, RecordModeType::Now); }});
    line.options.push_back({"--schedule", [&c](ArgumentCursor& values) -> UsageProblem {
                                if (UsageProblem p = SetMode(c, RecordModeType::Schedule))
                                    return p;
                                const auto start = ParseDate(values.Take());
                                const auto end = start ? ParseDate(values.Take()) : std::nullopt;
                                if (!start || !end)
                                    return UsageText(TextId::kCliScheduleTimes);
                                c.start = *start;
                                c.end = *end;
                                return std::nullopt;
                            }});
    line.options.push_back(
        {"--duration", [&c](ArgumentCursor& values) -> UsageProblem {
             const char* v = values.Take();
             if (!v)
                 return UsageText(TextId::kCliMissingValueAfter, {QStringLiteral("--duration")});
             std::optional<int> entry;
             for (int i = 0; i < RecordingDurations::kEntryCount; ++i)
                 if (!std::strcmp(v, kDurationNames[i]))
                     entry = i;
             c.durationEntry = entry;
             if (!entry)
                 return UsageText(TextId::kCliUnknownDuration, {QString::fromLocal8Bit(v)});
             return std::nullopt;
         }});
    line.options.push_back(Scale("--low", c.low));
    line.options.push_back(Scale("--high", c.high));
    line.options.push_back(Text("--units", c.units));
    line.options.push_back({"--tc", [&c](ArgumentCursor& values) -> UsageProblem {
                                const char* v = values.Take();
                                const char* letter = v && std::strlen(v) == 1
                                                         ? std::strchr(kTcButtonLetters, v[0])
                                                         : nullptr;
                                if (!letter || !*letter)
                                    return UsageText(TextId::kCliThermocoupleType);
                                c.tcButton = static_cast<int>(letter - kTcButtonLetters);
                                return std::nullopt;
                            }});
    line.options.push_back({"--cjc", [&c](ArgumentCursor& values) -> UsageProblem {
                                c.cjc = ParseChoice(values.Take(), "on", "off");
                                if (!c.cjc)
                                    return UsageText(TextId::kCliExpectsEither,
                                                     {QStringLiteral("--cjc"), QStringLiteral("on"),
                                                      QStringLiteral("off")});
                                return std::nullopt;
                            }});
    line.options.push_back({"--polarity", [&c](ArgumentCursor& values) -> UsageProblem {
                                c.rising = ParseChoice(values.Take(), "rising", "falling");
                                if (!c.rising)
                                    return UsageText(TextId::kCliExpectsEither,
                                                     {QStringLiteral("--polarity"),
                                                      QStringLiteral("rising"),
                                                      QStringLiteral("falling")});
                                return std::nullopt;
                            }});
    line.options.push_back({"--filter", [&c](ArgumentCursor& values) -> UsageProblem {
                                c.filterSize = ReadInteger(values.Take(), 1, 10);
                                if (!c.filterSize)
                                    return UsageText(TextId::kCliFilterSize);
                                return std::nullopt;
                            }});
}

void AddDownloadOptions(CommandLine& line, LoggerArguments& args) {
    line.options.push_back(FolderOption("--out-dir", args.outFolder));
    line.options.push_back(FolderOption("--out", args.outFolder)); // the old name
    line.options.push_back(Text("--session-name", args.sessionName));
    line.options.push_back(Text("--location", args.location));
    line.options.push_back(FlagOption("--raw-dump", args.rawDump));
}

void AddFlashOptions(CommandLine& line, LoggerArguments& args) {
    line.options.push_back(FlagOption("--latest", args.latest));
    line.options.push_back({"--server", [&args](ArgumentCursor& values) -> UsageProblem {
                                const char* v = values.Take();
                                if (!v || !*v)
                                    return UsageText(TextId::kCliServerAddress);
                                args.server = QString::fromLocal8Bit(v);
                                return std::nullopt;
                            }});
    line.other = [&args](std::string_view word) -> UsageProblem {
        if (!args.hexPath.isEmpty())
            return UsageText(TextId::kCliTooManyArguments);
        args.hexPath = QString::fromLocal8Bit(word.data(), static_cast<qsizetype>(word.size()));
        return std::nullopt;
    };
}

UsageProblem CheckFlash(const LoggerArguments& args) {
    if (args.latest == !args.hexPath.isEmpty())
        return UsageText(TextId::kCliFlashNeedsFile);
    if (!args.server.isEmpty() && !args.latest)
        return UsageText(TextId::kCliOnlyWith,
                         {QStringLiteral("--server"), QStringLiteral("--latest")});
    return std::nullopt;
}

// The command and its action word; the index of the first option, or the usage problem.
std::variant<int, std::string> ReadCommand(int argc, char** argv, LoggerCommandType& command) {
    const std::string_view word = argv[1];
    if (word == "record" || word == "clock") {
        const std::string_view action = argc > 2 ? argv[2] : "";
        if (word == "record" && action == "start")
            command = LoggerCommandType::RecordStart;
        else if (word == "record" && action == "stop")
            command = LoggerCommandType::RecordStop;
        else if (word == "clock" && action == "set")
            command = LoggerCommandType::ClockSet;
        else
            return word == "record" ? UsageText(TextId::kCliExpectsEither,
                                                {QStringLiteral("record"), QStringLiteral("start"),
                                                 QStringLiteral("stop")})
                                    : UsageText(TextId::kCliClockNeedsSet);
        return 3;
    }
    command = word == "configure" ? LoggerCommandType::Configure
              : word == "erase"   ? LoggerCommandType::Erase
              : word == "flash"   ? LoggerCommandType::Flash
                                  : LoggerCommandType::Download;
    return 2;
}

UsageProblem CheckConfigure(const ConfigureRequest& c) {
    if (c.durationEntry && c.mode != RecordModeType::Now)
        return c.mode == RecordModeType::Schedule
                   ? UsageText(TextId::kCliScheduleEndGivesDuration)
                   : UsageText(TextId::kCliOnlyWith,
                               {QStringLiteral("--duration"), QStringLiteral("--now")});
    return std::nullopt;
}

} // namespace

bool IsLoggerCommand(const char* name) {
    return !std::strcmp(name, "configure") || !std::strcmp(name, "record") ||
           !std::strcmp(name, "clock") || !std::strcmp(name, "erase") ||
           !std::strcmp(name, "download") || !std::strcmp(name, "flash");
}

std::variant<LoggerArguments, int> ParseLoggerArguments(int argc, char** argv) {
    LoggerArguments args;
    CommandLine line{std::string("vexlo-cli ") + argv[1], CommandUsage(argv[1]), {}, ExtraArgument};
    // "record --help" asks before any action word.
    if (argc > 2 && IsHelpWord(argv[2]))
        return line.Help();
    const std::variant<int, std::string> first = ReadCommand(argc, argv, args.command);
    if (const std::string* problem = std::get_if<std::string>(&first))
        return line.UsageError(*problem);
    AddCommonOptions(line, args);
    switch (args.command) {
    case LoggerCommandType::Configure:
        AddConfigureOptions(line, args.configure);
        break;
    case LoggerCommandType::Download:
        AddDownloadOptions(line, args);
        break;
    case LoggerCommandType::Erase:
        line.options.push_back(FlagOption("--wait", args.waitForErase));
        break;
    case LoggerCommandType::ClockSet:
        line.options.push_back(FlagOption("--sync", args.synchronise));
        line.other = [&args](std::string_view word) -> UsageProblem {
            if (args.clockTime)
                return UsageText(TextId::kCliTooManyArguments);
            args.clockTime = ParseDate(std::string(word).c_str());
            if (!args.clockTime)
                return UsageText(TextId::kCliClockSetTime);
            return std::nullopt;
        };
        break;
    case LoggerCommandType::Flash:
        AddFlashOptions(line, args);
        break;
    case LoggerCommandType::RecordStart:
    case LoggerCommandType::RecordStop:
        break;
    }
    if (const std::optional<int> status = line.Parse(argc, argv, std::get<int>(first)))
        return *status;
    if (args.synchronise && args.clockTime)
        return line.UsageError(UsageText(TextId::kCliSyncOrTime));
    if (args.command == LoggerCommandType::Configure)
        if (const UsageProblem problem = CheckConfigure(args.configure))
            return line.UsageError(*problem);
    if (args.command == LoggerCommandType::Flash)
        if (const UsageProblem problem = CheckFlash(args))
            return line.UsageError(*problem);
    return args;
}
