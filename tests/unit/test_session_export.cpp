#include "core/common/StringTable.h"
#include "core/common/TimeFormat.h"
#include "core/export/CXLSData.h"
#include "core/export/DateTimeTextCache.h"
#include "core/export/SessionExport.h"
#include "core/export/SessionExportCommand.h"
#include "core/session/ChannelTexts.h"
#include "core/session/SessionParams.h"
#include "support/ScriptedUserInterface.h"
#include "support/SessionTestSupport.h"
#include "unit/test_zip_reader.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

namespace {

using Kind = ScriptedUserInterface::KindType;

struct CellValue {
    QString text; // the shared string, or the number as written
    bool number = false;
    int style = 0;
};

struct Sheet {
    QString name;
    QString topLeftCell; // of the frozen pane; empty without one
    std::map<QString, CellValue> cells;
    int rows = 0;

    const CellValue& At(const QString& reference) const {
        static const CellValue kNone{QStringLiteral("<none>")};
        const auto it = cells.find(reference);
        return it == cells.end() ? kNone : it->second;
    }
};

// The sheets of a workbook of ours, with every cell's shared string resolved.
struct Book {
    std::string problem;
    std::vector<Sheet> sheets;

    QStringList Names() const {
        QStringList names;
        for (const Sheet& s : sheets)
            names << s.name;
        return names;
    }
};

QString Attribute(const QXmlStreamReader& r, const char* name) {
    return r.attributes().value(QLatin1String(name)).toString();
}

QStringList SharedStrings(const QByteArray& xml) {
    QStringList strings;
    QXmlStreamReader r(xml);
    while (!r.atEnd()) {
        r.readNext();
        if (r.isStartElement() && r.name() == u"t")
            strings << r.readElementText();
    }
    return strings;
}

Sheet ReadSheet(const QString& name, const QByteArray& xml, const QStringList& strings) {
    Sheet sheet{name, {}, {}, 0};
    QXmlStreamReader r(xml);
    QString reference;
    CellValue cell;
    bool shared = false;
    while (!r.atEnd()) {
        r.readNext();
        if (!r.isStartElement())
            continue;
        if (r.name() == u"pane") {
            sheet.topLeftCell = Attribute(r, "topLeftCell");
        } else if (r.name() == u"row") {
            ++sheet.rows;
        } else if (r.name() == u"c") {
            reference = Attribute(r, "r");
            shared = Attribute(r, "t") == u"s";
            cell = CellValue{QString(), !shared, Attribute(r, "s").toInt()};
        } else if (r.name() == u"v") {
            const QString v = r.readElementText();
            cell.text = shared ? strings.value(v.toInt(), QStringLiteral("<bad index>")) : v;
            sheet.cells[reference] = cell;
        }
    }
    return sheet;
}

Book ReadBook(const QString& path) {
    Book book;
    const testzip::Archive archive = testzip::ReadFile(path);
    book.problem = archive.problem;
    const testzip::Entry* workbook = archive.Find("xl/workbook.xml");
    const testzip::Entry* strings = archive.Find("xl/sharedStrings.xml");
    if (!book.problem.empty() || !workbook || !strings) {
        book.problem += " (no workbook)";
        return book;
    }
    const QStringList shared = SharedStrings(strings->data);
    QXmlStreamReader r(workbook->data);
    while (!r.atEnd()) {
        r.readNext();
        if (!r.isStartElement() || r.name() != u"sheet")
            continue;
        const QString name = Attribute(r, "name");
        const QByteArray entry = "xl/worksheets/sheet" + Attribute(r, "sheetId").toUtf8() + ".xml";
        const testzip::Entry* sheet = archive.Find(entry);
        book.sheets.push_back(ReadSheet(name, sheet ? sheet->data : QByteArray(), shared));
    }
    return book;
}

QString Ref(char column, int row) {
    return QChar(column) + QString::number(row);
}

std::vector<int16_t> Counts(std::initializer_list<int> values) {
    return std::vector<int16_t>(values.begin(), values.end());
}

// A 50 V session (resolution 0.05 V) of ten points, one a second from 2024/03/05 14:07:09.
std::unique_ptr<CRecSession> TenPoints() {
    SessionImageBuilder b;
    b.Set("Model", "3").Set("VRef", "1").Set("MaxCnt", "1000").Set("Ch1HighScale", "00004842");
    b.Samples(Counts({1234, 1, 2, 3, 4, 5, 6, 7, 8, 999}));
    return ReadImage(b);
}

// 1 count = 0.01 mA; scale 4..20 mA -> 0..100 %, resolution 0.002 %: negative values, and
// counts below and above the range.
std::unique_ptr<CRecSession> CurrentLoop() {
    SessionImageBuilder b;
    b.Set("Model", "4").Set("VRef", "1").Set("MaxCnt", "100").Set("Ch1Mult", "1");
    b.Set("Ch1LowScale", "00000000").Set("Ch1HighScale", "0000C842").Set("Ch1Units", "%");
    b.Samples(Counts({300, -2201, 2201, -2199, 400}));
    return ReadImage(b);
}

std::unique_ptr<CRecSession> Events() {
    SessionImageBuilder b;
    b.Set("Model", "6").Set("Polarity", "1");
    b.Samples(Counts({0x0000, static_cast<int16_t>(0x8001), 0x00F0, 0x0000}));
    return ReadImage(b);
}

std::unique_ptr<CRecSession> Voltage(int points) {
    std::vector<int16_t> counts(static_cast<std::size_t>(points));
    for (int i = 0; i < points; ++i)
        counts[static_cast<std::size_t>(i)] = static_cast<int16_t>(i % 3000);
    SessionImageBuilder b;
    b.Samples(counts);
    return ReadImage(b);
}

class SessionExportTest : public testing::Test {
protected:
    QString Path(const char* name = "export.xlsx") const { return dir_.filePath(name); }

