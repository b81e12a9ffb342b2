#include "cli/ControlCommands.h"

#include "cli/InstrumentArguments.h"
#include "cli/InstrumentConnection.h"
#include "cli/LoggerCommandResult.h"
#include "cli/TerminalUserInterface.h"
#include "core/common/StringTable.h"
#include "core/doc/CVexloDoc.h"
#include "core/instrument/CInstrumentMonitor.h"
#include "core/instrument/ConfigurationModel.h"
#include "core/instrument/EraseProgressModel.h"
#include "core/instrument/InstrumentClock.h"

#include <optional>

namespace {

// The monitor opens and closes the erase window as the logger reports its erase; here the
// window is its model, shown as a line of text.
class EraseWindow final : public InstrumentHooks {
public:
    bool IsEraseWindowShowing() const override { return progress_.has_value(); }
    void OpenEraseWindow(int64_t memorySize) override {
        progress_.emplace(memorySize);
        opened_ = true;
    }
    void CloseEraseWindow() override { progress_.reset(); }
    void CheckFirmware() override {}

    bool Opened() const { return opened_; }
    EraseProgressModel* Progress() { return progress_ ? &*progress_ : nullptr; }

private:
    std::optional<EraseProgressModel> progress_;
    bool opened_ = false;
};

// A queued command, once the link has written or refused it.
CommandResultType Written(CommandResultType queued, const CommandOutcome& written,
                          const LoggerCommandContext& c) {
    if (queued != CommandResultType::Sent)
        return queued;
    c.link.PumpCommands();
    return written.Complete() ? CommandResultType::Sent : CommandResultType::WriteFailed;
}

// Follows an erase that was just sent until the logger reports it finished.
int FollowErase(const LoggerCommandContext& c) {
    CInstrumentMonitor& monitor = c.link.Doc().Monitor();
    EraseWindow window;
    monitor.SetHooks(&window);
    const Clock& clock = c.link.ClockSource();
    const qint64 sentAt = clock.MonotonicMs();
    const qint64 giveUpMs = qint64{c.args.timeoutSeconds} * 1000;
    // An erase whose free memory stops growing is given up rather than followed for ever.
    qint64 lastFree = -1;
    qint64 lastProgressAt = sentAt;
    int status = CliExit::kDone;
    for (;;) {
        c.link.Pump();
        if (c.link.Interrupted()) {
            // As when the erase window is closed: the logger goes on without it.
            EraseProgressModel::Dismiss(c.ui);
            status = CliExit::kDeclined;
            break;
        }
        const InstrumentState s = c.link.State();
        if (!s.connected) {
            status =
                Refuse(CliExit::kRefused, ResourceString(TextId::kCliDisconnectedWhileErasing));
            break;
        }
        if (EraseProgressModel* progress = window.Progress()) {
            const bool erasing = progress->Update(s);
            c.ui.ShowProgress(progress->Text());
            if (!erasing)
                break;
            if (progress->Position() != lastFree) {
                lastFree = progress->Position();
                lastProgressAt = clock.MonotonicMs();
            } else if (clock.MonotonicMs() - lastProgressAt >= giveUpMs) {
                status = Refuse(CliExit::kRefused,
                                FormatResource(TextId::kCliEraseStalled,
                                               {QString::number(c.args.timeoutSeconds)}));
                break;
            }
        } else if (window.Opened()) {
            break;
        } else if (!s.MemoryInUse() && !s.Erasing()) {
            // A quick erase may come and go between two processed statuses.
            break;
        } else if (clock.MonotonicMs() - sentAt >= ConfigurationModel::kEraseStartTimeoutMs) {
            status = Refuse(CliExit::kRefused, ResourceString(TextId::kCliEraseNotStarted));
            break;
        }
    }
    monitor.SetHooks(nullptr);
    c.ui.EndProgress();
    if (status == CliExit::kDone)
        PrintLine(ResourceString(TextId::kCliMemoryErased));
    return status;
}

} // namespace

int RunRecordCommand(const LoggerCommandContext& c, bool start) {
    const InstrumentState state = c.link.State();
    // The desktop's one command toggles; here the user names the way wanted.
    if (start && state.Recording())
        return Refuse(CliExit::kNotNow, ResourceString(TextId::kCliAlreadyRecording));
    if (!start && !state.Recording())
        return Refuse(CliExit::kNotNow, ResourceString(TextId::kCliNotRecording));
    if (const int refused = RefuseBlocked(RecordingBlocker(state)))
        return refused;
    const QString text = RecordingCommandText(state);
    const CommandOutcome written;
    const CommandResultType result = RecordingCommand(c.link.Port(), c.ui, written.Recorder());
    return ReportResult(Written(result, written, c), c,
                        FormatResource(TextId::kCliCommandSent, {text}),
                        RecordingBlocker(c.link.State()));
}

int RunClockCommand(const LoggerCommandContext& c) {
    if (const int refused = RefuseBlocked(SetClockBlocker(c.link.State())))
        return refused;
    const ClockSetResult result = SetInstrumentClock(
        c.link.Port(), c.link.ClockSource(),
        [&c](DateTimeDlgModel& window) {
            if (const auto& time = c.args.clockTime) {
                window.SetDate(*time);
                window.SetTime(*time);
            }
            return c.args.synchronise ? DateTimeDlgEndType::Synchronise : DateTimeDlgEndType::Ok;
        },
        [&c] { c.link.Pump(); });
    if (!result.set)
        return Refuse(CliExit::kRefused, result.problem.isEmpty()
                                             ? ResourceString(TextId::kCliNoSuchTime)
                                             : result.problem);
    PrintLine(FormatResource(TextId::kCliClockSet, {FormatDateTimeText(result.time)}));
    return CliExit::kDone;
}

int RunEraseCommand(const LoggerCommandContext& c) {
    if (const int refused = RefuseBlocked(EraseBlocker(c.link.State())))
        return refused;
    const CommandOutcome written;
    const CommandResultType result = EraseMemoryCommand(c.link.Port(), c.ui, written.Recorder());
    const int status =
        ReportResult(Written(result, written, c), c, ResourceString(TextId::kCliEraseCommandSent),
                     EraseBlocker(c.link.State()));
    if (status != CliExit::kDone || !c.args.waitForErase)
        return status;
    return FollowErase(c);
}
