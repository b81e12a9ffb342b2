#include "core/common/CalendarDateTime.h"
#include "core/common/Temperature.h"
#include "core/session/ModelTable.h"
#include "core/session/SessionFile.h"
#include "sim/LoggerEmulator.h"
#include "sim/ManualClock.h"
#include "support/SessionTestSupport.h"

#include <QStringList>
#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

namespace {

constexpr qint64 kWall = 1709643600; // 2024-03-05 13:00:00 UTC

// A command block laid out by hand: marker, code, complement, payload, checksum.
std::vector<std::uint8_t> Block(std::uint8_t code, std::vector<std::uint8_t> payload) {
    std::vector<std::uint8_t> b(512, 0);
    b[0] = 0x55;
    b[1] = 0xAA;
    b[2] = code;
    b[3] = static_cast<std::uint8_t>(0xFF - code);
    std::copy(payload.begin(), payload.end(), b.begin() + 4);
    unsigned sum = 0;
    for (std::size_t i = 0; i < 4 + payload.size(); ++i)
        sum += b[i];
    b[4 + payload.size()] = static_cast<std::uint8_t>(-sum & 0xFF);
    return b;
}

std::vector<std::uint8_t> Be32(qint64 v) {
    return {static_cast<std::uint8_t>(v >> 24), static_cast<std::uint8_t>(v >> 16),
            static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)};
}

std::vector<std::uint8_t> Concat(std::vector<std::uint8_t> a, const std::vector<std::uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const auto kStart = Block(0x03, {0x43, 0x21});
const auto kStop = Block(0x05, {0x21, 0x43});
const auto kErase = Block(0x02, {0x12, 0x34});
const auto kEnterFlash = Block(0x40, {0x57, 0x75});
const auto kEndFlash = Block(0x42, {0x75, 0x57});

qint64 InstrumentSeconds(int y, int mo, int d, int h, int mi, int s) {
    return CalendarDateTime::FromFields(y, mo, d, h, mi, s)
        .SecondsSince(CalendarDateTime::FromFields(1970, 1, 1, 0, 0, 0));
}

class Logger {
public:
    explicit Logger(int model, qint64 memory = 2048000, const LoggerFaults& faults = {})
        : logger_(clock_, Settings(model, memory, faults)) {
        logger_.Advance();
    }
    CommandOutcomeType Send(const std::vector<std::uint8_t>& block) {
        logger_.Advance();
        return logger_.HandleCommand(block.data());
    }
    void Wait(qint64 seconds) {
        clock_.AdvanceSeconds(seconds);
        logger_.Advance();
    }
    void WaitMs(qint64 ms) {
        clock_.AdvanceMs(ms);
        logger_.Advance();
    }
    QString Status(const char* key) const {
        return FindHeaderValue(QString::fromLatin1(logger_.StatusText()), QString::fromLatin1(key));
    }
    QString Config(const char* key) const {
        return FindHeaderValue(QString::fromLatin1(logger_.ConfigText()), QString::fromLatin1(key));
    }
    qint64 StatusNumber(const char* key) const { return Status(key).toLongLong(); }
    std::unique_ptr<CRecSession> Session() const { return ReadImage(logger_.RecordBytes()); }
    LoggerEmulator& operator*() { return logger_; }
    LoggerEmulator* operator->() { return &logger_; }

private:
    static LoggerSettings Settings(int model, qint64 memory, const LoggerFaults& faults) {
        LoggerSettings s;
        s.faults = faults;
        s.modelCode = model;
        s.serialNumber = QStringLiteral("SN4711");
        s.memorySize = memory;
        return s;
    }
    ManualClock clock_{kWall, 5000};
    LoggerEmulator logger_;
};

std::vector<std::uint8_t> CodePage(std::uint32_t address, std::uint8_t fill) {
    std::vector<std::uint8_t> p = {static_cast<std::uint8_t>(address >> 16),
                                   static_cast<std::uint8_t>(address >> 8),
                                   static_cast<std::uint8_t>(address)};
    p.resize(3 + 256, fill);
    return Block(0x41, p);
}

struct RangeCase {
    int model;
    double low;
    double high;
};

std::pair<double, double> MinMax(const ValueView& v) {
    const auto [lo, hi] = std::minmax_element(v.begin(), v.end());
    return {*lo, *hi};
}

} // namespace