    // The job run to its end as the progress window runs it.
    JobEndType Export(const CRecSession& session, const QString& path) {
        CXLSData workbook;
        EXPECT_TRUE(workbook.Open(path));
        SessionExportJob job(session, workbook);
        const JobEndType end = ui_.RunModalJob(job, SessionExportCommand::ProgressTitle());
        failure_ = job.FailureMessage();
        return end;
    }

    QTemporaryDir dir_;
    ScriptedUserInterface ui_;
    QString failure_;
};

TEST_F(SessionExportTest, ARecordedSessionGivesAConfigurationSheetAndOneRowPerPoint) {
    const auto s = TenPoints();
    ASSERT_TRUE(s);
    s->SetReportHeader(u"Four n° 3"_qs);
    s->SetComments(u"Essai <à> & \"vérifier\""_qs);
    ASSERT_EQ(Export(*s, Path()), JobEndType::Done);
    const Book book = ReadBook(Path());
    ASSERT_EQ(book.problem, "");
    ASSERT_EQ(book.Names(), QStringList({"Configuration", "DataPoints"}));

    const Sheet& config = book.sheets[0];
    EXPECT_EQ(config.topLeftCell, QString()) << "no frozen panes";
    EXPECT_EQ(config.At(u"A1"_qs).text, u"Configuration"_qs);
    EXPECT_EQ(config.At(u"A1"_qs).style, 1);
    EXPECT_EQ(config.At(u"A2"_qs).text, u"Vexlo, version 1.1.0000"_qs);
    EXPECT_EQ(config.At(u"A3"_qs).text, u"<none>"_qs) << "row 3 stays empty";
    EXPECT_EQ(config.At(u"A4"_qs).text, u"Nom"_qs);
    EXPECT_EQ(config.At(u"B4"_qs).text, u"Valeur"_qs);
    EXPECT_EQ(config.At(u"B4"_qs).style, 1);
    EXPECT_EQ(config.At(u"A5"_qs).text, u"En-tête"_qs);
    EXPECT_EQ(config.At(u"B5"_qs).text, u"Four n° 3"_qs);
    EXPECT_EQ(config.At(u"A6"_qs).text, u"Pied"_qs);
    EXPECT_EQ(config.At(u"B6"_qs).text, u"<none>"_qs) << "an empty footer writes no cell";
    EXPECT_EQ(config.At(u"A7"_qs).text, u"Commentaires"_qs);
    EXPECT_EQ(config.At(u"B7"_qs).text, u"Essai <à> & \"vérifier\""_qs);
    EXPECT_EQ(config.At(u"A8"_qs).text, u"<none>"_qs);
    const std::vector<SessionParamsRow> params = BuildSessionParams(*s);
    ASSERT_FALSE(params.empty());
    for (std::size_t i = 0; i < params.size(); ++i) {
        const int row = 9 + static_cast<int>(i);
        const SessionParamsRow& p = params[i];
        EXPECT_EQ(config.At(Ref('A', row)).text, p.label) << row;
        EXPECT_EQ(config.At(Ref('A', row)).style, p.header ? 1 : 0) << row;
        EXPECT_EQ(config.At(Ref('B', row)).text, p.value.isEmpty() ? u"<none>"_qs : p.value) << row;
    }
    EXPECT_TRUE(params.front().header);
    EXPECT_EQ(config.rows, 8 + static_cast<int>(params.size()) + 1)
        << "every line ends with a new row";

    const Sheet& points = book.sheets[1];
    EXPECT_EQ(points.topLeftCell, u"C3"_qs);
    EXPECT_EQ(points.At(u"A1"_qs).text, u"DataPoints"_qs);
    EXPECT_EQ(points.At(u"A1"_qs).style, 1);
    EXPECT_EQ(points.At(u"A2"_qs).text, u"Date"_qs);
    EXPECT_EQ(points.At(u"B2"_qs).text, u"Time"_qs);
    EXPECT_EQ(points.At(u"C2"_qs).text, s->ChannelName());
    for (const char column : {'A', 'B', 'C'})
        EXPECT_EQ(points.At(Ref(column, 2)).style, 1) << column;
    EXPECT_EQ(points.At(u"D2"_qs).text, s->DisplayUnits());
    EXPECT_EQ(points.At(u"D2"_qs).style, 0);
    const std::vector<double> values = s->ChanData().FirstRecord().Values().ToVector();
    ASSERT_EQ(values.size(), 10u);
    for (int i = 0; i < 10; ++i) {
        const int row = 3 + i;
        EXPECT_EQ(points.At(Ref('A', row)).text, u"05/03/2024"_qs) << row;
        EXPECT_EQ(points.At(Ref('A', row)).style, 3) << row;
        EXPECT_EQ(points.At(Ref('B', row)).text, QStringLiteral("14:07:%1").arg(10 + i)) << row;
        EXPECT_EQ(points.At(Ref('B', row)).style, 4) << row;
        const CellValue& value = points.At(Ref('C', row));
        EXPECT_TRUE(value.number) << row;
        EXPECT_EQ(value.style, 0) << row;
        EXPECT_NEAR(value.text.toDouble(), values[static_cast<std::size_t>(i)], 0.025) << row;
        EXPECT_NEAR(std::remainder(value.text.toDouble(), 0.05), 0.0, 1e-9)
            << "a multiple of the resolution: " << value.text.toStdString();
    }
    EXPECT_EQ(points.At(u"C3"_qs).text, u"1.25"_qs) << "1.234 V at 0.05 V";
    EXPECT_EQ(points.At(u"A13"_qs).text, u"<none>"_qs);
}

TEST_F(SessionExportTest, WorkAndProgressCountTheRowsAndATenthForTheClosing) {
    const auto s = Voltage(1000);
    ASSERT_TRUE(s);
    CXLSData workbook;
    ASSERT_TRUE(workbook.Open(Path()));
    SessionExportJob job(*s, workbook);
    EXPECT_EQ(job.RowCount(), 1000);
    EXPECT_EQ(job.TotalWork(), 1100 * 11 / 10);
    EXPECT_EQ(job.Bar().divisor, 1);
    EXPECT_EQ(job.Bar().range, 1211);
    std::vector<qint64> done;
    StepProgress p;
    do {
        p = job.Step();
        done.push_back(job.WorkDone());
    } while (p.state == JobStateType::Running);
    EXPECT_EQ(p.state, JobStateType::Done);
    EXPECT_EQ(p.percent, 100);
    // The configuration sheet, then 400, 400 and 200 rows, the last step closing the file.
    EXPECT_EQ(done, (std::vector<qint64>{100, 500, 900, 1100}));
    EXPECT_EQ(job.Step().state, JobStateType::Done) << "a finished job stays finished";
    EXPECT_EQ(ReadBook(Path()).sheets.at(1).rows, 2 + 1000 + 1) << "and the row after the last";
}

TEST(ProgressScale, KeepsEveryPositionWithinAThirtyTwoBitBar) {
    const ProgressScale small = ProgressScale::Of(1210);
    EXPECT_EQ(small.divisor, 1);
    EXPECT_EQ(small.range, 1211);
    EXPECT_EQ(small.PositionOf(1100), 1100);
    const ProgressScale edge = ProgressScale::Of(2147483646);
    EXPECT_EQ(edge.divisor, 1);
    EXPECT_EQ(edge.range, 2147483647);
    for (const qint64 total : {qint64{2147483647}, qint64{2362232012}, qint64{1} << 40}) {
        const ProgressScale big = ProgressScale::Of(total);
        EXPECT_GT(big.divisor, 1) << total;
        EXPECT_LE(big.range, 2147483646) << total;
        EXPECT_EQ(big.range, (total + 1) / big.divisor) << total;
        EXPECT_LE(big.PositionOf(total), big.range) << total;
    }
}

TEST_F(SessionExportTest, AnEventSessionListsItsEventsWithTheirDurations) {
    const auto s = Events();
    ASSERT_TRUE(s);
    const CChanData& data = s->ChanData();
    ASSERT_GE(data.Events().size(), 2u);
    ASSERT_EQ(Export(*s, Path()), JobEndType::Done);
    const Book book = ReadBook(Path());
    ASSERT_EQ(book.problem, "");
    ASSERT_EQ(book.Names(), QStringList({"Configuration", "Événements"}));
    const Sheet& events = book.sheets[1];
    EXPECT_EQ(events.topLeftCell, u"C3"_qs);
    EXPECT_EQ(events.At(u"A1"_qs).text, u"Événements"_qs);
    EXPECT_EQ(events.At(u"A2"_qs).text, u"Date"_qs);
    EXPECT_EQ(events.At(u"B2"_qs).text, u"Time"_qs);
    EXPECT_EQ(events.At(u"C2"_qs).text, u"Durée"_qs);
    EXPECT_EQ(events.At(u"C2"_qs).style, 1);
    EXPECT_EQ(events.At(u"D2"_qs).text, u"<none>"_qs) << "no units column";
    const int count = static_cast<int>(data.Events().size());
    for (int e = 0; e < count; ++e) {
        for (int column = 0; column < 3; ++column) {
            const CellValue& cell = events.At(Ref(static_cast<char>('A' + column), 3 + e));
            EXPECT_FALSE(cell.number);
            EXPECT_EQ(cell.style, 0);
            EXPECT_EQ(cell.text, ChannelTexts(data).EventCellText(e, column)) << e << " " << column;
        }
    }
    EXPECT_EQ(events.At(Ref('A', 3 + count)).text, u"<none>"_qs);
    EXPECT_EQ(events.rows, 2 + count + 1);
}

TEST_F(SessionExportTest, OutOfRangePointsAreTextsAndValuesAreRoundedToTheResolution) {
    const auto s = CurrentLoop();
    ASSERT_TRUE(s);
    ASSERT_EQ(Export(*s, Path()), JobEndType::Done);
    const Book book = ReadBook(Path());
    ASSERT_EQ(book.problem, "");
    const Sheet& points = book.sheets.at(1);
    EXPECT_EQ(points.At(u"D2"_qs).text, u"%"_qs);
    EXPECT_EQ(points.At(u"C3"_qs).text, u"-6.25"_qs);
    EXPECT_EQ(points.At(u"C4"_qs).text, u"Sous la gamme"_qs);
    EXPECT_FALSE(points.At(u"C4"_qs).number);
    EXPECT_EQ(points.At(u"A4"_qs).text, u"05/03/2024"_qs) << "the date stays";
    EXPECT_EQ(points.At(u"B4"_qs).text, u"14:07:11"_qs) << "and so does the time";
    EXPECT_EQ(points.At(u"B4"_qs).style, 4);
    EXPECT_EQ(points.At(u"C5"_qs).text, u"Au-dessus de la gamme"_qs);
    // (-21.99 - 4) × 6.25 = -162.4375: 0.002 % steps round it away from zero.
    EXPECT_EQ(points.At(u"C6"_qs).text, u"-162.438"_qs);
    EXPECT_EQ(points.At(u"C7"_qs).text, u"0"_qs);
}

// An RTD or thermocouple reading past its range is the range's text in the workbook whatever
// the temperature unit, never a marker converted to °F as if it were a temperature.
TEST_F(SessionExportTest, TemperaturesPastTheRangeAreTextsInCelsiusAndFahrenheit) {
    for (const bool fahrenheit : {false, true}) {
        for (const bool rtd : {true, false}) {
            SCOPED_TRACE(std::string(rtd ? "RTD" : "thermocouple") + (fahrenheit ? " °F" : " °C"));
            SessionImageBuilder b;
            if (rtd) {
                b.Set("Model", "7")
                    .Set("MaxCnt", "4096")
                    .Set("RTDRef", "4750")
                    .Set("RTDNom", "1000");
                b.Samples({712, 4095, 10}); // about 0 °C, over the range, under it
            } else {
                b.Set("Model", "8").Set("TC_Type", "K").Set("VRef", "1").Set("MaxCnt", "100");
                b.PairSamples({{0, 0}, {7000, 0}, {-7000, 0}}); // 0, 70 and -70 mV
            }
            const auto s = ReadImage(b, fahrenheit ? Fahrenheit() : Celsius());
            ASSERT_TRUE(s);
            ASSERT_EQ(Export(*s, Path()), JobEndType::Done);
            const Book book = ReadBook(Path());
            ASSERT_EQ(book.problem, "");
            const Sheet& points = book.sheets.at(1);
            EXPECT_TRUE(points.At(u"C3"_qs).number);
            EXPECT_NEAR(points.At(u"C3"_qs).text.toDouble(), fahrenheit ? 32.0 : 0.0, 0.5);
            EXPECT_EQ(points.At(u"C4"_qs).text, u"Au-dessus de la gamme"_qs);
            EXPECT_FALSE(points.At(u"C4"_qs).number);
            EXPECT_EQ(points.At(u"C5"_qs).text, u"Sous la gamme"_qs);
            EXPECT_FALSE(points.At(u"C5"_qs).number);
        }
    }
}

// A scale up to the float 1.7e38: values far past what fixed decimals hold in 64 bits keep
// their figures as numbers in the exponent form.
TEST_F(SessionExportTest, ValuesOfAHugeScaleStayNumbers) {
    SessionImageBuilder b;
    b.Set("Ch1HighScale", "9EC9FF7E").Samples(Counts({0, 1000, 4000}));
    const auto s = ReadImage(b);
    ASSERT_TRUE(s);
    ASSERT_EQ(Export(*s, Path()), JobEndType::Done);
    const Book book = ReadBook(Path());
    const Sheet& points = book.sheets.at(1);
    EXPECT_EQ(points.At(u"C3"_qs).text, u"0"_qs);
    const std::vector<double> values = s->ChanData().FirstRecord().Values().ToVector();
    for (const int row : {4, 5}) {
        const CellValue& cell = points.At(Ref('C', row));
        EXPECT_TRUE(cell.number) << cell.text.toStdString();
        EXPECT_TRUE(cell.text.contains(u"e+3"_qs)) << cell.text.toStdString();
        EXPECT_EQ(cell.text.toDouble(), values[static_cast<std::size_t>(row - 3)]);
    }
}

TEST(RoundToDisplayStep, RoundsHalvesAwayFromZeroAndLeavesHugeValuesAlone) {
    EXPECT_EQ(RoundToDisplayStep(0.125, 1, 2), 0.13);
    EXPECT_EQ(RoundToDisplayStep(-0.125, 1, 2), -0.13);
    EXPECT_EQ(RoundToDisplayStep(0.375, 5, 2), 0.4) << "steps of 0.05";
    EXPECT_EQ(RoundToDisplayStep(-0.375, 5, 2), -0.4);
    EXPECT_EQ(RoundToDisplayStep(-162.4375, 2, 3), -162.438);
    EXPECT_EQ(RoundToDisplayStep(1234.5678, 1, 0), 1235.0);
    EXPECT_EQ(RoundToDisplayStep(-7.0, 2, 0), -8.0) << "steps of 2 units";
    EXPECT_EQ(RoundToDisplayStep(0.1 + 0.2, 1, 1), 0.3) << "the double nearest the decimal";
    // Below 2^63 steps the value is rounded; from there on it is kept as it is.
    EXPECT_EQ(RoundToDisplayStep(9e16 + 0.3, 1, 2), 9e16);
    EXPECT_EQ(RoundToDisplayStep(1e17 + 16, 1, 2), 1e17 + 16);
    EXPECT_EQ(RoundToDisplayStep(-1e17 - 16, 1, 2), -1e17 - 16);
    EXPECT_EQ(RoundToDisplayStep(1e300, 1, 3), 1e300);
    EXPECT_TRUE(std::isnan(RoundToDisplayStep(std::nan(""), 1, 2)));
    EXPECT_EQ(RoundToDisplayStep(2.5, 0, -1), 3.0) << "a step of 0 counts as 1, no decimals";
}

struct Stretch {
    qint64 from;
    int seconds;
};

// Every second of the stretches, then some stamps out of order and far apart.
int CacheMismatches(const std::vector<Stretch>& stretches) {
    DateTimeTextCache cache;
    int mismatches = 0;
    const auto check = [&](qint64 t) {
        const DateTimeTextCache::Texts got = cache.At(t);
        const DateAndTimeText want = FormatDateAndTime(t, 0);
        if ((got.date == want.date && got.time == want.time) || ++mismatches > 3)
            return;
        ADD_FAILURE() << t << ": " << got.date.toString().toStdString() << " "
                      << got.time.toString().toStdString() << " instead of "
                      << want.date.toStdString() << " " << want.time.toStdString();
    };
    for (const Stretch& s : stretches)
        for (qint64 t = s.from; t < s.from + s.seconds; ++t)
            check(t);
    for (const Stretch& s : stretches)
        for (const qint64 t : {s.from + s.seconds / 2, s.from, qint64{0}, qint64{4102444800},
                               qint64{-86400}, s.from + s.seconds - 1})
            check(t);
    return mismatches;
}

class ZoneScope {
public:
    explicit ZoneScope(const char* zone) { Set(zone); }
    ~ZoneScope() { Set("Europe/Paris"); }

private:
    static void Set(const char* zone) {
        setenv("TZ", zone, 1);
        tzset();
    }
};

// The cached texts against FormatDateAndTime across midnight, the daylight-saving changes
// and the first shown year, in a locale with a 24-hour clock and one with AM/PM.
TEST(DateTimeTextCache, GivesTheTextsOfFormatDateAndTime) {
    const QLocale saved;
    const std::vector<Stretch> paris = {
        {1711846800 - 5400, 10800}, // 2024-03-31: 02:00 becomes 03:00
        {1729990800 - 5400, 10800}, // 2024-10-27: 03:00 becomes 02:00
        {1709679600 - 1800, 3600},  // midnight of 2024-03-06
        {-3600 - 120, 240},         // 1970-01-01 00:00, before which both are "- - -"
    };
    for (const QLocale& locale : {QLocale(QLocale::French, QLocale::France),
                                  QLocale(QLocale::English, QLocale::UnitedStates)}) {
        QLocale::setDefault(locale);
        EXPECT_EQ(CacheMismatches(paris), 0) << locale.name().toStdString();
    }
    QLocale::setDefault(saved);
    EXPECT_EQ(FormatDateAndTime(-3600 - 1, 0).date, u"- - -"_qs);
    EXPECT_NE(FormatDateAndTime(-3600, 0).date, u"- - -"_qs);
}

TEST(DateTimeTextCache, FollowsAZoneThatChangesInTheMiddleOfAnHour) {
    const ZoneScope zone("Australia/Lord_Howe");
    // 2024-10-06 02:00 at +10:30 becomes 02:30 at +11, at 15:30 UTC.
    const qint64 change = 1728142200;
    ASSERT_EQ(FormatDateAndTime(change - 1, 0).time, u"01:59:59"_qs);
    ASSERT_EQ(FormatDateAndTime(change, 0).time, u"02:30:00"_qs);
    EXPECT_EQ(CacheMismatches({{change - 7200, 14400}}), 0);
}

// ISO 8601 with the offset of the stamp itself: either side of a change, west of UTC, a zone
// off the whole hour, and milliseconds only when there are some.
TEST(DateTimeTextCache, IsoTimesCarryTheirOwnOffset) {
    DateTimeTextCache paris;
    EXPECT_EQ(paris.IsoAt(1711846800 - 1, 0), "2024-03-31T01:59:59+01:00");
    EXPECT_EQ(paris.IsoAt(1711846800, 0), "2024-03-31T03:00:00+02:00");
    EXPECT_EQ(paris.IsoAt(1711846800 + 1, 999), "2024-03-31T03:00:01.999+02:00");
    EXPECT_EQ(paris.IsoAt(1711846800 + 1, 1), "2024-03-31T03:00:01.001+02:00");
    EXPECT_EQ(paris.IsoAt(-3600, 0), "1970-01-01T00:00:00+01:00");
    {
        const ZoneScope zone("America/St_Johns");
        DateTimeTextCache newfoundland;
        EXPECT_EQ(newfoundland.IsoAt(1709644029, 0), "2024-03-05T09:37:09-03:30");
    }
    {
        const ZoneScope zone("UTC");
        DateTimeTextCache utc;
        EXPECT_EQ(utc.IsoAt(0, 0), "1970-01-01T00:00:00+00:00");
    }
}

TEST_F(SessionExportTest, AJobDroppedBeforeItsEndLeavesNothing) {
    const auto s = Voltage(1000);
    ASSERT_TRUE(s);
    {
        CXLSData workbook;
        ASSERT_TRUE(workbook.Open(Path()));
        SessionExportJob job(*s, workbook);
        EXPECT_EQ(job.Step().state, JobStateType::Running);
        EXPECT_EQ(job.Step().state, JobStateType::Running);
        EXPECT_FALSE(QFile::exists(Path())) << "written beside it until whole";
    }
    EXPECT_FALSE(QFile::exists(Path()));
    EXPECT_TRUE(QDir(dir_.path()).isEmpty());
}

TEST_F(SessionExportTest, AnEarlierFileIsReplacedOnlyByAWholeWorkbook) {
    const auto s = Voltage(1000);
    ASSERT_TRUE(s);
    {
        QFile earlier(Path());
        ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
        earlier.write("earlier");
    }
    const auto readBack = [this] {
        QFile f(Path());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    {
        CXLSData workbook;
        ASSERT_TRUE(workbook.Open(Path()));
        SessionExportJob job(*s, workbook);
        EXPECT_EQ(job.Step().state, JobStateType::Running);
    }
    EXPECT_EQ(readBack(), "earlier") << "a cancelled export keeps the file it was to replace";

    CXLSData workbook;
    ASSERT_TRUE(workbook.Open(Path()));
    SessionExportJob job(*s, workbook);
    StepProgress p;
    do
        p = job.Step();
    while (p.state == JobStateType::Running);
    ASSERT_EQ(p.state, JobStateType::Done);
    EXPECT_TRUE(readBack().startsWith("PK"));
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST_F(SessionExportTest, AFileWhoseFolderWentAwayIsAFailureAndLeavesNoFile) {
    const auto s = Voltage(1000);
    ASSERT_TRUE(s);
    ASSERT_TRUE(QDir(dir_.path()).mkdir(u"sortie"_qs));
    const QString path = dir_.filePath(u"sortie/export.xlsx"_qs);
    CXLSData workbook;
    ASSERT_TRUE(workbook.Open(path));
    SessionExportJob job(*s, workbook);
    EXPECT_EQ(job.Step().state, JobStateType::Running);
    ASSERT_TRUE(QDir(dir_.filePath(u"sortie"_qs)).removeRecursively());
    StepProgress p;
    do
        p = job.Step();
    while (p.state == JobStateType::Running);
    EXPECT_EQ(p.state, JobStateType::Failed);
    EXPECT_EQ(job.FailureMessage(),
              "Impossible d’ouvrir le fichier de destination " + path + " pour l’écriture.");
    EXPECT_FALSE(QFile::exists(path));
}

class SessionExportCommandTest : public SessionExportTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(QDir().mkpath(DataFolder()));
        session_ = TenPoints();
        ASSERT_TRUE(session_);
        session_->SetSessionName(u"Four: zone 2/3"_qs);
    }
    QString DataFolder() const { return dir_.filePath(u"Vexlo/DataFiles"_qs); }
    QString InData(const QString& name) const { return DataFolder() + u'/' + name; }
    SessionExportCommand Command() { return SessionExportCommand(ui_, DataFolder()); }
    static void WriteFile(const QString& path, const QByteArray& bytes) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    std::unique_ptr<CRecSession> session_;
};

TEST_F(SessionExportCommandTest, TheSaveDialogProposesTheSafeSessionNameInTheDataFolder) {
    CXLSData workbook;
    EXPECT_EQ(Command().ChooseFile(session_->SessionName(), workbook), QString());
    const SavePathRequest& asked = ui_.LastSaveRequest();
    EXPECT_EQ(asked.proposal, InData(u"Four zone 23.xlsx"_qs));
    EXPECT_EQ(asked.folder, DataFolder());
    EXPECT_EQ(asked.filter, u"Fichiers Microsoft Excel (*.xlsx)|*.xlsx||"_qs);
    EXPECT_EQ(asked.defaultExtension, u"xlsx"_qs);
    EXPECT_TRUE(QDir(DataFolder()).isEmpty()) << "giving up writes nothing";

    SessionExportCommand(ui_, dir_.filePath(u"nowhere"_qs)).ChooseFile(u"a.b"_qs, workbook);
    EXPECT_EQ(ui_.LastSaveRequest().proposal, u"ab.xlsx"_qs);
    EXPECT_EQ(ui_.LastSaveRequest().folder, QString()) << "a missing folder is not offered";
}

TEST_F(SessionExportCommandTest, AnExistingFileIsReplacedOnlyWhenTheUserSaysSo) {
    const QString existing = InData(u"ancien.xlsx"_qs);
    WriteFile(existing, "ancien");
    const QString other = InData(u"autre.xlsx"_qs);

    ui_.SavePath(existing).FileExists(FileExistsChoiceType::Cancel);
    CXLSData workbook;
    EXPECT_EQ(Command().ChooseFile(session_->SessionName(), workbook), QString());
    EXPECT_EQ(testzip::FileBytes(existing), "ancien");
    ASSERT_EQ(ui_.EventsOf(Kind::FileExists).size(), 1u);
    EXPECT_EQ(ui_.EventsOf(Kind::FileExists)[0].text,
              u"Le fichier « "_qs + existing + u" » existe déjà."_qs);

    ui_.Forget();
    ui_.SavePath(existing).FileExists(FileExistsChoiceType::SelectOther).SavePath(other);
    EXPECT_EQ(Command().ChooseFile(session_->SessionName(), workbook), other);
    EXPECT_EQ(ui_.EventsOf(Kind::SavePath).size(), 2u) << "the save dialog again";
    EXPECT_EQ(testzip::FileBytes(existing), "ancien");
    workbook.Discard();

    ui_.Forget();
    ui_.SavePath(existing).FileExists(FileExistsChoiceType::Replace);
    EXPECT_TRUE(Command().Run(*session_));
    EXPECT_EQ(ReadBook(existing).Names(), QStringList({"Configuration", "DataPoints"}));
    EXPECT_TRUE(ui_.Messages().empty());
}

TEST_F(SessionExportCommandTest, ADestinationThatCannotBeWrittenSendsTheUserBackToTheDialog) {
    // A file another program holds cannot be opened for writing; a folder of that name can't
    // either, whoever runs the test.
    const QString held = InData(u"tenu.xlsx"_qs);
    ASSERT_TRUE(QDir().mkpath(held));
    const QString unreachable = dir_.filePath(u"absent/export.xlsx"_qs);
    const QString good = InData(u"bon.xlsx"_qs);
    ui_.SavePath(held).SavePath(unreachable).SavePath(good);
    CXLSData workbook;
    EXPECT_EQ(Command().ChooseFile(session_->SessionName(), workbook), good);
    EXPECT_TRUE(ui_.EventsOf(Kind::FileExists).empty()) << "no question about a held file";
    const auto messages = ui_.Messages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].text,
              "Impossible d’ouvrir le fichier de destination " + held + " pour l’écriture.");
    EXPECT_EQ(messages[0].icon, MessageIconType::Error);
    EXPECT_EQ(messages[1].text,
              "Impossible d’ouvrir le fichier de destination " + unreachable + " pour l’écriture.");
    EXPECT_EQ(ui_.EventsOf(Kind::SavePath).size(), 3u);
    EXPECT_FALSE(QFile::exists(unreachable));
    workbook.Discard();
}

