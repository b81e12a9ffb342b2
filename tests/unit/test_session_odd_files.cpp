#include "cli/JsonText.h"
#include "core/common/CalendarDateTime.h"
#include "core/common/ValueMarkers.h"
#include "core/doc/CVexloDoc.h"
#include "core/session/ChannelTexts.h"
#include "core/session/SessionFile.h"
#include "core/session/SessionParams.h"
#include "core/session/SessionParamsEditModel.h"
#include "sim/ManualClock.h"
#include "support/FakeDriveBackend.h"
#include "support/MemorySettingsStore.h"
#include "support/ScriptedUserInterface.h"
#include "support/SessionImageBuilder.h"
#include "support/SessionTestSupport.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <cfloat>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

std::vector<int16_t> Counts(int n) {
    std::vector<int16_t> v;
    for (int i = 0; i < n; ++i)
        v.push_back(static_cast<int16_t>(500 + 10 * i));
    return v;
}

// A current logger (4 to 20 mA) whose scales are stored as `low` and `high`.
SessionImageBuilder CurrentLogger(const QByteArray& low, const QByteArray& high) {
    SessionImageBuilder b;
    b.Set("Model", "4").Set("Ch1LowScale", low).Set("Ch1HighScale", high).Samples(Counts(20));
    return b;
}

QString ControlPanelBlock(const QString& start, const QString& low, const QString& high) {
    return u"RecordingInProgress=0\r\nInstName=Four\r\nSessionName=Essai\r\nLocation=\r\n"
           u"Header=\r\nFooter=\r\nComments=\r\nCorrectedStartTime="_qs +
           start + u"\r\nCh1LowScale="_qs + low + u"\r\nCh1HighScale="_qs + high +
           u"\r\nCh1Units=\r\nTC_Type=J\r\nEnableCJC=0\r\nPolarity=1\r\nFilterSize=1\r\n"_qs;
}

bool ReadsNoNumberWord(const QString& text) {
    const QString t = text.toLower();
    return !t.contains(u"nan"_qs) && !t.contains(u"inf"_qs);
}

TEST(OddScales, BitsThatAreNoNumberReadAsTheRangeText) {
    // Little-endian bytes: 7F7FFFFF is the largest float, 7F800000 infinity, one above a NaN.
    EXPECT_EQ(DecodeScaleText(u"FFFF7F7F"_qs, u"4"_qs), FLT_MAX);
    EXPECT_EQ(DecodeScaleText(u"FFFF7FFF"_qs, u"4"_qs), -FLT_MAX);
    EXPECT_EQ(DecodeScaleText(u"0000807F"_qs, u"4"_qs), 4.0f) << "+infinity";
    EXPECT_EQ(DecodeScaleText(u"000080FF"_qs, u"4"_qs), 4.0f) << "-infinity";
    EXPECT_EQ(DecodeScaleText(u"0100807F"_qs, u"4"_qs), 4.0f) << "the NaN next to infinity";
    EXPECT_EQ(DecodeScaleText(u"0000C07F"_qs, u"20"_qs), 20.0f) << "quiet NaN";
    EXPECT_EQ(DecodeScaleText(u"0000C0FF"_qs, u"20"_qs), 20.0f) << "negative NaN";
    EXPECT_EQ(DecodeScaleText(u"01000000"_qs, u"4"_qs), std::numeric_limits<float>::denorm_min());
    EXPECT_EQ(DecodeScaleText(u"00000000"_qs, u"4"_qs), 0.0f);
}

