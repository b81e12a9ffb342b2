#include "cli/ReportCommand.h"

#include "cli/ChannelLineJson.h"
#include "cli/CommandFiles.h"
#include "cli/CommandLine.h"
#include "cli/ConsoleOutput.h"
#include "cli/ExitStatus.h"
#include "cli/InterruptWatch.h"
#include "cli/PrintedGraph.h"
#include "cli/SessionInput.h"
#include "cli/StoredGraphSettings.h"
#include "core/common/StringTable.h"
#include "core/graph/CTrendGraph.h"
#include "core/graph/ReportOptions.h"
#include "core/graph/SessionReport.h"
#include "core/session/CRecSession.h"
#include "gui/graph/PrintDriver.h"
#include "platform/QtSettingsStore.h"

#include <QString>
#include <cstdio>
#include <optional>
#include <string>

namespace {

struct ReportArguments {
    QString session;
    QString out;
    ReportOptions options;
    std::optional<int> samples;
    std::optional<double> from;
    std::optional<double> to;
    std::optional<double> cursor;
    bool describe = false;
    bool force = false;
};

CommandOption SecondsOption(std::string_view name, std::optional<double>& at) {
    return {name, [name, &at](ArgumentCursor& values) -> UsageProblem {
                at = ReadSeconds(values.Take());
                if (!at)
                    return UsageText(TextId::kCliSecondsExpected, {QString::fromUtf8(name)});
                return std::nullopt;
            }};
}

std::optional<int> Parse(int argc, char** argv, ReportArguments& args) {
    CommandLine line{
        "vexlo-cli report", ResourceString(TextId::kUsageReport).toStdString(), {}, {}};
    line.options.push_back({"--out", [&args](ArgumentCursor& values) -> UsageProblem {
                                const char* v = values.Take();
                                if (!v)
                                    return UsageText(TextId::kCliPdfPathExpected,
                                                     {QStringLiteral("--out")});
                                args.out = QString::fromLocal8Bit(v);
                                return std::nullopt;
                            }});
    line.options.push_back(FlagOption("--header", args.options.includeHeader));
    line.options.push_back(FlagOption("--footer", args.options.includeFooter));
    line.options.push_back(FlagOption("--comments", args.options.includeComments));
    line.options.push_back({"--samples", [&args](ArgumentCursor& values) -> UsageProblem {
                                args.samples = ReadInteger(values.Take(), 1, 2147483647);
                                if (!args.samples)
                                    return UsageText(TextId::kCliSamplesSeconds);
                                return std::nullopt;
                            }});
    line.options.push_back(SecondsOption("--from", args.from));
    line.options.push_back(SecondsOption("--to", args.to));
    line.options.push_back(SecondsOption("--cursor", args.cursor));
    line.options.push_back(FlagOption("--describe", args.describe));
    line.options.push_back(FlagOption("--force", args.force));
    line.other = [&args](std::string_view word) -> UsageProblem {
        if (!args.session.isEmpty())
            return UsageText(TextId::kCliTooManyArguments);
        args.session = QString::fromLocal8Bit(word.data(), static_cast<qsizetype>(word.size()));
        return std::nullopt;
    };
    if (const std::optional<int> status = line.Parse(argc, argv, 2))
        return status;
    if (args.session.isEmpty())
        return line.UsageError(UsageText(TextId::kCliMissingSessionFile));
    if (args.out.isEmpty())
        return line.UsageError(UsageText(TextId::kCliReportNeedsOut));
    if (args.from && args.to && *args.to <= *args.from)
        return line.UsageError(UsageText(TextId::kCliToAfterFrom));
    return std::nullopt;
}

// The table averaging the window's list would select for the seconds asked.
ReportOptions WithSampleTable(const CRecSession& session, ReportOptions options, int seconds) {
    ReportOptions asked = options;
    asked.includeSampleTable = true;
    ReportOptionsModel model(ReportSessionFacts::Of(session), asked);
    model.SetIncludeSampleTable(true);
    model.Select(model.EntryForSeconds(seconds));
    return model.Accepted();
}

// The session as its page first shows it, in the window and with the cursor asked for; the
// page opens with its minimum/maximum display off.
SessionPrintView ViewAsAsked(const CRecSession& session, const GraphSettingsSource& settings,
                             const ReportArguments& args) {
    CTrendGraph screen;
    screen.SetSettingsSource(&settings);
    screen.SetChannelSource(&session);
    screen.SetUnitText(session.DisplayUnits());
    ScaleAsOnScreen(screen);
    if (args.from || args.to) {
        SetAskedWindow(screen, args.from, args.to);
        ScaleAsOnScreen(screen);
    }
    return {screen.ViewState(), args.cursor, false};
}

// Stop signals wait while the PDF is written and put in place, so that nothing half written is
// left beside it.
Outcome WritePdf(const QString& path, Printout& printout) {
    const InterruptWatch writing;
    return PrintDriver::WritePdf(path, printout);
}

} // namespace

namespace ReportCommand {

int Run(int argc, char** argv) {
    ReportArguments args;
    if (const auto status = Parse(argc, argv, args))
        return *status;
    if (const Outcome allowed = CommandFiles::CheckOutput(args.out, {args.session}, args.force);
        !allowed)
        return Refuse(CliExit::kRefused, allowed.message);
    UserSessionFile file;
    if (const Outcome read = file.Read(args.session); !read)
        return Refuse(CliExit::kRefused, read.message);
    CRecSession& session = file.session;
    const QtSettingsStore& settings = file.settings;
    const ReportOptions options =
        args.samples ? WithSampleTable(session, args.options, *args.samples) : args.options;

    const StoredGraphSettings graphSettings(settings);
    SessionReport report(session, ViewAsAsked(session, graphSettings, args), options,
                         ReportGraphSettings(graphSettings));
    if (const Outcome written = WritePdf(args.out, report); !written)
        return Refuse(CliExit::kRefused, written.message);
    if (args.describe && report.PrintedChannelLine())
        std::printf("{\"channel_line\": %s}\n",
                    ChannelLineJson(*report.PrintedChannelLine()).c_str());
    return 0;
}

} // namespace ReportCommand
