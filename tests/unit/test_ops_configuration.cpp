#include "core/instrument/ConfigurationModel.h"
#include "core/instrument/ControlBlock.h"
#include "core/instrument/InstrumentPort.h"
#include "core/instrument/RecordingDurations.h"
#include "core/session/ModelTable.h"
#include "sim/ManualClock.h"
#include "support/ScriptedUserInterface.h"
#include "support/SynchronousPort.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace {

// 2024/03/05 14:07:09 in Paris.
constexpr qint64 kComputerNow = 1709644029;

struct LoggerFacts {
    int model = 4;
    qint64 memSize = 2048000;
    qint64 memUsed = 0;
    bool erasing = false;
    bool recording = false;
    QString time = QStringLiteral("2024/03/05 14:07:09");
    QString config = QStringLiteral("Chan1LowScale=00000000\r\nChan1HighScale=0000C842\r\n"
                                    "Chan1Units=mA\r\nTC_Type=J\r\nEnableCJC=0\r\n"
                                    "Polarity=1\r\nFilterSize=4\r\n");
};

InstrumentState StateOf(const LoggerFacts& f) {
    const QByteArray status =
        QStringLiteral("Model=%1\r\nMemSize=%2\r\nMemUsed=%3\r\nMemErase=%4\r\n"
                       "RecordingState=%5\r\nTime=%6\r\n")
            .arg(f.model)
            .arg(f.memSize)
            .arg(f.memUsed)
            .arg(f.erasing ? 1 : 0)
            .arg(f.recording ? 1 : 0)
            .arg(f.time)
            .toLatin1();
    InstrumentState s;
    s.connected = true;
    s.status.ReadTexts(status.constData(), static_cast<int>(status.size()));
    const QByteArray config = f.config.toLatin1();
    s.modelIndex = FindModelEntry(f.model, 0);
    s.config.Read(config.constData(), static_cast<int>(config.size()), s.modelIndex);
    s.eraseReported = f.erasing;
    return s;
}

// Records every block and document action, in order: block codes as two hex digits.
class RecordingPort final : public SynchronousPort {
public:
    explicit RecordingPort(const LoggerFacts& facts = {}) : state(StateOf(facts)) {}

    InstrumentState State() const override { return state; }
    qint64 WriteControlBlock(const ControlBlock& block) override {
        blocks.push_back(
            QByteArray(reinterpret_cast<const char*>(block.Data()), ControlBlock::kSize));
        log.append(QString::number(block.Code(), 16).rightJustified(2, u'0'));
        return ControlBlock::kSize;
    }
    bool LinkIdle() const override { return true; }
    qint64 LinkMemoryUsed() const override { return state.status.MemoryUsed(); }
    qint64 ReadRecord(char*, qint64, qint64) override { return 0; }
    void SetBusy(bool) override {}
    void ClearLiveData() override { log.append(QStringLiteral("clear")); }
    void ForgetLastStatus() override { log.append(QStringLiteral("forget")); }

    InstrumentState state;
    QStringList log;
    std::vector<QByteArray> blocks;
};

QByteArray Block(const char* hex) {
    QByteArray b = QByteArray::fromHex(QByteArray(hex).replace(' ', ""));
    b.resize(ControlBlock::kSize, '\0');
    return b;
}

CalendarDateTime At(const char* text) {
    return ParseDateTimeText(QString::fromLatin1(text));
}

class Configuration : public testing::Test {
protected:
    ManualClock clock{kComputerNow};
};

} // namespace