TEST(OddScales, NoValueStatisticOrParameterReadsNanOrInf) {
    for (const auto& [low, high] :
         {std::pair{"0000C07F", "0000807F"}, std::pair{"000080FF", "0000C0FF"}}) {
        SCOPED_TRACE(low);
        const auto logger = ReadImage(CurrentLogger(low, high));
        SessionImageBuilder panel = CurrentLogger("00000000", "0000C842");
        panel.ParameterText(ControlPanelBlock(u"2024/03/05 14:07:09"_qs, QString::fromLatin1(low),
                                              QString::fromLatin1(high)));
        const auto saved = ReadImage(panel);
        for (const CRecSession* s : {logger.get(), saved.get()}) {
            ASSERT_TRUE(s);
            EXPECT_EQ(s->LowScale(), 4.0f);
            EXPECT_EQ(s->HighScale(), 20.0f);
            const CChanData& d = s->ChanData();
            for (const double v : d.FirstRecord().Values()) {
                EXPECT_TRUE(std::isfinite(v));
                EXPECT_TRUE(ReadsNoNumberWord(ChannelTexts(d).ValueText(v, s->DisplayUnits())));
            }
            const RangeStatisticsTexts t =
                ChannelTexts(d).RangeStatistics(false, 0, -1, s->DisplayUnits());
            for (const QString& text : {t.min, t.max, t.avg, t.last, t.total})
                EXPECT_TRUE(ReadsNoNumberWord(text)) << text.toStdString();
            for (const SessionParamsRow& row : BuildSessionParams(*s))
                EXPECT_TRUE(ReadsNoNumberWord(row.value)) << row.value.toStdString();
        }
    }
}

// A logger file started at `start`, and a control-panel file corrected to it.
std::unique_ptr<CRecSession> LoggerStartedAt(const QByteArray& start, Outcome* outcome = nullptr) {
    SessionImageBuilder b;
    b.Set("Start", start).Samples(Counts(10));
    auto s = std::make_unique<CRecSession>(Celsius());
    s->SetPath(u"/données/RECORD.VX"_qs);
    const Outcome read = ReadSessionImage(*s, b.Build(), false);
    if (outcome)
        *outcome = read;
    return read ? std::move(s) : nullptr;
}

std::unique_ptr<CRecSession> CorrectedTo(const QString& corrected, const QByteArray& headerStart) {
    SessionImageBuilder b;
    b.Set("Start", headerStart).Samples(Counts(10));
    b.ParameterText(ControlPanelBlock(corrected, u"00000000"_qs, u"00002041"_qs));
    return ReadImage(b);
}

TEST(OddStartDates, OnlyARealTimeOfTheLoggersClockOpens) {
    for (const char* start :
         {"2024/12/31 23:59:59", "2024/01/31 00:00:00", "2024/02/29 12:00:00",
          "2024/03/05 23:59:59", "1970/01/01 00:00:00", "2106/02/07 06:28:15"}) {
        SCOPED_TRACE(start);
        const auto s = LoggerStartedAt(start);
        ASSERT_TRUE(s);
        EXPECT_EQ(s->HeaderValue(HeaderKeyType::Start), QString::fromLatin1(start));
        EXPECT_EQ(
            s->EndText(),
            FormatDateTimeText(
                ParseDateTimeText(QString::fromLatin1(start)).AddSeconds(s->DurationSeconds())))
            << "the end follows from the start shown";
        EXPECT_NE(s->End().year, 0);
        EXPECT_TRUE(CorrectedTo(QString::fromLatin1(start), "2024/03/05 14:07:09"));
    }
    for (const char* start :
         {"2024/13/05 14:07:09", "2024/00/05 14:07:09", "2024/01/32 00:00:00",
          "2023/02/29 12:00:00", "2024/03/05 24:00:00", "2024/03/05 25:00:00",
          "2024/03/05 23:60:00", "2024/03/05 23:59:60", "1969/12/31 23:59:59",
          "2106/02/07 06:28:16", "99999/01/01 00:00:00", "0/00/00 00:00:00", "0"}) {
        SCOPED_TRACE(start);
        EXPECT_FALSE(LoggerStartedAt(start));
        EXPECT_FALSE(CorrectedTo(QString::fromLatin1(start), "2024/03/05 14:07:09"))
            << "the corrected start decides for a control-panel file";
    }
    EXPECT_FALSE(LoggerStartedAt("")) << "a logger's file has no other start";
    // The header's start of a control-panel file is the logger's, replaced by the correction.
    const auto corrected = CorrectedTo(u"2024/03/05 14:07:09"_qs, "2024/13/05 14:07:09");
    ASSERT_TRUE(corrected);
    EXPECT_EQ(corrected->HeaderValue(HeaderKeyType::Start), u"2024/03/05 14:07:09"_qs);

    Outcome refused;
    EXPECT_FALSE(LoggerStartedAt("2024/13/05 25:07:09", &refused));
    EXPECT_EQ(refused.kind, OutcomeType::Corrupt);
    EXPECT_EQ(refused.message,
              u"Le fichier « /données/RECORD.VX » ne peut pas être ouvert : sa date de début "
              u"« 2024/13/05 25:07:09 » n’est pas une date réelle comprise entre "
              u"1970/01/01 00:00:00 et 2106/02/07 06:28:15."_qs);
}

