#include "core/instrument/ControlBlock.h"
#include "core/instrument/EraseProgressModel.h"
#include "core/instrument/InstrumentClock.h"
#include "core/instrument/InstrumentCommands.h"
#include "core/instrument/InstrumentPort.h"
#include "sim/ManualClock.h"
#include "support/ScriptedUserInterface.h"
#include "support/SynchronousPort.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace {

// 2024/03/05 14:07:09 in Paris.
constexpr qint64 kComputerNow = 1709644029;

InstrumentState StateOf(bool connected, qint64 memUsed, bool recording, bool erasing) {
    const QByteArray text = QStringLiteral("Model=4\r\nMemSize=2048000\r\nMemUsed=%1\r\n"
                                           "MemErase=%2\r\nRecordingState=%3\r\n"
                                           "Time=2024/03/05 14:07:09\r\n")
                                .arg(memUsed)
                                .arg(erasing ? 1 : 0)
                                .arg(recording ? 1 : 0)
                                .toLatin1();
    InstrumentState s;
    s.connected = connected;
    s.status.ReadTexts(text.constData(), static_cast<int>(text.size()));
    s.eraseReported = erasing;
    s.modelIndex = 5;
    return s;
}

// Block codes as two hex digits and the document actions, in order.
class RecordingPort final : public SynchronousPort {
public:
    InstrumentState State() const override { return state; }
    qint64 WriteControlBlock(const ControlBlock& block) override {
        blocks.push_back(
            QByteArray(reinterpret_cast<const char*>(block.Data()), ControlBlock::kSize));
        log.append(QString::number(block.Code(), 16).rightJustified(2, u'0'));
        return writeFails ? 0 : ControlBlock::kSize;
    }
    bool LinkIdle() const override { return true; }
    qint64 LinkMemoryUsed() const override { return 0; }
    qint64 ReadRecord(char*, qint64, qint64) override { return 0; }
    void SetBusy(bool) override {}
    void ClearLiveData() override { log.append(QStringLiteral("clear")); }
    void ForgetLastStatus() override { log.append(QStringLiteral("forget")); }

    InstrumentState state = StateOf(true, 0, false, false);
    bool writeFails = false;
    QStringList log;
    std::vector<QByteArray> blocks;
};

// Asks a question and, while it is open, lets the logger change.
class ChangingUserInterface final : public UserInterface {
public:
    ChangingUserInterface(RecordingPort& port, InstrumentState after)
        : port_(port), after_(std::move(after)) {}
    void ShowMessage(const QString&, MessageIconType) override {}
    AnswerType AskYesNoCancel(const QString&) override {
        port_.state = after_;
        return AnswerType::Yes;
    }
    bool AskOkCancel(const QString&) override { return false; }
    QString AskSavePath(const SavePathRequest&) override { return {}; }
    FileExistsChoiceType AskFileExists(const QString&) override {
        return FileExistsChoiceType::Cancel;
    }
    JobEndType RunModalJob(StepJob&, const QString&) override { return JobEndType::Cancelled; }

private:
    RecordingPort& port_;
    InstrumentState after_;
};

QByteArray Block(const char* hex) {
    QByteArray b = QByteArray::fromHex(QByteArray(hex).replace(' ', ""));
    b.resize(ControlBlock::kSize, '\0');
    return b;
}

} // namespace

TEST(InstrumentCommandRules, EnablingFollowsConnectionRecordingErasingAndMemory) {
    using B = CommandBlockerType;
    struct Case {
        const char* name;
        InstrumentState state;
        B configure, download, erase, recording, clock;
    };
    const Case cases[] = {
        {"not connected", StateOf(false, 0, false, false), B::NotConnected, B::NotConnected,
         B::NotConnected, B::NotConnected, B::NotConnected},
        {"idle, empty", StateOf(true, 0, false, false), B::None, B::MemoryEmpty, B::MemoryEmpty,
         B::None, B::None},
        {"idle, data", StateOf(true, 4096, false, false), B::None, B::None, B::None, B::MemoryInUse,
         B::None},
        {"recording", StateOf(true, 4096, true, false), B::Recording, B::None, B::Recording,
         B::None, B::Recording},
        {"erasing", StateOf(true, 4096, false, true), B::Erasing, B::Erasing, B::Erasing,
         B::Erasing, B::Erasing},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ConfigureBlocker(c.state), c.configure);
        EXPECT_EQ(DownloadBlocker(c.state), c.download);
        EXPECT_EQ(EraseBlocker(c.state), c.erase);
        EXPECT_EQ(RecordingBlocker(c.state), c.recording);
        EXPECT_EQ(SetClockBlocker(c.state), c.clock);
    }
}

