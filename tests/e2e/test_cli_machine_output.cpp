// What scripts read from vexlo-cli: --json and CSV --iso that do not change with the locale,
// state words for the marker values, ISO 8601 times with their offset, and "-" for the
// standard streams.
#include "support/CliProcess.h"
#include "support/SessionFolderTest.h"
#include "support/SessionImageBuilder.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <utility>
#include <vector>

namespace {

constexpr const char* kFrench = "fr_FR.UTF-8";
constexpr const char* kEnglish = "en_US.UTF-8";

// The two locales compiled once for the suite, so that the C library really switches between
// them even where the system has none generated; empty when localedef is missing.
class LocaleFolder {
public:
    static const QString& Path() {
        static const LocaleFolder folder;
        return folder.path_;
    }

private:
    LocaleFolder() {
        const QString localedef = QStandardPaths::findExecutable(u"localedef"_qs);
        if (localedef.isEmpty() || !dir_.isValid())
            return;
        for (const QString& name : {u"fr_FR"_qs, u"en_US"_qs}) {
            QProcess p;
            p.start(localedef,
                    {u"-i"_qs, name, u"-f"_qs, u"UTF-8"_qs, dir_.filePath(name + u".UTF-8"_qs)});
            // localedef warns on some definitions yet writes them; what counts is the folder.
            p.waitForFinished(60000);
            if (!QDir(dir_.filePath(name + u".UTF-8"_qs)).exists())
                return;
        }
        path_ = dir_.path();
    }

    QTemporaryDir dir_;
    QString path_;
};

class CliMachineOutput : public SessionFolderTest {
protected:
    // vexlo-cli in `locale`, with `input` on its standard input.
    CliRun Cli(const QStringList& args, const char* locale = kFrench,
               const QByteArray& input = {}) {
        const CliSetting setting{dir_.path(), {}, QString::fromLatin1(locale)};
        QProcessEnvironment env = CliEnvironment(setting);
        if (!LocaleFolder::Path().isEmpty())
            env.insert(u"LOCPATH"_qs, LocaleFolder::Path());
        return RunProgram(QStringLiteral(VEXLO_CLI), args, env, {}, input);
    }

    QByteArray Read(const QString& path) {
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
        return f.readAll();
    }
};

// Type K, 0.01 mV a count, 2 s apart: about 1000 °C, 0 °C, over the range, under it, then
// `more` values of about 1 °C.
SessionImageBuilder ThermocoupleSession(const QByteArray& start = "2024/03/05 14:07:09",
                                        std::size_t more = 1) {
    std::vector<std::pair<int16_t, int16_t>> pairs{{4128, 0}, {0, 0}, {7000, 0}, {-7000, 0}};
    pairs.resize(pairs.size() + more, {4, 0});
    SessionImageBuilder b;
    b.Set("Model", "8").Set("TC_Type", "K").Set("VRef", "1").Set("MaxCnt", "100");
    b.Set("SerNum", "A42").Set("Start", start);
    b.PairSamples(pairs);
    return b;
}

// The texts shown to people, which follow the locale; every other field is for scripts.
QJsonObject WithoutDisplayTexts(QJsonObject o) {
    for (const QString& key :
         {u"min"_qs, u"max"_qs, u"avg"_qs, u"last"_qs, u"total"_qs, u"event_total"_qs})
        o.remove(key);
    return o;
}

QStringList CsvLines(const QByteArray& csv) {
    return QString::fromUtf8(csv).split(u"\r\n"_qs, Qt::SkipEmptyParts);
}

} // namespace

