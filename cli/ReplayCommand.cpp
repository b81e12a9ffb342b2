#include "cli/ReplayCommand.h"

#include "cli/CommandLine.h"
#include "cli/ConsoleOutput.h"
#include "cli/ExitStatus.h"
#include "cli/TerminalUserInterface.h"
#include "core/common/Clock.h"
#include "core/common/StringTable.h"
#include "core/instrument/DownloadJob.h"
#include "core/instrument/InstrumentCommands.h"
#include "core/instrument/RawDump.h"
#include "platform/QtSettingsStore.h"

#include <QDir>
#include <QString>
#include <cstdio>
#include <optional>
#include <unistd.h>

namespace {

constexpr const char* kUsage =
    "usage : vexlo-cli replay VIDAGE.vxdump [--out-dir DOSSIER]\n"
    "  Refait le téléchargement qu’un vidage brut a enregistré (l’option « SaveRawDump » ou\n"
    "  download --raw-dump) et écrit le même fichier de session, dans DOSSIER ou dans le\n"
    "  dossier courant. Le chemin écrit s’affiche sur la sortie standard. --out, l’ancien nom\n"
    "  de --out-dir, reste accepté.\n";

struct ReplayArguments {
    QString dump;
    QString out;
};

std::optional<int> Parse(int argc, char** argv, ReplayArguments& args) {
    CommandLine line{"vexlo-cli replay", kUsage, {}, {}};
    line.options.push_back(FolderOption("--out-dir", args.out));
    line.options.push_back(FolderOption("--out", args.out)); // the old name
    line.other = [&args](std::string_view word) -> UsageProblem {
        if (!args.dump.isEmpty())
            return "trop d’arguments";
        args.dump = QString::fromLocal8Bit(word.data(), static_cast<qsizetype>(word.size()));
        return std::nullopt;
    };
    if (const std::optional<int> status = line.Parse(argc, argv, 2))
        return status;
    if (args.dump.isEmpty())
        return line.UsageError("vidage manquant");
    return std::nullopt;
}

} // namespace

namespace ReplayCommand {

int Run(int argc, char** argv) {
    ReplayArguments args;
    if (const auto status = Parse(argc, argv, args))
        return *status;
    RawDump dump;
    if (const Outcome loaded = RawDump::Load(args.dump, dump); !loaded)
        return Refuse(CliExit::kRefused, loaded.message);
    RawDumpPort port(dump);
    if (port.LinkMemoryUsed() <= 0 || DownloadBlocker(port.State()) != CommandBlockerType::None)
        return Refuse(CliExit::kRefused, FormatResource(TextId::kNotARawDump, {args.dump}));

    TerminalUserInterface ui(AnswerSourceType::None, STDIN_FILENO, stderr);
    QtSettingsStore settings;
    const SystemClock clock;
    DownloadJob job(port, ui, settings, clock);
    // A refusal to create the file has been shown by the job.
    if (!job.Begin(QDir(args.out.isEmpty() ? QDir::currentPath() : args.out).absolutePath()))
        return CliExit::kRefused;
    // A dump is all there will ever be: a read that brings nothing while the copy still wants
    // bytes means the dump ends early, where a logger would be waited for.
    while (job.Running()) {
        const DownloadTransfer& copy = *job.Transfer();
        const bool wasCopying = copy.State() == TransferStateType::Copying;
        const qint64 before = copy.Done();
        if (job.Tick() == TransferStateType::Copying && wasCopying && copy.Done() == before) {
            job.Cancel();
            return Refuse(CliExit::kRefused,
                          FormatResource(TextId::kRawDumpTruncated, {args.dump}));
        }
    }
    if (!job.CompleteWithParameterBlock(dump.parameterBlock))
        return CliExit::kRefused;
    PrintLine(job.SessionFilePath());
    return std::fflush(stdout) == 0 ? CliExit::kDone : 1;
}

} // namespace ReplayCommand