// A control-panel file whose parameter block lost its start (no key, or an empty or blank
// value) opens with the start the logger wrote in the header rather than being refused.
TEST(OddStartDates, AControlPanelFileThatLostItsStartOpensWithTheLoggersStart) {
    const QString withoutKey = ControlPanelBlock(u"x"_qs, u"00000000"_qs, u"00002041"_qs)
                                   .replace(u"CorrectedStartTime=x\r\n"_qs, QString());
    ASSERT_FALSE(withoutKey.contains(u"CorrectedStartTime"_qs));
    const CalendarDateTime logger = ParseDateTimeText(u"2024/03/05 14:07:09"_qs);
    for (const QString& block :
         {withoutKey, ControlPanelBlock(QString(), u"00000000"_qs, u"00002041"_qs),
          ControlPanelBlock(u"  "_qs, u"00000000"_qs, u"00002041"_qs)}) {
        SessionImageBuilder b;
        b.Set("Start", "2024/03/05 14:07:09").Samples(Counts(10)).ParameterText(block);
        const auto s = ReadImage(b);
        ASSERT_TRUE(s);
        EXPECT_EQ(s->CorrectedStart(), logger);
        EXPECT_EQ(s->HeaderValue(HeaderKeyType::Start), u"2024/03/05 14:07:09"_qs);
        EXPECT_EQ(s->StartTime(), logger.ToLocalTimeStamp());
        EXPECT_EQ(s->SessionName(), u"Essai"_qs) << "the rest of the block is read";
    }

    // With no start in the header either, the file is refused for the header's.
    SessionImageBuilder none;
    none.Set("Start", "2024/13/05 14:07:09").Samples(Counts(10));
    none.ParameterText(ControlPanelBlock(QString(), u"00000000"_qs, u"00002041"_qs));
    CRecSession refused(Celsius());
    const Outcome read = ReadSessionImage(refused, none.Build(), false);
    EXPECT_EQ(read.kind, OutcomeType::Corrupt);
    EXPECT_TRUE(read.message.contains(u"« 2024/13/05 14:07:09 »"_qs)) << read.message.toStdString();
}

TEST(OddStartDates, TheDocumentShowsTheRefusalAndKeepsNoSession) {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"RECORD.VX"_qs);
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        SessionImageBuilder b;
        f.write(b.Set("Start", "2024/13/05 14:07:09").Samples(Counts(10)).Build());
    }
    MemorySettingsStore settings;
    FakeDriveBackend drives;
    const ManualClock clock;
    ScriptedUserInterface ui;
    CVexloDoc doc(settings, drives, clock, ui);
    EXPECT_FALSE(doc.OpenSessionFile(path, true));
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_TRUE(
        ui.Messages()[0].text.startsWith(u"Le fichier « "_qs + path + u" » ne peut pas"_qs));
    EXPECT_EQ(ui.Messages()[0].icon, MessageIconType::Error);
    EXPECT_TRUE(doc.Sessions().empty());
    EXPECT_TRUE(QFile::exists(path)) << "a downloaded file that cannot be opened stays on disk";
}