TEST(InstrumentCommandRules, RecordingCommandStopsOnlyAfterYesAndStartsAtOnce) {
    RecordingPort port;
    ScriptedUserInterface ui;
    port.state = StateOf(true, 4096, true, false);
    EXPECT_EQ(RecordingCommandText(port.state), u"Arrêter l’enregistrement"_qs);
    ui.Answer(AnswerType::No);
    EXPECT_EQ(RecordingCommand(port, ui), CommandResultType::Declined);
    EXPECT_TRUE(port.blocks.empty());
    ASSERT_EQ(ui.Events().size(), 1u);
    EXPECT_EQ(ui.Events()[0].text, u"Êtes-vous sûr de vouloir arrêter l’enregistrement?"_qs);
    ui.Answer(AnswerType::Yes);
    EXPECT_EQ(RecordingCommand(port, ui), CommandResultType::Sent);
    EXPECT_EQ(port.log, QStringList({"05"}));
    EXPECT_EQ(port.blocks[0], Block("55 AA 05 FA 21 43 9E"));

    port.state = StateOf(true, 4096, false, false);
    EXPECT_EQ(RecordingCommandText(port.state), u"Démarrer l’enregistrement"_qs);
    EXPECT_EQ(RecordingCommand(port, ui), CommandResultType::Refused) << "memory not erased";

    port.state = StateOf(true, 0, false, false);
    ui.Forget();
    EXPECT_EQ(RecordingCommand(port, ui), CommandResultType::Sent);
    EXPECT_TRUE(ui.Events().empty()) << "starting asks nothing";
    EXPECT_EQ(port.log, QStringList({"05", "03"}));
    EXPECT_EQ(port.blocks[1], Block("55 AA 03 FC 43 21 9E"));

    // Queued at once; how it ended comes back through the outcome.
    port.writeFails = true;
    const CommandOutcome written;
    EXPECT_EQ(RecordingCommand(port, ui, written.Recorder()), CommandResultType::Sent);
    EXPECT_TRUE(written.Ended());
    EXPECT_FALSE(written.Complete());
}

TEST(InstrumentCommandRules, EraseAsksAndSendsOnce) {
    RecordingPort port;
    port.state = StateOf(true, 4096, false, false);
    ScriptedUserInterface ui;
    ui.Answer(AnswerType::No).Answer(AnswerType::Yes);
    EXPECT_EQ(EraseMemoryCommand(port, ui), CommandResultType::Declined);
    EXPECT_EQ(EraseMemoryCommand(port, ui), CommandResultType::Sent);
    EXPECT_EQ(port.log, QStringList({"02"}));
    EXPECT_EQ(ui.Events()[0].text,
              u"Êtes-vous sûr de vouloir effacer la mémoire de l’instrument?"_qs);

    port.state = StateOf(true, 4096, true, false);
    EXPECT_EQ(EraseMemoryCommand(port, ui), CommandResultType::Refused);
    EXPECT_EQ(port.log.size(), 1);
}

TEST(InstrumentCommandRules, EraseIsNotSentWhenARecordingBeganDuringTheQuestion) {
    RecordingPort port;
    port.state = StateOf(true, 4096, false, false);
    ChangingUserInterface ui(port, StateOf(true, 4096, true, false));
    EXPECT_EQ(EraseMemoryCommand(port, ui), CommandResultType::Refused);
    EXPECT_TRUE(port.blocks.empty());
}

TEST(InstrumentClockSetting, SynchronisedClockSendsTheNextWholeSecond) {
    ManualClock clock(kComputerNow);
    clock.AdvanceMs(300);
    RecordingPort port;
    InstrumentClockSetter setter(port, clock);
    setter.Begin(DateTimeDlgEndType::Synchronise, {});
    EXPECT_TRUE(setter.Pending());
    setter.Tick();
    clock.AdvanceMs(600);
    setter.Tick();
    EXPECT_TRUE(port.blocks.empty()) << "still in the second of the press";
    clock.AdvanceMs(200);
    setter.Tick();
    ASSERT_TRUE(setter.Finished());
    EXPECT_EQ(port.log, QStringList({"01", "clear", "forget"}));
    EXPECT_EQ(port.blocks[0], Block("55 AA 01 FE 65 E7 27 0E 81")) << "2024/03/05 14:07:10";
    EXPECT_TRUE(setter.Result().set);
    EXPECT_EQ(FormatDateTimeText(setter.Result().time), u"2024/03/05 14:07:10"_qs);

    clock.AdvanceSeconds(3);
    setter.Tick();
    setter.Begin(DateTimeDlgEndType::Synchronise, {});
    setter.Tick();
    EXPECT_EQ(port.blocks.size(), 1u) << "one request, one command";
}

