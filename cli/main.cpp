// vexlo-cli: a headless look into session files, for scripts and for checking the core.
#include "cli/CommandFiles.h"
#include "cli/CommandLine.h"
#include "cli/CommandUsage.h"
#include "cli/ConsoleOutput.h"
#include "cli/ExitStatus.h"
#include "cli/ExportCommand.h"
#include "cli/InstrumentConnection.h"
#include "cli/InstrumentReport.h"
#include "cli/LoggerCommandRunner.h"
#include "cli/PlotCommand.h"
#include "cli/ReplayCommand.h"
#include "cli/ReportCommand.h"
#include "cli/SessionInput.h"
#include "cli/SessionReport.h"
#include "cli/TerminalUserInterface.h"
#include "cli/VersionsCommand.h"
#include "core/app/AppIdentity.h"
#include "core/common/Clock.h"
#include "core/common/InterfaceLocale.h"
#include "core/common/StringTable.h"
#include "core/common/UserNumber.h"
#include "core/session/CRecSession.h"
#include "core/session/SessionFigures.h"
#include "platform/PosixDriveBackend.h"
#include "platform/QtSettingsStore.h"
#include "sim/SimulatedDrive.h"

#include <QGuiApplication>
#include <QString>
#include <QStringList>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace {

struct Arguments {
    std::string command;
    QString path;
    QStringList morePaths; // plot: the sessions to overlay on the first
    bool json = false;
    int first = -1;
    int last = -1;
    AlarmLimits limits;
    int simulatedModel = -1;
    PlotRequest plot;
    bool plotOptions = false;
    QString pdf; // status: the page's print-out
    bool force = false;

    bool IsSessionCommand() const {
        return command == "info" || command == "values" || command == "stats" ||
               command == "events" || command == "params" || command == "plot";
    }
    bool IsInstrumentCommand() const { return command == "drives" || command == "status"; }
};

// A --first or --last value.
CommandOption IndexOption(std::string_view name, int& index) {
    return {name, [&index](ArgumentCursor& values) -> UsageProblem {
                const char* v = values.Take();
                if (!v)
                    return UsageText(TextId::kCliMissingFirstLast);
                const auto i = ReadInteger(v, 0, std::numeric_limits<int>::max());
                if (!i)
                    return UsageText(TextId::kCliFirstLastInteger);
                index = *i;
                return std::nullopt;
            }};
}

// A --low or --high limit, in the session's display unit.
CommandOption LimitOption(std::string_view name, std::optional<double>& limit) {
    return {name, [&limit](ArgumentCursor& values) -> UsageProblem {
                const char* v = values.Take();
                limit = v ? ParseUserNumber(QString::fromLocal8Bit(v)) : std::nullopt;
                if (!limit)
                    return UsageText(TextId::kCliLowHighNumber);
                return std::nullopt;
            }};
}

CommandOption PixelsOption(std::string_view name, Arguments& args, int& pixels) {
    return {name, [&args, &pixels](ArgumentCursor& values) -> UsageProblem {
                const char* v = values.Take();
                if (!v)
                    return UsageText(TextId::kCliMissingPlotValue);
                args.plotOptions = true;
                const auto n = ReadInteger(v, 100, 10000);
                if (!n)
                    return UsageText(TextId::kCliPixels);
                pixels = *n;
                return std::nullopt;
            }};
}

CommandOption WindowOption(std::string_view name, Arguments& args, std::optional<double>& at) {
    return {name, [&args, &at](ArgumentCursor& values) -> UsageProblem {
                const char* v = values.Take();
                if (!v)
                    return UsageText(TextId::kCliMissingPlotValue);
                args.plotOptions = true;
                at = ReadSeconds(v);
                if (!at)
                    return UsageText(TextId::kCliFromToSeconds);
                return std::nullopt;
            }};
}