// The recording is a session file as the logger writes it: the program's own reader takes it.
TEST(LoggerEmulatorRecording, LinearModelsRecordValuesInsideTheirRange) {
    for (const RangeCase c : {RangeCase{0, 0, 100}, RangeCase{1, 0, 1}, RangeCase{3, 0, 50},
                              RangeCase{4, 4, 20}, RangeCase{9, 0, 5}}) {
        Logger logger(c.model);
        ASSERT_EQ(logger.Send(kStart), CommandOutcomeType::Done);
        logger.Wait(299);
        ASSERT_EQ(logger.Send(kStop), CommandOutcomeType::Done);
        const auto session = logger.Session();
        ASSERT_TRUE(session) << c.model;
        EXPECT_TRUE(session->IsInstrumentFile());
        EXPECT_EQ(session->ModelCode(), c.model);
        EXPECT_EQ(session->SerialNumber(), u"SN4711"_qs);
        EXPECT_EQ(session->HeaderSize(), 512);
        const auto& values = session->ChanData().FirstRecord().Values();
        ASSERT_EQ(values.size(), 300u) << c.model;
        const auto [lo, hi] = MinMax(values);
        EXPECT_GE(lo, c.low) << c.model;
        EXPECT_LE(hi, c.high) << c.model;
        EXPECT_GT(hi - lo, (c.high - c.low) * 0.05) << "a wave, not a constant: " << c.model;
    }
}

TEST(LoggerEmulatorRecording, TemperatureModelsGiveSensibleDegrees) {
    {
        Logger rtd(7);
        rtd.Send(kStart);
        rtd.Wait(199);
        const auto session = rtd.Session();
        ASSERT_TRUE(session);
        const auto [lo, hi] = MinMax(session->ChanData().FirstRecord().Values());
        EXPECT_GT(lo, 5.0);
        EXPECT_LT(hi, 35.0);
    }
    for (const char letter : {'K', 'J', 'S', 'B'}) {
        Logger tc(8);
        ASSERT_EQ(tc.Send(Block(0x07, {static_cast<std::uint8_t>(letter), '1'})),
                  CommandOutcomeType::Done);
        tc.Send(kStart);
        tc.Wait(199);
        const auto session = tc.Session();
        ASSERT_TRUE(session);
        EXPECT_EQ(session->TcIndex(), TcLetterToIndex(QString(QChar(letter))));
        EXPECT_TRUE(session->Cjc());
        const auto& record = session->ChanData().FirstRecord();
        EXPECT_EQ(record.RawCounts().size(), 100u) << "one pair every 2 s";
        const auto [lo, hi] = MinMax(record.Values());
        const double mid = letter == 'B' ? 700 : letter == 'S' ? 400 : 150;
        EXPECT_GT(lo, mid * 0.6) << letter;
        EXPECT_LT(hi, mid * 1.4) << letter;
    }
}

TEST(LoggerEmulatorRecording, PulseAndEventModels) {
    Logger pulse(5);
    pulse.Send(kStart);
    pulse.Wait(299);
    const auto pulses = pulse.Session();
    ASSERT_TRUE(pulses);
    const auto [lo, hi] = MinMax(pulses->ChanData().FirstRecord().Values());
    EXPECT_GE(lo, 0.0);
    EXPECT_LE(hi, 12.0);

    Logger event(6);
    event.Send(kStart);
    event.Wait(119);
    const auto events = event.Session();
    ASSERT_TRUE(events);
    EXPECT_EQ(events->ChanData().FirstRecord().RawCounts().size(), 120u) << "one word a second";
    const auto& list = events->ChanData().Events();
    ASSERT_GE(list.size(), 8u);
    // The first and last runs may be cut by the start and end of the recording.
    for (std::size_t i = 1; i + 1 < list.size(); ++i) {
        const SessionEvent& e = list[i];
        EXPECT_GT(e.LengthInSeconds(), 1.0);
        EXPECT_LT(e.LengthInSeconds(), 5.0);
    }
}

TEST(LoggerEmulatorRecording, MemoryUsedCountsHeaderAndBegunBlocks) {
    Logger logger(2);
    EXPECT_EQ(logger.StatusNumber("MemUsed="), 0);
    logger.Send(kStart);
    EXPECT_EQ(logger.StatusNumber("RecordingState="), 1);
    EXPECT_EQ(logger.StatusNumber("MemUsed="), 512 + 256) << "the first sample is taken at once";
    logger.Wait(124);
    EXPECT_EQ(logger->SampleCount(), 125);
    EXPECT_EQ(logger.StatusNumber("MemUsed="), 768);
    logger.Wait(1);
    EXPECT_EQ(logger.StatusNumber("MemUsed="), 1024);
    EXPECT_EQ(logger->RecordBytes().size(), 1024);
}

