#include "cli/DownloadCommand.h"

#include "cli/InstrumentArguments.h"
#include "cli/InstrumentConnection.h"
#include "cli/LoggerCommandResult.h"
#include "cli/TerminalUserInterface.h"
#include "core/app/AppFolders.h"
#include "core/app/OptionsModel.h"
#include "core/common/StringTable.h"
#include "core/instrument/DownloadJob.h"
#include "core/session/SessionParamsEditModel.h"

#include <QDir>
#include <QFile>
#include <chrono>
#include <optional>
#include <thread>

namespace {

constexpr auto kTick = std::chrono::milliseconds(DownloadTransfer::kTickMs);

QString TooLong(SessionParamsFieldType field) {
    return FormatResource(TextId::kTooManyChars,
                          {QString::number(SessionParamsEditModel::LimitOf(field))});
}

// The window's 10 ms timer; a logger that stops answering is given up after the timeout
// instead of keeping the command waiting for ever, and an interrupt cancels like "Annuler".
bool Copy(DownloadJob& job, const LoggerCommandContext& c) {
    const qint64 giveUpMs = qint64{c.args.timeoutSeconds} * 1000;
    while (job.Running()) {
        job.Tick();
        const DownloadTransfer* t = job.Transfer();
        if (t)
            c.ui.ShowProgress(t->Stalled() ? DownloadTransfer::StallText() : t->ProgressText());
        if (job.Running() && c.link.Interrupted()) {
            // The unfinished file goes with the job, as when the window is cancelled.
            job.Cancel();
            c.ui.EndProgress();
            return false;
        }
        if (job.Running() && t && t->MsWithoutProgress() >= giveUpMs) {
            job.Cancel();
            c.ui.EndProgress();
            Refuse(CliExit::kRefused, ResourceString(TextId::kCliDownloadAbandoned));
            return false;
        }
        std::this_thread::sleep_for(kTick);
    }
    c.ui.EndProgress();
    return job.Transfer() && job.Transfer()->State() == TransferStateType::Finished;
}

} // namespace

int CheckDownloadTexts(const LoggerCommandContext& c) {
    using F = SessionParamsFieldType;
    const auto tooLong = [](const std::optional<QString>& text, F field) {
        return text && text->size() > SessionParamsEditModel::LimitOf(field);
    };
    if (tooLong(c.args.sessionName, F::SessionName))
        return Refuse(CliExit::kRefused,
                      QStringLiteral("--session-name : ") + TooLong(F::SessionName));
    if (tooLong(c.args.location, F::Location))
        return Refuse(CliExit::kRefused, QStringLiteral("--location : ") + TooLong(F::Location));
    return CliExit::kDone;
}

int RunDownloadCommand(const LoggerCommandContext& c) {
    const CommandBlockerType blocker = DownloadBlocker(c.link.State());
    if (blocker == CommandBlockerType::MemoryEmpty ||
        (blocker == CommandBlockerType::None && c.link.Port().LinkMemoryUsed() <= 0))
        return Refuse(CliExit::kNotNow, ResourceString(TextId::kInstrumentHasNoData));
    if (const int refused = RefuseBlocked(blocker))
        return refused;
    const QString folder = c.args.outFolder.isEmpty()
                               ? AppFolders(AppFolders::SystemDocumentsFolder()).DataFolder()
                               : QDir(c.args.outFolder).absolutePath();
    DownloadJob job(c.link.Port(), c.ui, c.link.Settings(), c.link.ClockSource());
    const bool keepDump = c.args.rawDump || DocumentOptions::Load(c.link.Settings()).saveRawDump;
    job.KeepRawDump(keepDump);
    // A refusal to create the file has been shown by the job.
    if (!job.Begin(folder))
        return CliExit::kRefused;
    if (!Copy(job, c))
        return CliExit::kRefused;
    const bool completed = job.CompleteParameters([&c](SessionParamsEditModel& editor) {
        if (c.args.sessionName)
            editor.SetText(SessionParamsFieldType::SessionName, *c.args.sessionName);
        if (c.args.location)
            editor.SetText(SessionParamsFieldType::Location, *c.args.location);
        if (const std::optional<FieldProblem> problem = editor.Validate()) {
            c.ui.ShowMessage(problem->message, MessageIconType::Error);
            return false;
        }
        return true;
    });
    if (!completed)
        return Refuse(CliExit::kRefused, job.FilePath().isEmpty() || !QFile::exists(job.FilePath())
                                             ? ResourceString(TextId::kCliDownloadFailed)
                                             : FormatResource(TextId::kCliKeepsInstrumentParameters,
                                                              {job.FilePath()}));
    PrintLine(job.SessionFilePath());
    if (keepDump)
        PrintLine(RawDump::PathFor(job.SessionFilePath()));
    // What came is kept, but a script must not take a short recording for a whole one.
    const DownloadTransfer* transfer = job.Transfer();
    return transfer && transfer->Incomplete() ? CliExit::kRefused : CliExit::kDone;
}