CommandLine SessionCommandLine(Arguments& args) {
    CommandLine line{"vexlo-cli", ResourceString(TextId::kUsageMain).toStdString(), {}, {}};
    line.options.push_back(FlagOption("--json", args.json));
    line.options.push_back(FlagOption("--force", args.force));
    line.options.push_back(IndexOption("--first", args.first));
    line.options.push_back(IndexOption("--last", args.last));
    line.options.push_back(LimitOption("--low", args.limits.low));
    line.options.push_back(LimitOption("--high", args.limits.high));
    line.options.push_back(SimulatedModelOption(args.simulatedModel));
    line.options.push_back({"--out", [&args](ArgumentCursor& values) -> UsageProblem {
                                const char* v = values.Take();
                                if (!v)
                                    return UsageText(TextId::kCliMissingValueAfter,
                                                     {QStringLiteral("--out")});
                                args.plot.out = QString::fromLocal8Bit(v);
                                return std::nullopt;
                            }});
    line.options.push_back(PixelsOption("--width", args, args.plot.width));
    line.options.push_back(PixelsOption("--height", args, args.plot.height));
    line.options.push_back(WindowOption("--from", args, args.plot.from));
    line.options.push_back(WindowOption("--to", args, args.plot.to));
    line.options.push_back({"--cursor", [&args](ArgumentCursor& values) -> UsageProblem {
                                args.plot.cursor = ReadSeconds(values.Take());
                                if (!args.plot.cursor)
                                    return UsageText(TextId::kCliSecondsExpected,
                                                     {QStringLiteral("--cursor")});
                                args.plotOptions = true;
                                return std::nullopt;
                            }});
    line.options.push_back({"--pdf", [&args](ArgumentCursor& values) -> UsageProblem {
                                const char* v = values.Take();
                                if (!v)
                                    return UsageText(TextId::kCliPdfPathExpected,
                                                     {QStringLiteral("--pdf")});
                                args.pdf = QString::fromLocal8Bit(v);
                                return std::nullopt;
                            }});
    line.options.push_back({"--format", [&args](ArgumentCursor& values) -> UsageProblem {
                                const char* v = values.Take();
                                const std::string_view format = v ? v : "";
                                if (format != "png" && format != "pdf")
                                    return UsageText(TextId::kCliExpectsEither,
                                                     {QStringLiteral("--format"),
                                                      QStringLiteral("png"),
                                                      QStringLiteral("pdf")});
                                args.plot.format = QString::fromLatin1(v);
                                args.plotOptions = true;
                                return std::nullopt;
                            }});
    line.options.push_back({"--describe", [&args](ArgumentCursor&) {
                                args.plot.describe = true;
                                args.plotOptions = true;
                                return UsageProblem();
                            }});
    line.other = [&args](std::string_view word) -> UsageProblem {
        if (args.command.empty())
            args.command = word;
        else if (args.path.isEmpty())
            args.path = QString::fromLocal8Bit(word.data(), static_cast<qsizetype>(word.size()));
        else if (args.command == "plot")
            args.morePaths.append(
                QString::fromLocal8Bit(word.data(), static_cast<qsizetype>(word.size())));
        else
            return UsageText(TextId::kCliTooManyArguments);
        return std::nullopt;
    };
    return line;
}

// The usage error of arguments read whole, or none.
UsageProblem CheckArguments(const Arguments& args) {
    if (args.command.empty())
        return UsageText(TextId::kCliMissingCommand);
    if (!args.IsSessionCommand() && !args.IsInstrumentCommand())
        return UsageText(TextId::kCliUnknownCommand);
    if (args.IsSessionCommand() && args.path.isEmpty())
        return UsageText(TextId::kCliMissingSessionFile);
    if (args.IsInstrumentCommand() && !args.path.isEmpty())
        return UsageText(TextId::kCliTooManyArguments);
    if (args.simulatedModel >= 0 && !args.IsInstrumentCommand())
        return UsageText(TextId::kCliSimulateOnly);
    if (args.plotOptions && args.command != "plot")
        return UsageText(TextId::kCliPlotOptionsOnly);
    if (!args.plot.out.isEmpty() && args.command != "plot")
        return UsageText(TextId::kCliOutOnly);
    if (args.command == "plot" && args.plot.out.isEmpty())
        return UsageText(TextId::kCliPlotNeedsOut);
    if (args.plot.from && args.plot.to && *args.plot.to <= *args.plot.from)
        return UsageText(TextId::kCliToAfterFrom);
    if (args.plot.out == QLatin1StringView(kPlotToStandardOutput) && args.plot.format.isEmpty())
        return UsageText(TextId::kCliPlotStdoutFormat);
    if (args.plot.out == QLatin1StringView(kPlotToStandardOutput) && args.plot.describe)
        return UsageText(TextId::kCliDescribeNeedsFile);
    if (!args.pdf.isEmpty() && args.command != "status")
        return UsageText(TextId::kCliPdfOnly);
    if (args.force && args.command != "plot" && args.pdf.isEmpty())
        return UsageText(TextId::kCliForceOnly);
    if ((args.first >= 0 || args.last >= 0) && args.command != "stats")
        return UsageText(TextId::kCliFirstLastOnly);
    if (args.limits.Any() && args.command != "stats" &&
        !(args.command == "plot" && args.morePaths.isEmpty()))
        return UsageText(TextId::kCliLowHighOnly);
    if (args.limits.low && args.limits.high && *args.limits.low > *args.limits.high)
        return UsageText(TextId::kCliLowAboveHigh);
    return std::nullopt;
}

// status names its print-out --out, as the other commands their files; --pdf is its old name.
UsageProblem SettleStatusOutput(Arguments& args) {
    if (args.command != "status" || args.plot.out.isEmpty())
        return std::nullopt;
    if (!args.pdf.isEmpty())
        return UsageText(TextId::kCliOutAndPdf);
    args.pdf = args.plot.out;
    args.plot.out.clear();
    return std::nullopt;
}

// Once the command is known, its help and usage errors are its own.
void NameCommand(CommandLine& line, int argc, char** argv) {
    const std::string usage = argc > 1 ? CommandUsage(argv[1]) : std::string();
    if (usage.empty())
        return;
    line.caller += std::string(" ") + argv[1];
    line.usage = usage;
}