TEST(LoggerEmulatorRecording, StopsWhenTheMemoryIsFull) {
    Logger logger(2, 512 + 2 * 256);
    logger.Send(kStart);
    logger.Wait(1000);
    EXPECT_EQ(logger->SampleCount(), 250);
    EXPECT_EQ(logger.StatusNumber("RecordingState="), 0);
    EXPECT_EQ(logger.StatusNumber("MemUsed="), 1024);
    EXPECT_EQ(logger.Send(kStart), CommandOutcomeType::Refused) << "memory must be erased first";
    const auto session = logger.Session();
    ASSERT_TRUE(session);
    EXPECT_EQ(session->ChanData().ValueCount(), 250);
}

TEST(LoggerEmulatorSchedule, WaitsThenRecordsForTheDuration) {
    Logger logger(0);
    const qint64 now = InstrumentSeconds(2024, 3, 5, 14, 0, 0);
    logger.Send(Block(0x01, Be32(now)));
    ASSERT_EQ(logger.Send(Block(0x04, Concat(Be32(now + 100), Be32(50)))),
              CommandOutcomeType::Done);
    EXPECT_EQ(logger.StatusNumber("RecordingState="), 2) << "waiting counts as recording";
    EXPECT_EQ(logger.Status("RecStart="), u"2024/03/05 14:01:40"_qs);
    EXPECT_EQ(logger.Status("RecEnd="), u"2024/03/05 14:02:30"_qs);
    EXPECT_EQ(logger.StatusNumber("RecDur="), 50);
    logger.Wait(99);
    EXPECT_EQ(logger.StatusNumber("MemUsed="), 0);
    // One long step: the logger catches up on what it would have done meanwhile.
    logger.Wait(30);
    EXPECT_EQ(logger.StatusNumber("RecordingState="), 1);
    EXPECT_EQ(logger->SampleCount(), 30);
    logger.Wait(100);
    EXPECT_EQ(logger.StatusNumber("RecordingState="), 0);
    EXPECT_EQ(logger->SampleCount(), 50);
    const auto session = logger.Session();
    ASSERT_TRUE(session);
    EXPECT_EQ(session->HeaderValue(HeaderKeyType::Start), u"2024/03/05 14:01:40"_qs);
}

TEST(LoggerEmulatorSchedule, StopCancelsAWaitingSchedule) {
    Logger logger(0);
    const qint64 now = logger->InstrumentSeconds();
    logger.Send(Block(0x04, Concat(Be32(now + 60), Be32(3600))));
    EXPECT_EQ(logger.Send(kStop), CommandOutcomeType::Done);
    logger.Wait(120);
    EXPECT_EQ(logger.StatusNumber("RecordingState="), 0);
    EXPECT_EQ(logger.StatusNumber("MemUsed="), 0);
}

TEST(LoggerEmulatorErase, TakesTimeAndMemoryUsedFallsToZero) {
    Logger logger(1);
    logger.Send(kStart);
    logger.Wait(999);
    EXPECT_EQ(logger.Send(kErase), CommandOutcomeType::Refused) << "not while recording";
    logger.Send(kStop);
    const qint64 used = logger.StatusNumber("MemUsed=");
    ASSERT_GT(used, 0);
    ASSERT_EQ(logger.Send(kErase), CommandOutcomeType::Done);
    EXPECT_EQ(logger.StatusNumber("MemErase="), 1);
    qint64 last = used;
    int steps = 0;
    while (logger.StatusNumber("MemErase=") == 1 && steps < 100) {
        logger.WaitMs(250);
        const qint64 now = logger.StatusNumber("MemUsed=");
        EXPECT_LE(now, last);
        last = now;
        ++steps;
    }
    EXPECT_GE(steps, 8) << "at least two seconds";
    EXPECT_LE(steps, 17) << "at most about four seconds";
    EXPECT_EQ(logger.StatusNumber("MemUsed="), 0);
    EXPECT_TRUE(logger->RecordBytes().isEmpty());
    EXPECT_EQ(logger.Send(kStart), CommandOutcomeType::Done);
}