TEST_F(SessionExportCommandTest, AfterTheExportTheFileOrElseItsFolderIsOffered) {
    const QString path = InData(u"fait.xlsx"_qs);
    ui_.SavePath(path).Answer(AnswerType::Yes).OpenSucceeds(false).OpenSucceeds(true);
    EXPECT_TRUE(Command().Run(*session_));
    ASSERT_EQ(ui_.EventsOf(Kind::Job).size(), 1u);
    EXPECT_EQ(ui_.EventsOf(Kind::Job)[0].text, u"Enregistrement du fichier en cours"_qs);
    ASSERT_EQ(ui_.EventsOf(Kind::YesNoCancel).size(), 1u);
    EXPECT_EQ(ui_.EventsOf(Kind::YesNoCancel)[0].text,
              u"Afficher le fichier enregistré? "_qs + path);
    const auto opened = ui_.EventsOf(Kind::OpenExternally);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0].text, path);
    EXPECT_EQ(opened[1].text, DataFolder()) << "the folder when the file would not open";

    ui_.Forget();
    ui_.SavePath(path).FileExists(FileExistsChoiceType::Replace).Answer(AnswerType::No);
    EXPECT_TRUE(Command().Run(*session_));
    EXPECT_TRUE(ui_.EventsOf(Kind::OpenExternally).empty());
    EXPECT_EQ(ReadBook(path).problem, "");
}