TEST_F(Configuration, MemoryNeededForEightHoursOneHundredTwentyFiveSecondsAndMaximum) {
    namespace RD = RecordingDurations;
    EXPECT_EQ(RD::MemoryNeededBytes(8 * 3600), 59648);
    EXPECT_EQ(RD::MemoryNeededText(59648), u"60k octets"_qs);
    EXPECT_EQ(RD::MemoryNeededBytes(125), 768);
    EXPECT_EQ(RD::MemoryNeededText(768), u"1k octets"_qs);
    EXPECT_EQ(RD::MemoryNeededBytes(126), 1024) << "a started page counts whole";
    EXPECT_EQ(RD::EntrySeconds(RD::kMaximumEntry, 2048000), 999750);
    EXPECT_EQ(RD::EntrySeconds(RD::kMaximumEntry, 300), 0) << "a tiny memory gives no wrapped span";

    RecordingPort port;
    ConfigurationModel model(port, clock);
    EXPECT_EQ(model.DurationEntry(), 3);
    EXPECT_EQ(RD::EntryText(model.DurationEntry()), u"8 heures"_qs);
    EXPECT_EQ(model.MemoryNeededText(), u"60k octets"_qs);
    EXPECT_EQ(model.TotalText(), u"2048k octets"_qs);
    model.SelectDuration(RD::kMaximumEntry);
    EXPECT_EQ(model.SpanSeconds(), 999750);
    EXPECT_EQ(model.DurationNote(), u"11:13:42:30 (d:h:m:s)"_qs);
    EXPECT_EQ(model.MemorySign(), MemorySignType::Equal) << "the maximum fills the memory exactly";
}

TEST_F(Configuration, DurationListFollowsTheDatesAndTheDatesFollowTheList) {
    namespace RD = RecordingDurations;
    EXPECT_EQ(RD::EntryText(7), u"72 heures"_qs);
    EXPECT_EQ(RD::EntryText(9), u"2 semaines"_qs);

    RecordingPort port;
    ConfigurationModel model(port, clock);
    EXPECT_EQ(model.Start(), At("2024/03/05 14:08:09")) << "instrument clock + 60 s";
    EXPECT_EQ(model.End(), At("2024/03/05 22:08:09"));
    EXPECT_TRUE(model.DurationNote().isEmpty());

    model.SetEnd(At("2024/03/05 15:08:09"));
    EXPECT_EQ(model.DurationEntry(), 0);
    model.SetEnd(At("2024/03/05 15:09:10"));
    EXPECT_EQ(model.DurationEntry(), RD::kNoEntry);
    EXPECT_EQ(model.DurationNote(), u"1:01:01 (h:m:s)"_qs);

    model.SelectDuration(8);
    EXPECT_EQ(model.End(), At("2024/03/12 14:08:09"));

    clock.AdvanceSeconds(3600);
    model.ResetDates();
    EXPECT_EQ(model.Start(), At("2024/03/05 15:07:09")) << "the computer's clock";
    EXPECT_EQ(model.End(), At("2024/03/12 15:07:09"));
}

TEST_F(Configuration, ComparisonSignAndEnablingInTheThreeMemoryCasesAndWhileErasing) {
    struct Case {
        qint64 memSize, memUsed;
        bool erasing;
        const char16_t* sign;
        bool ok, eraseShown, eraseEnabled;
    };
    // Eight hours need 59648 bytes.
    const Case cases[] = {
        {2048000, 0, false, u"<", true, false, false},
        {59648, 0, false, u"=", true, false, false},
        {59647, 0, false, u">", false, true, false},
        {59647, 512, false, u">", false, true, true},
        {59648, 512, true, u">", false, true, false},
        {2048000, 512, true, u"<", true, true, false},
    };
    for (const Case& c : cases) {
        LoggerFacts facts;
        facts.memSize = c.memSize;
        facts.memUsed = c.memUsed;
        facts.erasing = c.erasing;
        RecordingPort port(facts);
        const ConfigurationModel model(port, clock);
        SCOPED_TRACE(testing::Message() << c.memSize << " total, " << c.memUsed << " used"
                                        << (c.erasing ? ", erasing" : ""));
        EXPECT_EQ(model.MemorySignText(), QString::fromUtf16(c.sign));
        EXPECT_EQ(model.OkEnabled(), c.ok);
        EXPECT_EQ(model.EraseShown(), c.eraseShown);
        EXPECT_EQ(model.EraseEnabled(), c.eraseEnabled);
        EXPECT_EQ(model.MemoryNoteShown(), c.memUsed != 0);
        EXPECT_EQ(model.RadiosEnabled(), c.memUsed == 0);
    }
}

