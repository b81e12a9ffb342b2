#include "cli/LoggerCommandRunner.h"

#include "cli/CommandFiles.h"
#include "cli/ConfigureCommand.h"
#include "cli/ControlCommands.h"
#include "cli/DownloadCommand.h"
#include "cli/FlashCommand.h"
#include "cli/InstrumentArguments.h"
#include "cli/InstrumentConnection.h"
#include "cli/LoggerCommandResult.h"
#include "cli/TerminalUserInterface.h"
#include "core/app/WebUpdate.h"

#include <QCoreApplication>
#include <csignal>
#include <cstdio>
#include <memory>
#include <unistd.h>

namespace {

AnswerSourceType AnswerSource(bool yes) {
    if (yes)
        return AnswerSourceType::AssumeYes;
    return ::isatty(STDIN_FILENO) == 1 ? AnswerSourceType::Terminal : AnswerSourceType::None;
}

int Dispatch(const LoggerCommandContext& c) {
    switch (c.args.command) {
    case LoggerCommandType::Configure:
        return RunConfigureCommand(c);
    case LoggerCommandType::RecordStart:
        return RunRecordCommand(c, true);
    case LoggerCommandType::RecordStop:
        return RunRecordCommand(c, false);
    case LoggerCommandType::ClockSet:
        return RunClockCommand(c);
    case LoggerCommandType::Erase:
        return RunEraseCommand(c);
    case LoggerCommandType::Download:
        return RunDownloadCommand(c);
    case LoggerCommandType::Flash:
        return RunFlashCommand(c);
    }
    return CliExit::kRefused;
}

int RunParsed(const LoggerArguments& args, const QByteArray& hexText) {
    // A mailbox that is a pipe whose reader went away fails the write instead of ending us.
    std::signal(SIGPIPE, SIG_IGN);
    TerminalUserInterface ui(AnswerSource(args.yes), STDIN_FILENO, stderr);
    InstrumentConnection link(args.simulatedModel, ui);
    ui.SetWhileWaiting([&link] {
        link.Pump();
        return !link.Interrupted();
    });
    const LoggerCommandContext context{args, link, ui, hexText};
    if (args.command == LoggerCommandType::Download)
        if (const int refused = CheckDownloadTexts(context))
            return refused;
    if (!link.Connect(std::chrono::seconds(args.timeoutSeconds)) && !link.Interrupted())
        return Refuse(CliExit::kNotNow, NoAnswerText(link, args.timeoutSeconds));
    return link.Interrupted() ? CliExit::kDeclined : Dispatch(context);
}

} // namespace

std::optional<int> LoggerCommandRunner::Run(int argc, char** argv) {
    if (argc < 2 || !IsLoggerCommand(argv[1]))
        return std::nullopt;
    const std::variant<LoggerArguments, int> parsed = ParseLoggerArguments(argc, argv);
    if (const int* status = std::get_if<int>(&parsed))
        return *status;
    const LoggerArguments& args = std::get<LoggerArguments>(parsed);
    // The update server's requests run an event loop.
    std::unique_ptr<QCoreApplication> app;
    if (args.command == LoggerCommandType::Flash)
        app = std::make_unique<QCoreApplication>(argc, argv);
    // Read before stop signals are held back for the logger: a file that is not what it says
    // must not keep the command from ending.
    QByteArray hexText;
    if (args.command == LoggerCommandType::Flash && !args.latest)
        if (const Outcome read =
                CommandFiles::ReadInput(args.hexPath, WebUpdate::kMaxFirmwareTextBytes, hexText);
            !read)
            return Refuse(CliExit::kRefused, read.message);
    const int status = RunParsed(args, hexText);
    return std::fflush(stdout) == 0 ? status : 1;
}