TEST_F(CliMachineOutput, ScriptFieldsAndIsoCsvAreTheSameInEveryLocale) {
    const QString path = Write(u"tc.vx"_qs, ThermocoupleSession());
    const CliRun fr = Cli({u"stats"_qs, path, u"--json"_qs}, kFrench);
    const CliRun en = Cli({u"stats"_qs, path, u"--json"_qs}, kEnglish);
    ASSERT_EQ(fr.status, 0) << fr.err.toStdString();
    ASSERT_EQ(en.status, 0) << en.err.toStdString();
    EXPECT_NE(fr.Json()[u"avg"_qs], en.Json()[u"avg"_qs]) << "the display text follows the locale";
    EXPECT_EQ(WithoutDisplayTexts(fr.Json()), WithoutDisplayTexts(en.Json()));
    EXPECT_TRUE(fr.Json()[u"avg_value"_qs].isDouble());
    EXPECT_EQ(fr.Json()[u"unit"_qs].toString(), u"°F"_qs);
    // The numbers are JSON numbers in the text itself, never with the locale's comma.
    EXPECT_TRUE(fr.out.contains("\"avg_value\": 632.")) << fr.out.toStdString();

    const QString frCsv = dir_.filePath(u"fr.csv"_qs);
    const QString enCsv = dir_.filePath(u"en.csv"_qs);
    ASSERT_EQ(Cli({u"export"_qs, path, frCsv, u"--iso"_qs}, kFrench).status, 0);
    ASSERT_EQ(Cli({u"export"_qs, path, enCsv, u"--iso"_qs}, kEnglish).status, 0);
    EXPECT_EQ(Read(frCsv), Read(enCsv));
    const QStringList lines = CsvLines(Read(frCsv));
    ASSERT_EQ(lines.size(), 6);
    EXPECT_EQ(lines[0], u"ISO 8601,TC1VK (°F)"_qs) << "no byte-order mark, no date or time column";
    EXPECT_EQ(lines[2], u"2024-03-05T14:07:13+01:00,32"_qs);
    // The value as recorded to its last digit, where the display rounds it to one decimal.
    const QString recorded = lines[1].section(u',', 1);
    EXPECT_GT(recorded.section(u'.', 1).size(), 1) << recorded.toStdString();
    EXPECT_NEAR(recorded.toDouble(), 1832.0, 1.0);
}

TEST_F(CliMachineOutput, CsvSeparatorAndDecimalAsAsked) {
    const QString path = Write(u"tc.vx"_qs, ThermocoupleSession());
    const QString csv = dir_.filePath(u"v.csv"_qs);
    // A French desktop's file, made on an English server.
    ASSERT_EQ(Cli({u"export"_qs, path, csv, u"--separator"_qs, u";"_qs, u"--decimal"_qs, u","_qs},
                  kEnglish)
                  .status,
              0);
    QStringList lines = CsvLines(Read(csv).mid(3));
    ASSERT_EQ(lines.size(), 6);
    EXPECT_TRUE(lines[1].contains(u";1832,2;;2024"_qs)) << lines[1].toStdString();
    // --iso with another separator keeps its decimal point, then "\t" parts the fields.
    ASSERT_EQ(
        Cli({u"export"_qs, path, csv, u"--force"_qs, u"--iso"_qs, u"--separator"_qs, u"\\t"_qs})
            .status,
        0);
    lines = CsvLines(Read(csv));
    EXPECT_EQ(lines[2], u"2024-03-05T14:07:13+01:00\t32"_qs);
    // Without the options the locale decides, as before.
    ASSERT_EQ(Cli({u"export"_qs, path, csv, u"--force"_qs}, kEnglish).status, 0);
    EXPECT_TRUE(CsvLines(Read(csv).mid(3))[1].contains(u",1832.2,,2024"_qs));

    const QString book = dir_.filePath(u"b.xlsx"_qs);
    for (const QStringList& refused :
         {QStringList{csv, u"--force"_qs, u"--separator"_qs, u","_qs, u"--decimal"_qs, u","_qs},
          QStringList{csv, u"--force"_qs, u"--iso"_qs, u"--decimal"_qs, u","_qs},
          QStringList{csv, u"--force"_qs, u"--decimal"_qs, u";"_qs},
          QStringList{csv, u"--force"_qs, u"--separator"_qs, u";;"_qs},
          QStringList{csv, u"--force"_qs, u"--separator"_qs, u"a"_qs},
          QStringList{csv, u"--force"_qs, u"--separator"_qs, u"\""_qs},
          QStringList{book, u"--iso"_qs}, QStringList{book, u"--decimal"_qs, u"."_qs},
          QStringList{csv, u"--force"_qs, u"--format"_qs, u"ods"_qs}}) {
        const CliRun r = Cli(QStringList{u"export"_qs, path} + refused);
        EXPECT_EQ(r.status, 64) << refused.join(u' ').toStdString();
        EXPECT_TRUE(r.out.isEmpty());
    }
    EXPECT_FALSE(QFile::exists(book));
}