TEST_F(Configuration, MemoryInUseAllowsSettingsButNoRecording) {
    LoggerFacts facts;
    facts.memUsed = 4096;
    RecordingPort port(facts);
    ConfigurationModel model(port, clock);
    EXPECT_FALSE(model.SetRecordMode(RecordModeType::Now));
    EXPECT_EQ(model.RecordMode(), RecordModeType::None);
    EXPECT_FALSE(model.DurationListEnabled());
    ASSERT_TRUE(model.Accept().sent);
    EXPECT_EQ(port.log, QStringList({"06", "07", "09", "08", "clear", "forget"}));
}

TEST_F(Configuration, UnitsAreCutToFourCharactersAndOutOfRangeScalesRefused) {
    RecordingPort port;
    ConfigurationModel model(port, clock);
    model.SetUnits(QStringLiteral("Pascal"));
    model.SetScaledHigh(100001);
    const ConfigAcceptResult refused = model.Accept();
    EXPECT_FALSE(refused.sent);
    EXPECT_EQ(refused.message, u"Entrez un nombre compris entre -100000 et 100000."_qs);
    EXPECT_TRUE(port.blocks.empty());

    model.SetScaledLow(-100001);
    model.SetScaledHigh(100);
    EXPECT_FALSE(model.Accept().sent);
    model.SetScaledLow(-100000);
    ASSERT_TRUE(model.Accept().sent);
    ASSERT_FALSE(port.blocks.empty());
    EXPECT_EQ(port.blocks[0],
              Block("55 AA 06 F9 30 30 35 30 43 33 43 37 30 30 30 30 43 38 34 32 50 61 73 63 25"))
        << "-100000 is 0050C3C7; the units go as Pasc";
}

TEST_F(Configuration, ThermocoupleWindowKeepsWhatItCannotShow) {
    LoggerFacts facts;
    facts.model = kThermocoupleModelCode;
    facts.config = QStringLiteral("Chan1LowScale=0024F4C8\r\nTC_Type=B\r\nEnableCJC=1\r\n"
                                  "FilterSize=25\r\n");
    RecordingPort port(facts);
    ConfigurationModel model(port, clock);
    EXPECT_EQ(model.TcButton(), -1) << "B has no button";
    EXPECT_TRUE(model.ColdJunction());
    EXPECT_EQ(model.FilterIndex(), 9) << "the list stops at 10";
    EXPECT_LT(model.ScaledLow(), -100000.0);
    ASSERT_TRUE(model.Accept().sent) << "the hidden scale group is not checked";
    EXPECT_EQ(port.blocks[1], Block("55 AA 07 F8 42 31 8F")) << "B goes back unchanged";
}

TEST_F(Configuration, RecordNowSendsTheSeriesInOrderWithExactBytes) {
    RecordingPort port;
    ConfigurationModel model(port, clock);
    ASSERT_TRUE(model.SetRecordMode(RecordModeType::Now));
    EXPECT_FALSE(model.DatesEditable());
    EXPECT_TRUE(model.DurationListEnabled());
    // The logger's clock has moved on since the window opened.
    port.state.status.time = QStringLiteral("2024/03/05 14:07:09");
    ASSERT_TRUE(model.Accept().sent);

    EXPECT_EQ(port.log, QStringList({"06", "07", "09", "08", "04", "clear", "forget"}));
    ASSERT_EQ(port.blocks.size(), 5u);
    EXPECT_EQ(port.blocks[0],
              Block("55 AA 06 F9 30 30 30 30 30 30 30 30 30 30 30 30 43 38 34 32 6D 41 00 00 33"));
    EXPECT_EQ(port.blocks[1], Block("55 AA 07 F8 4A 30 88"));
    EXPECT_EQ(port.blocks[2], Block("55 AA 09 F6 31 D1"));
    EXPECT_EQ(port.blocks[3], Block("55 AA 08 F7 04 FE"));
    // Start: the instrument clock + 2 s; duration: eight hours.
    EXPECT_EQ(port.blocks[4], Block("55 AA 04 FB 65 E7 27 0F 00 00 70 80 90"));
}

