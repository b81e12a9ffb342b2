#include "core/export/CsvExport.h"
#include "support/SessionTestSupport.h"

#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using namespace Qt::StringLiterals;

std::unique_ptr<CRecSession> Thermocouple() {
    SessionImageBuilder b;
    // Type K, 0.01 mV per count: about 1000 °C, 0 °C, then over the range; 2 s apart.
    b.Set("Model", "8").Set("TC_Type", "K").Set("VRef", "1").Set("MaxCnt", "100");
    b.Set("SerNum", "A42").Set("Start", "2024/03/05 14:07:09");
    b.PairSamples({{4128, 0}, {0, 0}, {7000, 0}});
    return ReadImage(b, Celsius());
}

QStringList Export(const CRecSession& session, const QString& path, CsvFormat format) {
    CsvExportJob job(session, path, format);
    EXPECT_TRUE(job.Open());
    while (job.Step().state == JobStateType::Running) {
    }
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = f.readAll();
    EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBF")) << "a byte-order mark";
    return QString::fromUtf8(bytes.mid(3)).split(u"\r\n"_s);
}

} // namespace

TEST(CsvFormat, FollowsTheDecimalMarkOfTheLocale) {
    EXPECT_EQ(CsvFormat::Of(QLocale(QLocale::French, QLocale::France)), (CsvFormat{';', ','}));
    EXPECT_EQ(CsvFormat::Of(QLocale(QLocale::German, QLocale::Germany)), (CsvFormat{';', ','}));
    EXPECT_EQ(CsvFormat::Of(QLocale(QLocale::English, QLocale::UnitedStates)),
              (CsvFormat{',', '.'}));
    EXPECT_EQ(CsvFormat::Of(QLocale::c()), (CsvFormat{',', '.'}));
}

TEST(CsvExport, HasTheDataSheetColumnsAndAnIsoStamp) {
    const auto session = Thermocouple();
    ASSERT_TRUE(session);
    QTemporaryDir dir;
    const QStringList fr = Export(*session, dir.filePath(u"a.csv"_s), CsvFormat{';', ','});
    ASSERT_EQ(fr.size(), 5) << fr.join(u'|').toStdString(); // titles, 3 rows, the last newline
    EXPECT_EQ(fr[0], u"Date;Time;TC1VK;°C;ISO 8601"_s);
    // The unit column of the data sheet stays empty; Paris is one hour ahead of UTC in March.
    EXPECT_TRUE(fr[1].endsWith(u";;2024-03-05T14:07:11+01:00"_s)) << fr[1].toStdString();
    EXPECT_TRUE(fr[2].contains(u";0;;"_s)) << fr[2].toStdString();
    EXPECT_TRUE(fr[3].contains(u";Au-dessus de la gamme;"_s)) << fr[3].toStdString();
    const QString value = fr[1].section(u';', 2, 2);
    EXPECT_TRUE(value.startsWith(u"100"_s) && value.contains(u','))
        << "a comma as decimal mark: " << value.toStdString();
    EXPECT_EQ(fr[4], QString());

    const QStringList en = Export(*session, dir.filePath(u"b.csv"_s), CsvFormat{',', '.'});
    ASSERT_EQ(en.size(), 5);
    EXPECT_TRUE(en[1].section(u',', 2, 2).contains(u'.')) << en[1].toStdString();
}

// Values of a scale up to the float 1.7e38 keep their figures, with the locale's decimal mark.
TEST(CsvExport, ValuesOfAHugeScaleKeepTheirFiguresInTheExponentForm) {
    SessionImageBuilder b;
    b.Set("Ch1HighScale", "9EC9FF7E").Samples({0, 1000});
    const auto session = ReadImage(b);
    ASSERT_TRUE(session);
    QTemporaryDir dir;
    const QStringList fr = Export(*session, dir.filePath(u"a.csv"_s), CsvFormat{';', ','});
    ASSERT_EQ(fr.size(), 4) << fr.join(u'|').toStdString();
    EXPECT_EQ(fr[1].section(u';', 2, 2), u"0"_s);
    QString value = fr[2].section(u';', 2, 2);
    EXPECT_TRUE(value.contains(u',') && value.contains(u"e+37"_s)) << value.toStdString();
    EXPECT_EQ(value.replace(u',', u'.').toDouble(), session->ChanData().FirstRecord().Values()[1]);
}

TEST(CsvExport, AnUnwritableDestinationFailsAndLeavesNothing) {
    const auto session = Thermocouple();
    ASSERT_TRUE(session);
    QTemporaryDir dir;
    CsvExportJob job(*session, dir.filePath(u"missing/a.csv"_s), CsvFormat{});
    EXPECT_FALSE(job.Open());
    EXPECT_FALSE(job.FailureMessage().isEmpty());
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
}