TEST_F(CliMachineOutput, MarkerValuesCarryStateWords) {
    const QString path = Write(u"tc.vx"_qs, ThermocoupleSession());
    const QJsonArray values =
        Cli({u"values"_qs, path, u"--json"_qs}).Json()[u"values"_qs].toArray();
    ASSERT_EQ(values.size(), 5);
    const char* expected[] = {"value", "value", "over_range", "under_range", "value"};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(values[i].toObject()[u"status"_qs].toString(), QLatin1String(expected[i])) << i;
    EXPECT_EQ(values[2].toObject()[u"state"_qs].toString(), u"over"_qs) << "the older word stays";
    EXPECT_TRUE(values[3].toObject()[u"v"_qs].isNull());

    const QJsonObject s = Cli({u"stats"_qs, path, u"--json"_qs}).Json();
    EXPECT_EQ(s[u"min_status"_qs].toString(), u"under_range"_qs);
    EXPECT_TRUE(s[u"min_value"_qs].isNull());
    EXPECT_EQ(s[u"min"_qs].toString(), u"Sous la gamme"_qs);
    EXPECT_EQ(s[u"max_status"_qs].toString(), u"over_range"_qs);
    EXPECT_EQ(s[u"avg_status"_qs].toString(), u"value"_qs);
    EXPECT_EQ(s[u"last_status"_qs].toString(), u"value"_qs);
    // The window's last value on the marker, then one past it.
    EXPECT_EQ(Cli({u"stats"_qs, path, u"--json"_qs, u"--last"_qs, u"3"_qs})
                  .Json()[u"last_status"_qs]
                  .toString(),
              u"under_range"_qs);
    EXPECT_EQ(Cli({u"stats"_qs, path, u"--json"_qs, u"--last"_qs, u"2"_qs})
                  .Json()[u"last_status"_qs]
                  .toString(),
              u"over_range"_qs);

    SessionImageBuilder empty;
    empty.Set("Model", "8").Set("TC_Type", "K");
    const QJsonObject none = Cli({u"stats"_qs, Write(u"empty.vx"_qs, empty), u"--json"_qs}).Json();
    EXPECT_EQ(none[u"min_status"_qs].toString(), u"no_value"_qs);
    EXPECT_EQ(none[u"min"_qs].toString(), u"- - -"_qs);
    EXPECT_TRUE(none[u"avg_value"_qs].isNull());

    const QString csv = dir_.filePath(u"m.csv"_qs);
    ASSERT_EQ(Cli({u"export"_qs, path, csv, u"--iso"_qs}).status, 0);
    const QStringList lines = CsvLines(Read(csv));
    EXPECT_TRUE(lines[3].endsWith(u",over_range"_qs)) << lines[3].toStdString();
    EXPECT_TRUE(lines[4].endsWith(u",under_range"_qs)) << lines[4].toStdString();
}

TEST_F(CliMachineOutput, EventTotalsAsNumbersAndOff) {
    SessionImageBuilder b;
    b.Set("Model", "6").Set("Polarity", "1");
    b.Samples({0, static_cast<int16_t>(0x8001), 0});
    const QString path = Write(u"events.vx"_qs, b);
    QJsonObject s = Cli({u"stats"_qs, path, u"--json"_qs}).Json();
    EXPECT_EQ(s[u"event_total_s"_qs].toDouble(), 0.118);
    EXPECT_EQ(s[u"event_total_status"_qs].toString(), u"value"_qs);
    // A window that ends where the first event starts has none.
    s = Cli({u"stats"_qs, path, u"--json"_qs, u"--first"_qs, u"0"_qs, u"--last"_qs, u"0"_qs})
            .Json();
    EXPECT_EQ(s[u"event_total_s"_qs].toDouble(), 0.0);
    EXPECT_EQ(s[u"event_total_status"_qs].toString(), u"off"_qs);
    EXPECT_EQ(s[u"event_total"_qs].toString(), u"Off"_qs);

    // One CSV line an event: its start to the millisecond and its length in seconds.
    const QString csv = dir_.filePath(u"events.csv"_qs);
    ASSERT_EQ(Cli({u"export"_qs, path, csv, u"--iso"_qs}).status, 0);
    EXPECT_EQ(CsvLines(Read(csv)),
              (QStringList{u"ISO 8601,Durée"_qs, u"2024-03-05T14:07:10+01:00,0.063"_qs,
                           u"2024-03-05T14:07:10.945+01:00,0.055"_qs}));

    const QJsonArray events =
        Cli({u"events"_qs, path, u"--json"_qs}).Json()[u"events"_qs].toArray();
    ASSERT_EQ(events.size(), 2);
    EXPECT_EQ(events[1].toObject()[u"length_s"_qs].toDouble(), 0.055);
    EXPECT_EQ(events[1].toObject()[u"start_iso"_qs].toString(),
              u"2024-03-05T14:07:10.945+01:00"_qs);
    EXPECT_EQ(events[0].toObject()[u"start_iso"_qs].toString(), u"2024-03-05T14:07:10+01:00"_qs);
}