TEST_F(Configuration, ScheduleSendsTheChosenStartAndSpan) {
    RecordingPort port;
    ConfigurationModel model(port, clock);
    ASSERT_TRUE(model.SetRecordMode(RecordModeType::Schedule));
    EXPECT_TRUE(model.DatesEditable());
    model.SetTcButton(1);
    model.SetColdJunction(true);
    model.SetRisingEdge(false);
    model.SetFilterIndex(3);
    model.SetStart(At("2024/03/06 08:00:00"));
    model.SetEnd(At("2024/03/06 20:00:00"));
    EXPECT_EQ(model.DurationEntry(), 4) << "12 heures";
    ASSERT_TRUE(model.Accept().sent);

    EXPECT_EQ(port.log, QStringList({"06", "07", "09", "08", "04", "clear", "forget"}));
    ASSERT_EQ(port.blocks.size(), 5u);
    EXPECT_EQ(port.blocks[1], Block("55 AA 07 F8 4B 31 86"));
    EXPECT_EQ(port.blocks[2], Block("55 AA 09 F6 30 D2"));
    EXPECT_EQ(port.blocks[3], Block("55 AA 08 F7 04 FE"));
    EXPECT_EQ(port.blocks[4], Block("55 AA 04 FB 65 E8 22 80 00 00 A8 C0 AB"));
}

TEST_F(Configuration, ScheduleTooEarlyIsMovedToItsMinimums) {
    RecordingPort port;
    ConfigurationModel model(port, clock);
    ASSERT_TRUE(model.SetRecordMode(RecordModeType::Schedule));
    model.SetStart(At("2024/03/05 14:05:00"));
    model.SetEnd(At("2024/03/05 14:06:00"));
    ASSERT_TRUE(model.Accept().sent);
    EXPECT_EQ(model.Start(), At("2024/03/05 14:08:00")) << "clock + 60 s, seconds cleared";
    EXPECT_EQ(model.End(), At("2024/03/05 14:08:01"));
    const QByteArray& schedule = port.blocks.back();
    EXPECT_EQ(schedule.mid(8, 4), QByteArray::fromHex("00000001"));
}

TEST_F(Configuration, GroupsShownPerKindOfChannel) {
    struct Case {
        int model;
        bool scale, pulse, thermocouple, edge, filter;
    };
    const Case cases[] = {
        {0, true, false, false, false, true},  {4, true, false, false, false, true},
        {5, true, true, false, false, false},  {6, false, false, false, true, false},
        {7, false, false, false, false, true}, {8, false, false, true, false, true},
    };
    for (const Case& c : cases) {
        LoggerFacts facts;
        facts.model = c.model;
        RecordingPort port(facts);
        const ConfigGroups g = ConfigurationModel(port, clock).Groups();
        SCOPED_TRACE(c.model);
        EXPECT_EQ(g.scale, c.scale);
        EXPECT_EQ(g.pulseLabel, c.pulse);
        EXPECT_EQ(g.thermocouple, c.thermocouple);
        EXPECT_EQ(g.edge, c.edge);
        EXPECT_EQ(g.filter, c.filter);
    }
}

TEST_F(Configuration, ClockTextAndTheSetClockButton) {
    LoggerFacts unset;
    unset.time = QStringLiteral("2001/12/31 23:59:59");
    RecordingPort unsetPort(unset);
    EXPECT_EQ(ConfigurationModel(unsetPort, clock).ClockText(),
              u"L’horloge de l’instrument n’a pas été réglée."_qs);

    LoggerFacts behind;
    behind.time = QStringLiteral("2024/03/05 14:05:39");
    RecordingPort behindPort(behind);
    ConfigurationModel model(behindPort, clock);
    EXPECT_EQ(
        model.ClockText(),
        u"L’horloge de l’instrument diffère de l’horloge de cet ordinateur par -1:30 (m:s)."_qs);
    EXPECT_TRUE(model.SetClockEnabled());

    // The logger was 90 s behind: its start, 60 s after its clock, is now in the past.
    const qint64 span = model.SpanSeconds();
    model.ClockWasSet(At("2024/03/05 14:07:09"));
    EXPECT_TRUE(model.ClockText().isEmpty());
    EXPECT_EQ(model.Start(), At("2024/03/05 14:08:09"));
    EXPECT_EQ(model.SpanSeconds(), span);
}

