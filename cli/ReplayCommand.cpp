#include "cli/ReplayCommand.h"

#include "cli/CommandFiles.h"
#include "cli/CommandLine.h"
#include "cli/ConsoleOutput.h"
#include "cli/ExitStatus.h"
#include "cli/TerminalUserInterface.h"
#include "core/common/Clock.h"
#include "core/common/StringTable.h"
#include "core/instrument/DownloadJob.h"
#include "core/instrument/DownloadTransfer.h"
#include "core/instrument/InstrumentCommands.h"
#include "core/instrument/RawDump.h"
#include "core/session/CRecSession.h"
#include "core/session/SessionFile.h"

#include <QBuffer>
#include <QDir>
#include <QString>
#include <cstdio>
#include <optional>
#include <unistd.h>

namespace {

struct ReplayArguments {
    QString dump;
    QString out;
};

std::optional<int> Parse(int argc, char** argv, ReplayArguments& args) {
    CommandLine line{
        "vexlo-cli replay", ResourceString(TextId::kUsageReplay).toStdString(), {}, {}};
    line.options.push_back(FolderOption("--out-dir", args.out));
    line.options.push_back(FolderOption("--out", args.out)); // the old name
    line.other = [&args](std::string_view word) -> UsageProblem {
        if (!args.dump.isEmpty())
            return UsageText(TextId::kCliTooManyArguments);
        args.dump = QString::fromLocal8Bit(word.data(), static_cast<qsizetype>(word.size()));
        return std::nullopt;
    };
    if (const std::optional<int> status = line.Parse(argc, argv, 2))
        return status;
    if (args.dump.isEmpty())
        return line.UsageError(UsageText(TextId::kCliMissingDump));
    return std::nullopt;
}

// The download's copy of the dump's RECORD.VX, with the dump's parameter block in place of the
// parameter step: the session file's bytes, made in memory.
Outcome Copy(const RawDump& dump, RawDumpPort& port, const QString& dumpPath,
             TerminalUserInterface& ui, QByteArray& image) {
    const Outcome notADump = Outcome::Failure(OutcomeType::Unsupported,
                                              FormatResource(TextId::kNotARawDump, {dumpPath}));
    QBuffer file(&image);
    if (!file.open(QIODevice::ReadWrite))
        return notADump;
    const SystemClock clock;
    DownloadTransfer copy(port, file, port.LinkMemoryUsed(), clock);
    // A dump is all there will ever be: a read that brings nothing while the copy still wants
    // bytes means the dump ends early, where a logger would be waited for.
    while (copy.Running()) {
        const bool wasCopying = copy.State() == TransferStateType::Copying;
        const qint64 before = copy.Done();
        if (copy.Tick() == TransferStateType::Copying && wasCopying && copy.Done() == before)
            return Outcome::Failure(OutcomeType::Corrupt,
                                    FormatResource(TextId::kRawDumpTruncated, {dumpPath}));
    }
    if (copy.State() != TransferStateType::Finished)
        return notADump;
    if (copy.Incomplete())
        ui.ShowMessage(copy.IncompleteText(), MessageIconType::Warning);
    const QByteArray& block = dump.parameterBlock;
    if (!file.seek(copy.HeaderLength()) || file.write(block) != block.size())
        return notADump;
    return Outcome::Success();
}

// The checks a session file meets when the program opens it, so that no file is written that
// the program would then refuse.
Outcome CheckAsOpened(const QString& dumpPath, const QByteArray& image) {
    if (const Outcome checked = CheckSessionImage(dumpPath, image); !checked)
        return checked;
    CRecSession session;
    return ReadSessionImage(session, image, false);
}

} // namespace

namespace ReplayCommand {

int Run(int argc, char** argv) {
    ReplayArguments args;
    if (const auto status = Parse(argc, argv, args))
        return *status;
    QByteArray bytes;
    if (const Outcome read = CommandFiles::ReadInput(args.dump, RawDump::kMaxSize, bytes); !read)
        return Refuse(CliExit::kRefused, read.message);
    RawDump dump;
    if (const Outcome parsed = RawDump::Parse(bytes, args.dump, dump); !parsed)
        return Refuse(CliExit::kRefused, parsed.message);
    bytes.clear();
    RawDumpPort port(dump);
    if (port.LinkMemoryUsed() <= 0 || DownloadBlocker(port.State()) != CommandBlockerType::None)
        return Refuse(CliExit::kRefused, FormatResource(TextId::kNotARawDump, {args.dump}));

    TerminalUserInterface ui(AnswerSourceType::None, STDIN_FILENO, stderr);
    QByteArray image;
    if (const Outcome copied = Copy(dump, port, args.dump, ui, image); !copied)
        return Refuse(CliExit::kRefused, copied.message);
    if (const Outcome opened = CheckAsOpened(args.dump, image); !opened)
        return Refuse(CliExit::kRefused, opened.message);

    const QString folder = QDir(args.out.isEmpty() ? QDir::currentPath() : args.out).absolutePath();
    QDir().mkpath(folder);
    const QString path = DownloadJob::DestinationPath(folder, port.State().status.ModelCode());
    const bool written = CommandFiles::WriteWhole(
        path, [&image](QIODevice& file) { return file.write(image) == image.size(); });
    if (!written)
        return Refuse(CliExit::kRefused, FormatResource(TextId::kCannotWrite, {path}));
    PrintLine(path);
    return std::fflush(stdout) == 0 ? CliExit::kDone : 1;
}

} // namespace ReplayCommand