TEST(LoggerEmulatorCommands, MalformedBlocksAreIgnored) {
    Logger logger(0);
    auto badChecksum = kStart;
    badChecksum[6] ^= 1;
    auto badComplement = kStart;
    badComplement[3] = 0xFB;
    auto badMarker = kStart;
    badMarker[0] = 0x54;
    const auto wrongConstant = Block(0x03, {0x43, 0x22});
    const auto unknownCode = Block(0x0A, {0x01});
    for (const auto& block : {badChecksum, badComplement, badMarker, wrongConstant, unknownCode})
        EXPECT_EQ(logger.Send(block), CommandOutcomeType::Invalid);
    EXPECT_EQ(logger.StatusNumber("RecordingState="), 0);
    EXPECT_EQ(logger.Send(Block(0x09, {'x'})), CommandOutcomeType::Refused);
    EXPECT_EQ(logger.Send(Block(0x07, {'Q', '1'})), CommandOutcomeType::Refused);
    EXPECT_EQ(logger.Send(Block(0x08, {0})), CommandOutcomeType::Refused);
    EXPECT_EQ(logger.Config("FilterSize="), u"1"_qs);
}

TEST(LoggerEmulatorCommands, SetClockTakesLocalWallTimeAsUtcSeconds) {
    Logger logger(0);
    const CalendarDateTime local = CalendarDateTime::FromLocalTimeStamp(kWall);
    EXPECT_EQ(logger.Status("Time="), FormatDateTimeText(local)) << "starts at local time";

    // 1000000000 travels as 3B 9A CA 00 with checksum 0x63.
    std::vector<std::uint8_t> block(512, 0);
    const std::uint8_t head[] = {0x55, 0xAA, 0x01, 0xFE, 0x3B, 0x9A, 0xCA, 0x00, 0x63};
    std::copy(std::begin(head), std::end(head), block.begin());
    ASSERT_EQ(logger.Send(block), CommandOutcomeType::Done);
    EXPECT_EQ(logger.Status("Time="), u"2001/09/09 01:46:40"_qs);
    EXPECT_EQ(logger.Config("Time="), u"2001/09/09 01:46:40"_qs);
    logger.WaitMs(61500);
    EXPECT_EQ(logger.Status("Time="), u"2001/09/09 01:47:41"_qs);
}

TEST(LoggerEmulatorCommands, ConfigurationReachesTextsAndRecordingHeader) {
    Logger logger(4);
    EXPECT_EQ(logger.Config("Chan1LowScale="), EncodeScaleText(4.0f)) << "the input range";
    EXPECT_EQ(logger.Config("Chan1HighScale="), EncodeScaleText(20.0f));
    // 0.0 to 100.0, units "bar" followed by its zero byte.
    auto payload = std::vector<std::uint8_t>{'0', '0', '0', '0', '0', '0', '0', '0', '0', '0',
                                             '0', '0', 'C', '8', '4', '2', 'b', 'a', 'r', 0};
    ASSERT_EQ(logger.Send(Block(0x06, payload)), CommandOutcomeType::Done);
    ASSERT_EQ(logger.Send(Block(0x08, {4})), CommandOutcomeType::Done);
    ASSERT_EQ(logger.Send(Block(0x09, {'0'})), CommandOutcomeType::Done);
    EXPECT_EQ(logger.Config("Chan1LowScale="), u"00000000"_qs);
    EXPECT_EQ(logger.Config("Chan1HighScale="), u"0000C842"_qs);
    EXPECT_EQ(logger.Config("Chan1Units="), u"bar"_qs);
    EXPECT_EQ(logger.Config("FilterSize="), u"4"_qs);
    EXPECT_EQ(logger.Config("Polarity="), u"0"_qs);

    logger.Send(kStart);
    logger.Wait(20);
    const auto session = logger.Session();
    ASSERT_TRUE(session);
    EXPECT_FLOAT_EQ(session->HighScale(), 100.0f);
    EXPECT_EQ(session->DisplayUnits(), u"bar"_qs);
    EXPECT_EQ(session->FilterSize(), 4);
    for (const double v : session->ChanData().FirstRecord().Values()) {
        EXPECT_GE(v, 0.0);
        EXPECT_LE(v, 100.0);
    }
}