// Returns an exit status when the arguments are not usable or only help was asked for.
std::optional<int> Parse(int argc, char** argv, Arguments& args) {
    CommandLine line = SessionCommandLine(args);
    NameCommand(line, argc, argv);
    if (const std::optional<int> status = line.Parse(argc, argv, 1))
        return status;
    if (const UsageProblem problem = SettleStatusOutput(args))
        return line.UsageError(*problem);
    if (const UsageProblem problem = CheckArguments(args))
        return line.UsageError(*problem);
    return std::nullopt;
}

// The file the command is to write, refused before anything is read or drawn.
std::optional<int> RefuseOutput(const Arguments& args) {
    const QString out = args.command == "plot" ? args.plot.out : args.pdf;
    if (out.isEmpty())
        return std::nullopt;
    QStringList inputs = args.morePaths;
    inputs.append(args.path);
    if (const Outcome allowed = CommandFiles::CheckOutput(out, inputs, args.force); !allowed)
        return Refuse(CliExit::kRefused, allowed.message);
    return std::nullopt;
}

int RunInstrumentCommand(const Arguments& args) {
    if (args.command == "status") {
        TerminalUserInterface ui(AnswerSourceType::None, STDIN_FILENO, stderr);
        InstrumentConnection link(args.simulatedModel, ui);
        return InstrumentReport::ShowStatus(link, args.json, args.pdf, stdout);
    }
    const SystemClock clock;
    std::unique_ptr<DriveBackend> drives;
    if (args.simulatedModel >= 0) {
        drives = std::make_unique<SimulatedDrive>(clock, DemoLoggerSettings(args.simulatedModel));
    } else {
        drives = std::make_unique<PosixDriveBackend>();
    }
    return InstrumentReport::ListDrives(*drives, args.json, stdout);
}

int RunOverlay(const Arguments& args, const UserSessionFile& first) {
    std::vector<std::unique_ptr<UserSessionFile>> others;
    std::vector<const CRecSession*> sessions{&first.session};
    for (const QString& path : args.morePaths) {
        others.push_back(std::make_unique<UserSessionFile>());
        if (const Outcome read = others.back()->Read(path); !read)
            return Refuse(CliExit::kRefused, read.message);
        sessions.push_back(&others.back()->session);
    }
    return RunOverlayPlot(sessions, first.settings, args.plot, stdout);
}

// The limits given on the command line replace those remembered for the logger.
void ApplyLimitOptions(const Arguments& args, CRecSession& session) {
    if (!args.limits.Any())
        return;
    SessionFigures figures = session.Figures();
    figures.limits = args.limits;
    session.SetFigures(figures);
}

int RunSessionCommand(const Arguments& args) {
    UserSessionFile file;
    if (const Outcome read = file.Read(args.path); !read)
        return Refuse(CliExit::kRefused, read.message);
    CRecSession& session = file.session;
    const QtSettingsStore& settings = file.settings;
    ApplyLimitOptions(args, session);

    if (args.command == "plot" && !args.morePaths.isEmpty())
        return RunOverlay(args, file);
    if (args.command == "plot")
        return RunPlot(session, settings, args.plot, stdout);
    const SessionReport report(session, stdout, args.json);
    if (args.command == "info")
        report.Info();
    else if (args.command == "values")
        report.Values();
    else if (args.command == "stats")
        report.Statistics(args.first, args.last);
    else if (args.command == "params")
        report.Params();
    else
        report.Events();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    // A command-line tool speaks the language of its terminal's locale.
    ApplyInterfaceLanguage(LocaleEnvironment::OfProcess(), LanguageChoiceType::Automatic);
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("vexlo-cli %s\n", qPrintable(AppIdentity::ProgramVersion()));
        return 0;
    }
    if (const auto status = LoggerCommandRunner::Run(argc, argv))
        return *status;
    if (argc > 1 && std::strcmp(argv[1], "export") == 0)
        return ExportCommand::Run(argc, argv);
    if (argc > 1 && std::strcmp(argv[1], "report") == 0) {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        const QGuiApplication gui(argc, argv);
        return ReportCommand::Run(argc, argv);
    }
    if (argc > 1 && std::strcmp(argv[1], "versions") == 0)
        return VersionsCommand::Run(argc, argv);
    if (argc > 1 && std::strcmp(argv[1], "replay") == 0)
        return ReplayCommand::Run(argc, argv);
    Arguments args;
    if (const auto status = Parse(argc, argv, args))
        return *status;
    if (const auto refused = RefuseOutput(args))
        return *refused;
    // Drawing needs fonts, hence a GUI application, but never a display.
    std::unique_ptr<QGuiApplication> gui;
    if (args.command == "plot" || !args.pdf.isEmpty()) {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        gui = std::make_unique<QGuiApplication>(argc, argv);
    }
    const int status =
        args.IsInstrumentCommand() ? RunInstrumentCommand(args) : RunSessionCommand(args);
    return std::fflush(stdout) == 0 ? status : 1;
}