TEST(InstrumentClockSetting, PickedDateAndTimeAreSentAtOnceAndCancelSendsNothing) {
    ManualClock clock(kComputerNow);
    DateTimeDlgModel dialog(clock);
    EXPECT_EQ(FormatDateTimeText(dialog.Date()), u"2024/03/05 14:07:09"_qs);
    dialog.SetDate(ParseDateTimeText(QStringLiteral("2024/03/01 00:00:00")));
    dialog.SetTime(ParseDateTimeText(QStringLiteral("1999/01/01 14:07:07")));
    EXPECT_EQ(FormatDateTimeText(dialog.Chosen()), u"2024/03/01 14:07:07"_qs);

    RecordingPort port;
    InstrumentClockSetter setter(port, clock);
    setter.Begin(DateTimeDlgEndType::Ok, dialog.Chosen());
    EXPECT_TRUE(setter.Finished());
    EXPECT_EQ(port.log, QStringList({"01", "clear", "forget"}));
    EXPECT_EQ(port.blocks[0].mid(4, 4), QByteArray::fromHex("65E1E10B"));
    setter.Begin(DateTimeDlgEndType::Ok, dialog.Chosen());
    EXPECT_EQ(port.blocks.size(), 1u);

    RecordingPort cancelled;
    const ClockSetResult none = SetInstrumentClock(
        cancelled, clock, [](DateTimeDlgModel&) { return DateTimeDlgEndType::Cancel; }, nullptr);
    EXPECT_FALSE(none.set);
    EXPECT_TRUE(cancelled.log.isEmpty());
}

TEST(InstrumentClockSetting, SetInstrumentClockSendsWhatTheWindowHeldWhenItClosed) {
    const ManualClock clock(kComputerNow);
    RecordingPort port;
    const ClockSetResult r = SetInstrumentClock(
        port, clock,
        [](DateTimeDlgModel& dialog) {
            const CalendarDateTime chosen =
                ParseDateTimeText(QStringLiteral("2024/03/01 08:00:00"));
            dialog.SetDate(chosen);
            dialog.SetTime(chosen);
            return DateTimeDlgEndType::Ok;
        },
        nullptr);
    EXPECT_TRUE(r.set);
    EXPECT_EQ(FormatDateTimeText(r.time), u"2024/03/01 08:00:00"_qs);
    ASSERT_EQ(port.blocks.size(), 1u);
    EXPECT_EQ(port.blocks[0].mid(4, 4), QByteArray::fromHex("65E18B00"));
}

TEST(InstrumentClockSetting, SetInstrumentClockWaitsForTheNextSecondWhenSynchronising) {
    ManualClock clock(kComputerNow);
    clock.AdvanceMs(990);
    RecordingPort port;
    int pauses = 0;
    const ClockSetResult r = SetInstrumentClock(
        port, clock, [](DateTimeDlgModel&) { return DateTimeDlgEndType::Synchronise; },
        [&] {
            ++pauses;
            clock.AdvanceMs(5);
        });
    EXPECT_TRUE(r.set);
    EXPECT_EQ(pauses, 2);
    EXPECT_EQ(FormatDateTimeText(r.time), u"2024/03/05 14:07:10"_qs);
    EXPECT_EQ(port.blocks.size(), 1u);
}

TEST(EraseProgress, ShowsFreeMemoryAsBarAndPercentage) {
    EraseProgressModel model(2048000);
    InstrumentState s = StateOf(true, 1536000, false, true);
    EXPECT_TRUE(model.Update(s));
    EXPECT_EQ(model.Position(), 512000);
    EXPECT_EQ(model.RangeMaximum(), 2048000);
    EXPECT_EQ(model.Text(), u"25 % terminé."_qs);

    s = StateOf(true, 0, false, false);
    EXPECT_FALSE(model.Update(s)) << "the erase is over: the window closes";
    EXPECT_EQ(model.Text(), u"100 % terminé."_qs);

    s = StateOf(true, 3000000, false, true);
    model.Update(s);
    EXPECT_EQ(model.Position(), 0) << "a nonsense used count stays on the bar";

    EraseProgressModel noSize(0);
    noSize.Update(StateOf(true, 10, false, true));
    EXPECT_EQ(noSize.Text(), u"0 % terminé."_qs);

    ScriptedUserInterface ui;
    EraseProgressModel::Dismiss(ui);
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_EQ(ui.Messages()[0].text,
              u"La mémoire continuera d’être effacée jusqu’à ce que l’effacement soit terminé."_qs);
}