TEST(LoggerEmulatorFlash, PagesAreAcknowledgedInTheMap) {
    Logger logger(0);
    EXPECT_EQ(logger.Status("FlashUpState="), u"0"_qs);
    EXPECT_EQ(logger->ControlReadBack(), QByteArray(512, '\0'));
    ASSERT_EQ(logger.Send(kEnterFlash), CommandOutcomeType::Done);
    EXPECT_EQ(logger.Status("FlashUpState="), u"1"_qs);
    EXPECT_EQ(logger.Send(kStart), CommandOutcomeType::Refused) << "nothing else in flash mode";

    const auto page = CodePage;
    EXPECT_EQ(logger.Send(page(0x000000, 0x11)), CommandOutcomeType::Done);
    EXPECT_EQ(logger.Send(page(0x000100, 0x22)), CommandOutcomeType::Done);
    EXPECT_EQ(logger.Send(page(0x000800, 0x33)), CommandOutcomeType::Done);
    EXPECT_EQ(logger.Send(page(0x0FFF00, 0x44)), CommandOutcomeType::Done) << "the last page";
    EXPECT_EQ(logger.Send(page(0x100000, 0x55)), CommandOutcomeType::Refused) << "past the map";
    logger->Flash().DropNextPages(1);
    EXPECT_EQ(logger.Send(page(0x000200, 0x66)), CommandOutcomeType::Refused);

    const QByteArray map = logger->ControlReadBack();
    ASSERT_EQ(map.size(), 512);
    EXPECT_EQ(static_cast<std::uint8_t>(map[0]), 0x03) << "pages 0 and 1, not the lost page 2";
    EXPECT_EQ(static_cast<std::uint8_t>(map[1]), 0x01);
    EXPECT_EQ(static_cast<std::uint8_t>(map[511]), 0x80);
    EXPECT_EQ(logger->Flash().Image().at(0x100), 0x22);

    ASSERT_EQ(logger.Send(kEndFlash), CommandOutcomeType::Done);
    EXPECT_EQ(logger.Status("FlashUpState="), u"0"_qs);
    EXPECT_EQ(logger->ControlReadBack(), QByteArray(512, '\0'));
    EXPECT_EQ(logger.Send(page(0, 0)), CommandOutcomeType::Refused);
}

TEST(LoggerEmulatorTexts, IdentifyTheLoggerAndFitOneSector) {
    for (int model = 0; model <= 9; ++model) {
        Logger logger(model);
        logger.Send(kStart);
        logger.Wait(3);
        for (const QByteArray& text : {logger->StatusText(), logger->ConfigText()}) {
            EXPECT_LT(text.size(), 480) << model;
            EXPECT_TRUE(text.endsWith("\r\n"));
            EXPECT_EQ(text.count("\r\n"), text.count('\n')) << "CR LF lines only";
        }
        EXPECT_EQ(logger.Status("CodePageSize="), u"256"_qs);
        EXPECT_EQ(logger.Status("NumCodePages="), u"4096"_qs);
        EXPECT_EQ(logger.StatusNumber("Model="), model);
        EXPECT_EQ(logger.Status("SerNum="), u"SN4711"_qs);
        EXPECT_EQ(logger.StatusNumber("MemSize="), 2048000);
        EXPECT_TRUE(ParseDateTimeText(logger.Status("RecStart=")).valid);
        EXPECT_TRUE(ParseDateTimeText(logger.Config("Time=")).valid);
        for (const char* key : {"Version=", "RecEnd=", "RecDur=", "MemErase=", "Chan1Mult=",
                                "Chan1Cnt=", "BatCnt=", "RTDCnt=", "FlashUpState="})
            EXPECT_FALSE(logger.Status(key).isEmpty()) << key;
        for (const char* key : {"Chan1LowScale=", "Chan1HighScale=", "TC_Type=", "EnableCJC=",
                                "Polarity=", "FilterSize="})
            EXPECT_FALSE(logger.Config(key).isEmpty()) << key;
    }
}