TEST(OddStartDates, TheEditorKeepsTheStartOnTheLoggersClock) {
    const auto s = LoggerStartedAt("2024/03/05 14:07:09");
    ASSERT_TRUE(s);
    SessionParamsEditModel m(*s);
    const auto startAt = [&](int y, int mo, int d, int h, int mi, int sec) {
        m.SetCorrectedStart(CalendarDateTime::FromFields(y, mo, d, h, mi, sec));
        return m.Validate();
    };
    EXPECT_FALSE(startAt(1970, 1, 1, 0, 0, 0));
    EXPECT_FALSE(startAt(2106, 2, 7, 6, 28, 15));
    const std::optional<FieldProblem> early = startAt(1969, 12, 31, 23, 59, 59);
    ASSERT_TRUE(early);
    EXPECT_EQ(early->field, SessionParamsFieldType::CorrectedStart);
    EXPECT_EQ(early->message,
              u"Entrez une date comprise entre 1970/01/01 00:00:00 et 2106/02/07 06:28:15."_qs);
    EXPECT_TRUE(startAt(2106, 2, 7, 6, 28, 16));
    EXPECT_TRUE(startAt(2024, 2, 30, 10, 0, 0));
    // A logger whose clock gave no real start: the editor asks for one.
    m.SetCorrectedStart(ParseDateTimeText(u"2024/13/05 14:07:09"_qs));
    EXPECT_TRUE(m.Validate());
}

TEST(LoggerClock, SpansThirtyTwoBitSecondsFrom1970) {
    EXPECT_EQ(FormatDateTimeText(LoggerClockFirst()), u"1970/01/01 00:00:00"_qs);
    EXPECT_EQ(FormatDateTimeText(LoggerClockLast()), u"2106/02/07 06:28:15"_qs);
    EXPECT_TRUE(IsOnLoggerClock(LoggerClockFirst()));
    EXPECT_TRUE(IsOnLoggerClock(LoggerClockLast()));
    EXPECT_FALSE(IsOnLoggerClock(LoggerClockFirst().AddSeconds(-1)));
    EXPECT_FALSE(IsOnLoggerClock(LoggerClockLast().AddSeconds(1)));
    EXPECT_FALSE(IsOnLoggerClock(CalendarDateTime()));
}

std::string JsonOf(double v) {
    return JsonText::Number(v);
}

bool IsJsonNumberOrNull(const std::string& text) {
    QJsonParseError error{};
    const QJsonDocument doc =
        QJsonDocument::fromJson(QByteArray::fromStdString("[" + text + "]"), &error);
    return error.error == QJsonParseError::NoError && doc.array().size() == 1;
}

TEST(JsonNumbers, WholeNumbersAreIntegersAndNonFiniteOnesNull) {
    EXPECT_EQ(JsonOf(1000000.0), "1000000");
    EXPECT_EQ(JsonOf(std::nextafter(1000000.0, 2e6)), "1000000.0000000001");
    EXPECT_EQ(JsonOf(std::nextafter(1000000.0, 0.0)), "999999.9999999999");
    EXPECT_EQ(JsonOf(-3600.0), "-3600");
    EXPECT_EQ(JsonOf(0.0), "0");
    EXPECT_EQ(JsonOf(0.5), "0.5");
    EXPECT_EQ(JsonOf(1709644029.0), "1709644029");
    EXPECT_EQ(JsonOf(1709644029.0625), "1709644029.0625");
    // Below 1e21 every whole number is written in full; from there on with an exponent.
    EXPECT_EQ(JsonOf(std::nextafter(1e21, 0.0)), "999999999999999868928");
    EXPECT_EQ(JsonOf(1e21), "1e+21");
    EXPECT_EQ(JsonOf(std::numeric_limits<double>::quiet_NaN()), "null");
    EXPECT_EQ(JsonOf(std::numeric_limits<double>::infinity()), "null");
    EXPECT_EQ(JsonOf(-std::numeric_limits<double>::infinity()), "null");
    for (const double v : {1e6, 1e21, -0.0, 1e-300, std::numeric_limits<double>::max(),
                           std::numeric_limits<double>::lowest(),
                           std::numeric_limits<double>::quiet_NaN(), static_cast<double>(FLT_MAX)})
        EXPECT_TRUE(IsJsonNumberOrNull(JsonOf(v))) << JsonOf(v);
}

} // namespace
