#include "cli/VersionsCommand.h"

#include "cli/CommandLine.h"
#include "cli/ExitStatus.h"
#include "cli/JsonText.h"
#include "cli/TerminalUserInterface.h"
#include "core/app/AppIdentity.h"
#include "core/app/WebUpdate.h"
#include "core/common/StringTable.h"
#include "platform/QtHttpClient.h"
#include "platform/QtSettingsStore.h"

#include <QCoreApplication>
#include <cstdio>
#include <optional>
#include <string>
#include <unistd.h>

namespace {

std::string Pair(const char* key, const QString& value) {
    return std::string("\"") + key + "\": " + JsonText::String(value);
}

void PrintJson(const VersionsFile& v, bool newer) {
    const QString installed = AppIdentity::ProgramVersion();
    std::string out =
        "{\"program\": {" + Pair("installed", installed) + ", " +
        Pair("latest", EntryVersion(v.program)) + ", " + Pair("address", EntryAddress(v.program)) +
        ", \"newer\": " + (newer ? "true" : "false") + "}, \"firmware\": {" +
        Pair("latest", EntryVersion(v.firmware)) + ", " +
        Pair("address", EntryAddress(v.firmware)) + "}, \"help\": {" +
        Pair("latest", EntryVersion(v.help)) + ", " + Pair("address", EntryAddress(v.help)) +
        "}, \"manual\": {" + Pair("address", EntryAddress(v.manual)) + "}}\n";
    std::fputs(out.c_str(), stdout);
}

void PrintLine(const QString& label, const QString& entry) {
    const QString version = EntryVersion(entry);
    const QString address = EntryAddress(entry);
    QString line = FormatResource(TextId::kLabelledFigure,
                                  {label, version.isEmpty() ? QStringLiteral("-") : version});
    if (!address.isEmpty())
        line += QStringLiteral("  ") + address;
    std::fprintf(stdout, "%s\n", line.toLocal8Bit().constData());
}

void PrintText(const VersionsFile& v, bool newer) {
    std::fprintf(stdout, "%s\n",
                 FormatResource(TextId::kCliInstalledProgram,
                                {AppIdentity::ProgramVersion(),
                                 newer ? ResourceString(TextId::kCliNewerAvailable) : QString()})
                     .toLocal8Bit()
                     .constData());
    PrintLine(ResourceString(TextId::kCliLatestProgram), v.program);
    PrintLine(ResourceString(TextId::kCliFirmware), v.firmware);
    PrintLine(ResourceString(TextId::kHelpButton), v.help);
    std::fprintf(
        stdout, "%s\n",
        FormatResource(TextId::kCliManualLine, {EntryAddress(v.manual)}).toLocal8Bit().constData());
}

} // namespace

int VersionsCommand::Run(int argc, char** argv) {
    bool json = false;
    QString server;
    CommandLine line{"vexlo-cli versions",
                     ResourceString(TextId::kUsageVersions).toStdString(),
                     {},
                     [](std::string_view word) -> UsageProblem {
                         return UsageText(TextId::kCliUnknownArgument,
                                          {QString::fromLocal8Bit(
                                              word.data(), static_cast<qsizetype>(word.size()))});
                     }};
    line.options.push_back(FlagOption("--json", json));
    line.options.push_back({"--server", [&server](ArgumentCursor& values) -> UsageProblem {
                                const char* v = values.Take();
                                if (!v || !*v)
                                    return UsageText(TextId::kCliServerAddress);
                                server = QString::fromLocal8Bit(v);
                                return std::nullopt;
                            }});
    if (const std::optional<int> status = line.Parse(argc, argv, 2))
        return *status;

    QCoreApplication app(argc, argv);
    QtSettingsStore settings;
    QtHttpClient http;
    TerminalUserInterface ui(AnswerSourceType::None, STDIN_FILENO, stderr);
    WebUpdate web(http, settings, ui);
    if (!server.isEmpty())
        web.SetServer(server);
    // The request's own limits end the wait; the loop ends with it.
    std::optional<bool> fetched;
    const WebTaskHandle request = web.FetchVersions(false, [&fetched](bool ok) {
        fetched = ok;
        QCoreApplication::exit();
    });
    if (!fetched)
        QCoreApplication::exec();
    if (!fetched.value_or(false))
        return web.LastFetch() == FetchResultType::Refused ? CliExit::kRefused : CliExit::kNotNow;
    const VersionsFile& v = web.Versions();
    const bool newer = !EntryVersion(v.program).isEmpty() &&
                       IsOlderVersion(AppIdentity::ProgramVersion(), EntryVersion(v.program));
    if (json)
        PrintJson(v, newer);
    else
        PrintText(v, newer);
    return std::fflush(stdout) == 0 ? CliExit::kDone : 1;
}