TEST_F(Configuration, EraseFromTheWindowIsSentOnceAndWatchedToItsEnd) {
    LoggerFacts facts;
    facts.memUsed = 8192;
    RecordingPort port(facts);
    ConfigurationModel model(port, clock);
    ScriptedUserInterface ui;
    ui.Answer(AnswerType::No);
    EXPECT_FALSE(model.StartErase(ui));
    EXPECT_TRUE(port.blocks.empty());
    ASSERT_EQ(ui.EventsOf(ScriptedUserInterface::KindType::YesNoCancel).size(), 1u);
    EXPECT_EQ(ui.Events().back().text,
              u"Êtes-vous sûr de vouloir effacer la mémoire de l’instrument?"_qs);

    ui.Answer(AnswerType::Yes);
    ASSERT_TRUE(model.StartErase(ui));
    EXPECT_EQ(port.log, QStringList({"02"}));
    EXPECT_EQ(port.blocks[0], Block("55 AA 02 FD 12 34 BC"));
    const auto expectLocked = [&] {
        EXPECT_TRUE(model.EraseWatchRunning());
        EXPECT_EQ(model.MemorySignText(), u">"_qs);
        EXPECT_FALSE(model.OkEnabled());
        EXPECT_FALSE(model.SetClockEnabled());
        EXPECT_TRUE(model.EraseShown());
        EXPECT_FALSE(model.EraseEnabled());
        EXPECT_TRUE(model.MemoryNoteShown());
    };
    expectLocked();
    EXPECT_FALSE(model.StartErase(ui)) << "a second press while watching sends nothing";

    model.EraseWatchTick();
    expectLocked();
    port.state.status.memErase = QStringLiteral("1");
    port.state.eraseReported = true;
    port.state.status.memUsed = QStringLiteral("0");
    for (int i = 0; i < 5; ++i)
        model.EraseWatchTick();
    expectLocked();

    port.state.status.memErase = QStringLiteral("0");
    port.state.eraseReported = false;
    model.EraseWatchTick();
    EXPECT_FALSE(model.EraseWatchRunning());
    EXPECT_EQ(model.MemorySignText(), u"<"_qs);
    EXPECT_TRUE(model.OkEnabled());
    EXPECT_TRUE(model.SetClockEnabled());
    EXPECT_FALSE(model.EraseShown());
    EXPECT_TRUE(model.RadiosEnabled());
    EXPECT_EQ(port.log, QStringList({"02"})) << "EraseMemory goes out once";
}

TEST_F(Configuration, EraseThatNeverStartsReleasesTheWindow) {
    LoggerFacts facts;
    facts.memUsed = 8192;
    RecordingPort port(facts);
    ConfigurationModel model(port, clock);
    ScriptedUserInterface ui;
    ui.Answer(AnswerType::Yes);
    ASSERT_TRUE(model.StartErase(ui));
    for (int i = 0; i < 39; ++i) {
        clock.AdvanceMs(ConfigurationModel::kEraseWatchIntervalMs);
        model.EraseWatchTick();
    }
    EXPECT_TRUE(model.EraseWatchRunning());
    clock.AdvanceMs(ConfigurationModel::kEraseWatchIntervalMs);
    model.EraseWatchTick();
    EXPECT_FALSE(model.EraseWatchRunning());
    EXPECT_TRUE(model.EraseEnabled()) << "the user may try again";
    EXPECT_EQ(port.log, QStringList({"02"}));
}

TEST_F(Configuration, QuickEraseUnseenByTheDocumentStillEndsTheWatch) {
    LoggerFacts facts;
    facts.memUsed = 8192;
    RecordingPort port(facts);
    ConfigurationModel model(port, clock);
    ScriptedUserInterface ui;
    ui.Answer(AnswerType::Yes);
    ASSERT_TRUE(model.StartErase(ui));
    port.state.status.memUsed = QStringLiteral("0");
    model.EraseWatchTick();
    EXPECT_FALSE(model.EraseWatchRunning());
    EXPECT_TRUE(model.RadiosEnabled());
}