TEST(CsvExport, AJobDroppedBeforeItsEndLeavesNoFile) {
    const auto session = Thermocouple();
    ASSERT_TRUE(session);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"a.csv"_s);
    {
        CsvExportJob job(*session, path, CsvFormat{});
        ASSERT_TRUE(job.Open());
    }
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
}

TEST(CsvExport, TheIsoStampFollowsTheOffsetAcrossAClockChangeAndKeepsMilliseconds) {
    // Paris moves from +01:00 to +02:00 at 01:00:00 UTC on 31 March 2024.
    SessionImageBuilder b;
    b.Set("Start", "2024/03/31 01:59:57").Samples(std::vector<int16_t>(4, 3000));
    const auto voltage = ReadImage(b);
    ASSERT_TRUE(voltage);
    QTemporaryDir dir;
    const QStringList rows = Export(*voltage, dir.filePath(u"a.csv"_s), CsvFormat{';', ','});
    ASSERT_GE(rows.size(), 5) << rows.join(u'|').toStdString();
    EXPECT_TRUE(rows[1].endsWith(u";2024-03-31T01:59:58+01:00"_s)) << rows[1].toStdString();
    EXPECT_TRUE(rows[2].endsWith(u";2024-03-31T01:59:59+01:00"_s)) << rows[2].toStdString();
    EXPECT_TRUE(rows[3].endsWith(u";2024-03-31T03:00:00+02:00"_s)) << rows[3].toStdString();

    SessionImageBuilder e;
    e.Set("Model", "6").Set("Polarity", "1").Samples({0, static_cast<int16_t>(0x8001), 0});
    const auto events = ReadImage(e);
    ASSERT_TRUE(events);
    const QStringList eventRows = Export(*events, dir.filePath(u"e.csv"_s), CsvFormat{',', '.'});
    ASSERT_GE(eventRows.size(), 3) << eventRows.join(u'|').toStdString();
    EXPECT_TRUE(eventRows[2].endsWith(u",2024-03-05T14:07:10.945+01:00"_s))
        << eventRows[2].toStdString();
}

// The unit is text the user types, and reaches the title row: quoted when it holds the
// separator in use, a double quote or a line break, its quotes doubled; bare otherwise, the
// other locale's separator and leading spaces included.
TEST(CsvExport, ATitleIsQuotedWhenItHoldsTheSeparatorAQuoteOrALineBreak) {
    SessionImageBuilder b;
    b.Set("Model", "4").Set("VRef", "1").Set("MaxCnt", "100").Set("Ch1Units", "%");
    b.Samples({300, 400});
    const auto session = ReadImage(b);
    ASSERT_TRUE(session);
    QTemporaryDir dir;
    struct Case {
        QString units;
        QString french;  // as written with ";"
        QString english; // as written with ","
    };
    for (const Case& c : {
             Case{u"m;s"_s, u"\"m;s\""_s, u"m;s"_s},
             Case{u"m,s"_s, u"m,s"_s, u"\"m,s\""_s},
             Case{u"5\" Hg"_s, u"\"5\"\" Hg\""_s, u"\"5\"\" Hg\""_s},
             Case{u"\"\""_s, u"\"\"\"\"\"\""_s, u"\"\"\"\"\"\""_s},
             Case{u"a\nb"_s, u"\"a\nb\""_s, u"\"a\nb\""_s},
             Case{u"a\rb"_s, u"\"a\rb\""_s, u"\"a\rb\""_s},
             Case{u"  mA"_s, u"  mA"_s, u"  mA"_s},
             Case{u"m:s"_s, u"m:s"_s, u"m:s"_s},
         }) {
        SCOPED_TRACE(c.units.toStdString());
        session->SetDisplayUnits(c.units);
        const QStringList fr = Export(*session, dir.filePath(u"fr.csv"_s), CsvFormat{';', ','});
        ASSERT_FALSE(fr.isEmpty());
        EXPECT_EQ(fr[0].toStdString(),
                  (u"Date;Time;"_s + session->ChannelName() + u';' + c.french + u";ISO 8601"_s)
                      .toStdString());
        const QStringList en = Export(*session, dir.filePath(u"en.csv"_s), CsvFormat{',', '.'});
        ASSERT_FALSE(en.isEmpty());
        EXPECT_EQ(en[0].toStdString(),
                  (u"Date,Time,"_s + session->ChannelName() + u',' + c.english + u",ISO 8601"_s)
                      .toStdString());
    }
}