TEST_F(CliMachineOutput, IsoTimesAcrossTheSpringChange) {
    // In Paris, 2024-03-31 02:00 +01:00 is 03:00 +02:00; values 2 s apart from 01:59:58.
    const QString path = Write(u"dst.vx"_qs, ThermocoupleSession("2024/03/31 01:59:56"));
    const QJsonObject info = Cli({u"info"_qs, path, u"--json"_qs}).Json();
    EXPECT_EQ(info[u"start"_qs].toString(), u"2024/03/31 01:59:56"_qs);
    EXPECT_EQ(info[u"start_iso"_qs].toString(), u"2024-03-31T01:59:56+01:00"_qs);
    EXPECT_EQ(info[u"end_iso"_qs].toString(), u"2024-03-31T03:00:06+02:00"_qs);

    const QJsonArray values =
        Cli({u"values"_qs, path, u"--json"_qs}).Json()[u"values"_qs].toArray();
    ASSERT_EQ(values.size(), 5);
    EXPECT_EQ(values[0].toObject()[u"iso"_qs].toString(), u"2024-03-31T01:59:58+01:00"_qs);
    EXPECT_EQ(values[1].toObject()[u"iso"_qs].toString(), u"2024-03-31T03:00:00+02:00"_qs);
    EXPECT_EQ(values[2].toObject()[u"iso"_qs].toString(), u"2024-03-31T03:00:02+02:00"_qs);
    EXPECT_EQ(values[1].toObject()[u"t"_qs].toDouble() - values[0].toObject()[u"t"_qs].toDouble(),
              2.0);

    // The cursor the graph drew, on either side of the change.
    const QString png = dir_.filePath(u"dst.png"_qs);
    for (const auto& [seconds, iso] : {std::pair{u"0"_qs, u"2024-03-31T01:59:58+01:00"_qs},
                                       std::pair{u"2"_qs, u"2024-03-31T03:00:00+02:00"_qs}}) {
        const CliRun plot = Cli({u"plot"_qs, path, u"--out"_qs, png, u"--force"_qs, u"--cursor"_qs,
                                 seconds, u"--describe"_qs});
        ASSERT_EQ(plot.status, 0) << plot.err.toStdString();
        EXPECT_EQ(plot.Json()[u"cursor"_qs].toObject()[u"iso"_qs].toString(), iso);
    }

    const QString csv = dir_.filePath(u"dst.csv"_qs);
    ASSERT_EQ(Cli({u"export"_qs, path, csv, u"--iso"_qs}).status, 0);
    const QStringList lines = CsvLines(Read(csv));
    EXPECT_TRUE(lines[1].startsWith(u"2024-03-31T01:59:58+01:00,"_qs));
    EXPECT_TRUE(lines[2].startsWith(u"2024-03-31T03:00:00+02:00,"_qs));
}