// The live values convert the way the program converts them.
TEST(LoggerEmulatorTexts, LiveCountsAreConsistentWithTheReportedConstants) {
    Logger logger(2);
    logger.Wait(1);
    const double perCount = logger.Status("VRef=").toDouble() / logger.Status("MaxCnt=").toDouble();
    const double volts =
        logger.StatusNumber("Chan1Cnt=") * logger.Status("Chan1Mult=").toDouble() * perCount;
    EXPECT_GT(volts, 0.0);
    EXPECT_LT(volts, 10.0);
    const double battery = logger.StatusNumber("BatCnt=") * perCount * 3.0;
    EXPECT_NEAR(battery, 3.55, 0.05);
    const double n = static_cast<double>(logger.StatusNumber("RTDCnt="));
    const double ohms =
        n * logger.Status("RTDRef=").toDouble() / (logger.Status("MaxCnt=").toDouble() - n);
    EXPECT_NEAR(RtdResistanceToCelsius(logger.Status("RTDNom=").toDouble(), ohms), 22.0, 2.0)
        << "room temperature";

    const QString before = logger.Status("Chan1Cnt=");
    bool changed = false;
    for (int i = 0; i < 10 && !changed; ++i) {
        logger.Wait(1);
        changed = logger.Status("Chan1Cnt=") != before;
    }
    EXPECT_TRUE(changed) << "the live count follows the signal";
}

TEST(LoggerEmulatorClock, SpeedFactorRunsTheInstrumentClockFaster) {
    ManualClock clock(kWall, 0);
    LoggerSettings settings;
    settings.speed = 60.0;
    LoggerEmulator logger(clock, settings);
    logger.Advance();
    const qint64 start = logger.InstrumentSeconds();
    clock.AdvanceSeconds(10);
    logger.Advance();
    EXPECT_EQ(logger.InstrumentSeconds() - start, 600);
    logger.SetSpeed(1.0);
    clock.AdvanceSeconds(10);
    logger.Advance();
    EXPECT_EQ(logger.InstrumentSeconds() - start, 610);
}

// The logger --simulate starts: a finished recording of a few hours ending as it starts.
TEST(LoggerEmulatorDemo, HoldsAFinishedRecordingOfItsModelsSignal) {
    struct DemoCase {
        int model;
        std::size_t samples; // three hours at the model's interval
        double low;
        double high;
    };
    for (const DemoCase c :
         {DemoCase{2, 10800, 0, 10}, DemoCase{4, 10800, 4, 20}, DemoCase{8, 5400, -20, 400}}) {
        ManualClock clock{kWall, 5000};
        LoggerEmulator logger(clock, DemoLoggerSettings(c.model));
        logger.Advance();
        EXPECT_EQ(logger.Phase(), RecordingPhaseType::Finished) << c.model;
        EXPECT_EQ(logger.RecordingState(), 0) << "nothing left running: " << c.model;
        EXPECT_GT(logger.MemoryUsed(), 0) << c.model;

        const auto session = ReadImage(logger.RecordBytes());
        ASSERT_TRUE(session) << c.model;
        EXPECT_EQ(session->ModelCode(), c.model);
        const QString status = QString::fromLatin1(logger.StatusText());
        const QString now = FindHeaderValue(status, u"Time="_qs);
        EXPECT_EQ(FindHeaderValue(status, u"RecEnd="_qs), now) << "it ends as the logger starts";
        const qint64 start = ParseDateTimeText(FindHeaderValue(status, u"RecStart="_qs))
                                 .SecondsSince(ParseDateTimeText(now));
        EXPECT_EQ(start, -kDemoRecordingSeconds);
        const auto& values = session->ChanData().FirstRecord().Values();
        ASSERT_EQ(values.size(), c.samples) << c.model;
        const auto [lo, hi] = MinMax(values);
        EXPECT_GE(lo, c.low) << c.model;
        EXPECT_LE(hi, c.high) << c.model;
        EXPECT_GT(hi - lo, (c.high - c.low) * 0.01) << "a signal, not a constant: " << c.model;
    }
}

TEST(LoggerEmulatorDemo, ErasesAsAnyLoggerAndAPlainLoggerStartsEmpty) {
    ManualClock clock{kWall, 5000};
    LoggerEmulator demo(clock, DemoLoggerSettings(1));
    demo.Advance();
    ASSERT_EQ(demo.HandleCommand(kStart.data()), CommandOutcomeType::Refused)
        << "the memory must be erased before a new recording";
    ASSERT_EQ(demo.HandleCommand(kErase.data()), CommandOutcomeType::Done);
    clock.AdvanceSeconds(5);
    demo.Advance();
    EXPECT_FALSE(demo.Erasing());
    EXPECT_EQ(demo.MemoryUsed(), 0);
    EXPECT_EQ(demo.HandleCommand(kStart.data()), CommandOutcomeType::Done);

    LoggerSettings plain;
    plain.modelCode = 1;
    LoggerEmulator empty(clock, plain);
    empty.Advance();
    EXPECT_EQ(empty.MemoryUsed(), 0) << "vexlo-sim without --demo-recording";
    EXPECT_EQ(empty.Phase(), RecordingPhaseType::Idle);
}

