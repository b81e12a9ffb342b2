#include "cli/FlashCommand.h"

#include "cli/InstrumentArguments.h"
#include "cli/InstrumentConnection.h"
#include "cli/LoggerCommandResult.h"
#include "cli/TerminalUserInterface.h"
#include "core/app/WebUpdate.h"
#include "core/common/Clock.h"
#include "core/common/StringTable.h"
#include "core/doc/CVexloDoc.h"
#include "core/instrument/FirmwareOffer.h"
#include "core/instrument/FirmwareUpgrade.h"
#include "core/instrument/FlashUpgradeJob.h"
#include "core/instrument/InstrumentCommands.h"
#include "platform/QtHttpClient.h"

#include <QCoreApplication>
#include <QTimer>
#include <chrono>
#include <optional>
#include <thread>

namespace {

constexpr auto kTick = std::chrono::milliseconds(10);

QString ProgressText(const FlashUpgradeJob& job) {
    const qint64 total = job.Total() > 0 ? job.Total() : 1;
    return QStringLiteral("%1 : %2 %").arg(job.Text()).arg(job.Done() * 100 / total);
}

// The window's timer on a terminal. An interrupt is the window's "Annuler": the question is
// asked (or answered by --yes), and the steps wait meanwhile. A step that makes no headway for
// --timeout seconds cancels the upgrade, and the command ends at most --timeout later whatever
// the logger does.
void RunWindow(FlashUpgradeJob& job, const LoggerCommandContext& c) {
    const qint64 limitMs = qint64{c.args.timeoutSeconds} * 1000;
    const Clock& clock = c.link.ClockSource();
    qint64 headwayMs = clock.MonotonicMs();
    std::optional<qint64> cancelledMs;
    auto headway = std::pair(job.CurrentStep(), job.Done());
    while (job.Running()) {
        job.Step();
        c.ui.ShowProgress(ProgressText(job));
        const qint64 now = clock.MonotonicMs();
        if (const auto seen = std::pair(job.CurrentStep(), job.Done()); seen != headway) {
            headway = seen;
            headwayMs = now;
        }
        if (job.Running() && c.link.Interrupted()) {
            c.link.ConsumeInterrupts();
            c.ui.EndProgress();
            if (c.ui.AskYesNo(ResourceString(TextId::kConfirmCancelFirmware))) {
                job.Cancel();
                cancelledMs = clock.MonotonicMs();
            }
        }
        if (job.Running() && !cancelledMs && now - headwayMs >= limitMs) {
            job.Cancel();
            cancelledMs = now;
        }
        if (job.Running() && cancelledMs && now - *cancelledMs >= limitMs)
            break;
        std::this_thread::sleep_for(kTick);
    }
    c.ui.EndProgress();
    if (job.Running())
        c.ui.ShowMessage(ResourceString(TextId::kNotAnswering), MessageIconType::Error);
    else if (job.State() != FlashStateType::Cancelled)
        c.ui.ShowMessage(job.Text(), MessageIconType::Information);
}

UpgradeEndType Upgrade(QByteArrayView hex, const LoggerCommandContext& c) {
    return UpgradeFirmware(c.link.Doc().Monitor(), hex, c.ui, c.link.ClockSource(),
                           [&c](FlashUpgradeJob& job) { RunWindow(job, c); });
}

int StatusOf(UpgradeEndType end) {
    switch (end) {
    case UpgradeEndType::Finished:
        return CliExit::kDone;
    case UpgradeEndType::Cancelled:
        return CliExit::kDeclined;
    case UpgradeEndType::NotStarted:
        return CliExit::kNotNow;
    case UpgradeEndType::Refused:
    case UpgradeEndType::Failed:
        break;
    }
    return CliExit::kRefused;
}

int FlashFile(const LoggerCommandContext& c) {
    return StatusOf(Upgrade(c.hexText, c));
}

int FlashLatest(const LoggerCommandContext& c) {
    QtHttpClient http;
    WebUpdate web(http, c.link.Settings(), c.ui);
    if (!c.args.server.isEmpty())
        web.SetServer(c.args.server);
    FirmwareOffer offer(web, c.ui);
    offer.SetStartupFinished(true);
    std::optional<FirmwareCheckEndType> ended;
    offer.CheckFirmware(
        true, c.link.State(), c.link.Doc().Monitor().ConnectionNumber(),
        [&c](QByteArrayView hex) { return Upgrade(hex, c); },
        [&ended](FirmwareCheckEndType end) {
            ended = end;
            QCoreApplication::exit();
        });
    // The requests' own limits end the wait; Ctrl-C ends it sooner.
    constexpr int kInterruptPollMs = 100;
    QTimer interrupts;
    QObject::connect(&interrupts, &QTimer::timeout, [&] {
        if (!c.link.Interrupted())
            return;
        offer.Cancel();
        QCoreApplication::exit();
    });
    if (!ended) {
        interrupts.start(kInterruptPollMs);
        QCoreApplication::exec();
    }
    if (!ended)
        return CliExit::kDeclined;
    switch (*ended) {
    case FirmwareCheckEndType::UpToDate:
    case FirmwareCheckEndType::Upgraded:
        return CliExit::kDone;
    case FirmwareCheckEndType::Declined:
        // Unanswerable without a terminal or --yes: refused as every other question is.
        return ReportResult(CommandResultType::Declined, c, QString(), CommandBlockerType::None);
    case FirmwareCheckEndType::UpgradeCancelled:
        return CliExit::kDeclined;
    case FirmwareCheckEndType::NoVersions:
        return web.LastFetch() == FetchResultType::Refused ? CliExit::kRefused : CliExit::kNotNow;
    case FirmwareCheckEndType::NoAddress:
        return Refuse(CliExit::kNotNow, ResourceString(TextId::kCliFirmwareWithoutAddress));
    case FirmwareCheckEndType::NotNow:
    case FirmwareCheckEndType::UpgradeNotStarted:
        return CliExit::kNotNow;
    case FirmwareCheckEndType::DownloadFailed:
    case FirmwareCheckEndType::UpgradeRefused:
    case FirmwareCheckEndType::UpgradeFailed:
        break;
    }
    return CliExit::kRefused;
}

} // namespace

int RunFlashCommand(const LoggerCommandContext& c) {
    if (const int refused = RefuseBlocked(FirmwareBlocker(c.link.State())))
        return refused;
    return c.args.latest ? FlashLatest(c) : FlashFile(c);
}