TEST_F(CliMachineOutput, IsoTimesAcrossTheAutumnChange) {
    // 03:00 +02:00 becomes 02:00 +01:00 at 01:00 UTC; from 01:59:00 +02:00, 2 s apart, value
    // 1829 falls on the change.
    const QString path = Write(u"autumn.vx"_qs, ThermocoupleSession("2024/10/27 01:59:00", 1850));
    const QJsonArray values =
        Cli({u"values"_qs, path, u"--json"_qs}).Json()[u"values"_qs].toArray();
    ASSERT_EQ(values.size(), 1854);
    const auto at = [&](int i) { return values[i].toObject(); };
    EXPECT_EQ(at(1829)[u"t"_qs].toDouble(), 1729990800.0);
    EXPECT_EQ(at(1828)[u"iso"_qs].toString(), u"2024-10-27T02:59:58+02:00"_qs);
    EXPECT_EQ(at(1829)[u"iso"_qs].toString(), u"2024-10-27T02:00:00+01:00"_qs);
    EXPECT_EQ(at(1830)[u"iso"_qs].toString(), u"2024-10-27T02:00:02+01:00"_qs);
    // The same hour of the wall clock twice, told apart by the offset alone.
    EXPECT_EQ(at(1829 - 1800)[u"iso"_qs].toString(), u"2024-10-27T02:00:00+02:00"_qs);
}

TEST_F(CliMachineOutput, DashReadsAndWritesTheStandardStreams) {
    const QByteArray image = ThermocoupleSession().Build();
    const QString path = Write(u"tc.vx"_qs, ThermocoupleSession());
    for (const QString& command : {u"info"_qs, u"stats"_qs, u"values"_qs, u"events"_qs}) {
        const CliRun fromFile = Cli({command, path, u"--json"_qs});
        const CliRun fromInput = Cli({command, u"-"_qs, u"--json"_qs}, kFrench, image);
        ASSERT_EQ(fromInput.status, 0) << command.toStdString() << fromInput.err.toStdString();
        // The name a session takes from its file's name is all that differs.
        QJsonObject fileJson = fromFile.Json();
        QJsonObject inputJson = fromInput.Json();
        fileJson.remove(u"session_name"_qs);
        inputJson.remove(u"session_name"_qs);
        EXPECT_FALSE(inputJson.isEmpty());
        EXPECT_EQ(inputJson, fileJson) << command.toStdString();
    }
    // An input too short to be a session, then none at all.
    CliRun r = Cli({u"info"_qs, u"-"_qs}, kFrench, image.left(100));
    EXPECT_EQ(r.status, 2);
    EXPECT_FALSE(r.err.isEmpty());
    EXPECT_TRUE(r.out.isEmpty());
    r = Cli({u"stats"_qs, u"-"_qs});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.out.isEmpty());

    // The CSV on the standard output is the file's, and nothing else goes there.
    const QString csv = dir_.filePath(u"v.csv"_qs);
    for (const QStringList& options : {QStringList{}, QStringList{u"--iso"_qs}}) {
        ASSERT_EQ(Cli(QStringList{u"export"_qs, path, csv, u"--force"_qs} + options).status, 0);
        r = Cli(QStringList{u"export"_qs, path, u"-"_qs, u"--format"_qs, u"csv"_qs} + options);
        ASSERT_EQ(r.status, 0) << r.err.toStdString();
        EXPECT_EQ(r.out, Read(csv)) << options.join(u' ').toStdString();
        EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
    }
    // From one stream to the other.
    r = Cli({u"export"_qs, u"-"_qs, u"-"_qs, u"--format"_qs, u"csv"_qs, u"--iso"_qs}, kFrench,
            image);
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, Read(csv));
    EXPECT_FALSE(QFile::exists(QDir::current().filePath(u"-"_qs)));
    // A CSV option alone says what the standard output gets.
    r = Cli({u"export"_qs, path, u"-"_qs, u"--iso"_qs});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, Read(csv));
    EXPECT_EQ(Cli({u"export"_qs, path, u"-"_qs, u"--iso"_qs, u"--format"_qs, u"xlsx"_qs}).status,
              64);

    // A picture, from a session on the standard input too, as the file would hold it.
    const QString png = dir_.filePath(u"g.png"_qs);
    ASSERT_EQ(Cli({u"plot"_qs, path, u"--out"_qs, png}).status, 0);
    r = Cli({u"plot"_qs, u"-"_qs, u"--out"_qs, u"-"_qs, u"--format"_qs, u"png"_qs}, kFrench, image);
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, Read(png));
    r = Cli({u"plot"_qs, path, u"--out=-"_qs, u"--format=pdf"_qs});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith("%PDF-")) << r.out.left(16).toStdString();
    for (const QStringList& refused :
         {QStringList{u"--out"_qs, u"-"_qs},
          QStringList{u"--out"_qs, u"-"_qs, u"--format"_qs, u"png"_qs, u"--describe"_qs},
          QStringList{u"--out"_qs, u"-"_qs, u"--format"_qs, u"svg"_qs}}) {
        r = Cli(QStringList{u"plot"_qs, path} + refused);
        EXPECT_EQ(r.status, 64) << refused.join(u' ').toStdString();
        EXPECT_TRUE(r.out.isEmpty());
    }

    EXPECT_EQ(Cli({u"export"_qs, path, u"-"_qs}).status, 64) << "a workbook needs a file";
    EXPECT_EQ(Cli({u"export"_qs, path, u"-"_qs, u"--format"_qs, u"xlsx"_qs}).status, 64);
}