TEST_F(SessionExportCommandTest, AnnulerInTheProgressWindowLeavesNoFileAndAsksNothing) {
    const auto longer = Voltage(2000);
    ASSERT_TRUE(longer);
    const QString path = InData(u"annule.xlsx"_qs);
    ui_.SavePath(path).CancelJobAfter(2);
    EXPECT_FALSE(Command().Run(*longer));
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_TRUE(ui_.EventsOf(Kind::YesNoCancel).empty());
    EXPECT_TRUE(ui_.Messages().empty());
}

TEST_F(SessionExportCommandTest, CsvFollowsTheSameDialogReplaceAndCancelRules) {
    const QString existing = InData(u"valeurs.csv"_qs);
    WriteFile(existing, "ancien");
    const QLocale french(QLocale::French, QLocale::France);

    // "Annuler" at the file-exists question keeps the old file and writes nothing.
    ui_.SavePath(existing).FileExists(FileExistsChoiceType::Cancel);
    EXPECT_FALSE(Command().RunCsv(*session_, french));
    EXPECT_EQ(ui_.LastSaveRequest().proposal, InData(u"Four zone 23.csv"_qs));
    EXPECT_EQ(ui_.LastSaveRequest().filter, u"Fichiers CSV (*.csv)|*.csv||"_qs);
    EXPECT_EQ(ui_.LastSaveRequest().defaultExtension, u"csv"_qs);
    EXPECT_EQ(testzip::FileBytes(existing), "ancien");

    // Cancelled in the progress window: the old file stays whole, nothing else is left.
    const auto longer = Voltage(20000);
    ASSERT_TRUE(longer);
    ui_.Forget();
    ui_.SavePath(existing).FileExists(FileExistsChoiceType::Replace).CancelJobAfter(1);
    EXPECT_FALSE(Command().RunCsv(*longer, french));
    EXPECT_EQ(testzip::FileBytes(existing), "ancien");
    EXPECT_EQ(QDir(DataFolder()).entryList(QDir::Files), QStringList{u"valeurs.csv"_qs});

    // "Remplacer": the finished file takes the old one's place, then it is offered.
    ui_.Forget();
    ui_.SavePath(existing).FileExists(FileExistsChoiceType::Replace).Answer(AnswerType::No);
    EXPECT_TRUE(Command().RunCsv(*session_, french));
    const QByteArray written = testzip::FileBytes(existing);
    EXPECT_TRUE(written.startsWith("\xEF\xBB\xBF")) << "UTF-8 with its byte-order mark";
    EXPECT_EQ(written.count('\n'), 11) << "the titles and ten points";
    EXPECT_TRUE(written.contains(';')) << "a French locale separates with semicolons";
    ASSERT_EQ(ui_.EventsOf(Kind::YesNoCancel).size(), 1u);
    EXPECT_EQ(ui_.EventsOf(Kind::Job).size(), 1u);

    // A destination that cannot be written sends the user back to the dialog.
    const QString unreachable = dir_.filePath(u"absent/valeurs.csv"_qs);
    ui_.Forget();
    ui_.SavePath(unreachable);
    EXPECT_FALSE(Command().RunCsv(*session_, french));
    ASSERT_EQ(ui_.Messages().size(), 1u);
    EXPECT_EQ(ui_.Messages()[0].text,
              "Impossible d’ouvrir le fichier de destination " + unreachable + " pour l’écriture.");
    EXPECT_EQ(ui_.EventsOf(Kind::SavePath).size(), 2u) << "asked again, then given up";
    EXPECT_FALSE(QFile::exists(unreachable));
}

} // namespace