TEST(LoggerEmulatorFaults, EachFaultChangesOnlyWhatItNames) {
    {
        Logger stalled(0, 2048000, {.stallClock = true});
        const QString time = stalled.Status("Time=");
        stalled.Send(kStart);
        stalled.Wait(30);
        EXPECT_EQ(stalled.Status("Time="), time) << "the clock stands still";
        EXPECT_LE(stalled->SampleCount(), 1) << "and so does the recording";
    }
    {
        Logger endless(0, 2048000, {.eraseNeverEnds = true});
        endless.Send(kStart);
        endless.Wait(10);
        endless.Send(kStop);
        ASSERT_EQ(endless.Send(kErase), CommandOutcomeType::Done);
        endless.Wait(3600);
        EXPECT_EQ(endless.Status("MemErase="), u"1"_qs);
        EXPECT_EQ(endless.Send(kStart), CommandOutcomeType::Refused);
    }
    {
        Logger deaf(0, 2048000, {.noAcks = true});
        ASSERT_EQ(deaf.Send(kEnterFlash), CommandOutcomeType::Done);
        EXPECT_EQ(deaf.Send(CodePage(0, 0x11)), CommandOutcomeType::Refused);
        EXPECT_EQ(deaf->ControlReadBack(), QByteArray(512, '\0')) << "nothing acknowledged";
        EXPECT_EQ(deaf.Send(kEndFlash), CommandOutcomeType::Done);
    }
    {
        Logger garbled(0, 2048000, {.garbageStatus = true});
        const QByteArray text = garbled->StatusText();
        EXPECT_EQ(text, GarbageStatusText());
        EXPECT_TRUE(text.contains('\0'));
        EXPECT_FALSE(text.endsWith('\n')) << "a last line without an end";
        EXPECT_TRUE(text.endsWith(QByteArray(512, 'Z')));
        EXPECT_FALSE(text.contains("RecordingState=0")) << "keys missing";
        EXPECT_TRUE(garbled->ConfigText().contains("Time=")) << "CONFIG.INI stays sound";
    }
}

TEST(SimulatedFaultNames, AreReadWithTheirBounds) {
    const auto read = [](const QStringList& names) -> std::optional<SimulatedFaults> {
        SimulatedFaults f;
        for (const QString& name : names)
            if (!AddFault(name, f))
                return std::nullopt;
        return f;
    };
    const auto all =
        read({u"stall-clock"_qs, u"erase-never-ends"_qs, u"no-acks"_qs, u"garbage-status"_qs,
              u"eio-record"_qs, u"short-record"_qs, u"unplug-after=1"_qs, u"slow-reads=60000"_qs});
    ASSERT_TRUE(all);
    EXPECT_TRUE(all->logger.stallClock && all->logger.eraseNeverEnds && all->logger.noAcks &&
                all->logger.garbageStatus && all->drive.eioRecord && all->drive.shortRecord);
    EXPECT_EQ(all->drive.unplugAfterMs, 1000);
    EXPECT_EQ(all->drive.slowReadsMs, 60000);

    EXPECT_EQ(read(QStringList{u"unplug-after=604800"_qs})->drive.unplugAfterMs, 604800000);
    EXPECT_EQ(read(QStringList{u"slow-reads=1"_qs})->drive.slowReadsMs, 1);
    for (const QString& refused : QStringList{
             u"unplug-after=0"_qs, u"unplug-after=604801"_qs, u"unplug-after="_qs,
             u"unplug-after"_qs, u"unplug-after=2s"_qs, u"slow-reads=0"_qs, u"slow-reads=60001"_qs,
             u"slow-reads=-5"_qs, u"no-acks=1"_qs, u"stall"_qs, u""_qs}) {
        SimulatedFaults f;
        f.drive.slowReadsMs = 7;
        EXPECT_FALSE(AddFault(refused, f)) << refused.toStdString();
        EXPECT_EQ(f.drive.slowReadsMs, 7) << "a refused fault changes nothing";
        EXPECT_EQ(f.drive.unplugAfterMs, 0);
    }
}