TEST_F(CliMachineOutput, LoggerStatusForScripts) {
    const QRegularExpression iso(uR"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d$)"_qs);
    QJsonObject seen[2];
    int at = 0;
    for (const char* locale : {kFrench, kEnglish}) {
        const CliRun r = Cli({u"status"_qs, u"--simulate"_qs, u"8"_qs, u"--json"_qs}, locale);
        ASSERT_EQ(r.status, 0) << r.err.toStdString();
        const QJsonObject logger = r.Json()[u"logger"_qs].toObject();
        EXPECT_EQ(logger[u"model_code"_qs].toInt(), 8);
        EXPECT_EQ(logger[u"memory_total_bytes"_qs].toDouble(),
                  logger[u"memory_used_bytes"_qs].toDouble() +
                      logger[u"memory_free_bytes"_qs].toDouble());
        EXPECT_GT(logger[u"memory_used_bytes"_qs].toDouble(), 0.0);
        EXPECT_TRUE(logger[u"battery_v"_qs].isDouble());
        for (const QString& key :
             {u"clock_iso"_qs, u"recording_start_iso"_qs, u"recording_end_iso"_qs})
            EXPECT_TRUE(iso.match(logger[key].toString()).hasMatch())
                << key.toStdString() << " " << logger[key].toString().toStdString();
        seen[at++] = logger;
    }
    // The emulated logger's clock, recording times and live reading move between the two
    // runs; the rest does not.
    EXPECT_EQ(seen[0].keys(), seen[1].keys());
    for (QJsonObject& logger : seen)
        for (const QString& key :
             {u"clock_iso"_qs, u"recording_start_iso"_qs, u"recording_end_iso"_qs, u"battery_v"_qs})
            logger.remove(key);
    EXPECT_EQ(seen[0], seen[1]) << QJsonDocument(seen[0]).toJson().toStdString()
                                << QJsonDocument(seen[1]).toJson().toStdString();
}

TEST_F(CliMachineOutput, ProgressAndQuestionsStayOffTheStandardOutput) {
    // A download prints the session's path alone.
    CliRun r =
        Cli({u"download"_qs, u"--simulate"_qs, u"8"_qs, u"--yes"_qs, u"--out-dir"_qs, dir_.path()});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.count('\n'), 1) << r.out.toStdString();
    EXPECT_TRUE(QFile::exists(QString::fromUtf8(r.out.trimmed())));
    // An erase followed to its end prints what was done, never its progress or its question.
    r = Cli({u"erase"_qs, u"--simulate"_qs, u"8"_qs, u"--wait"_qs, u"--yes"_qs});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_FALSE(r.out.contains("%")) << r.out.toStdString();
    EXPECT_FALSE(r.out.contains("Êtes-vous sûr")) << r.out.toStdString();
    // A question nobody can answer is refused on standard error.
    r = Cli({u"erase"_qs, u"--simulate"_qs, u"8"_qs});
    EXPECT_EQ(r.status, 3);
    EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
    EXPECT_FALSE(r.err.isEmpty());
}
