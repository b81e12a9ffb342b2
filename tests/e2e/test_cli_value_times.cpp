// Value i has one time in every output of the command line: the cursor the graph drew, the
// values listing, the events, the CSV rows and the workbook's data sheet.
#include "support/CliProcess.h"
#include "support/SessionFolderTest.h"
#include "support/SessionImageBuilder.h"
#include "unit/test_zip_reader.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <vector>

namespace {

class CliValueTimes : public SessionFolderTest {
protected:
    CliRun Cli(const QStringList& args) {
        const CliRun r = RunProgram(QStringLiteral(VEXLO_CLI), args, {dir_.path()});
        EXPECT_EQ(r.status, 0) << args.join(u' ').toStdString() << ": " << r.err.toStdString();
        return r;
    }

    // The cursor `plot --describe` drew `seconds` after the graph's start.
    QJsonObject DrawnCursor(const QString& session, const QString& seconds) {
        return Cli({u"plot"_qs, session, u"--out"_qs, dir_.filePath(u"g.png"_qs), u"--cursor"_qs,
                    seconds, u"--describe"_qs, u"--force"_qs})
            .Json()[u"cursor"_qs]
            .toObject();
    }
};

// "date time (span)": the date and time of a cursor label.
QString LabelTime(const QJsonObject& cursor) {
    return cursor[u"text"_qs].toString().section(u" ("_qs, 0, 0);
}

// Line `row` of the plain `values` listing: "index\tdate\ttime\ttext".
QString ListedTime(const QByteArray& listing, int row) {
    const QStringList fields = QString::fromUtf8(listing).split(u'\n').value(row).split(u'\t');
    return fields.value(1) + u' ' + fields.value(2);
}

// The date and time fields of data row `row` of the CSV (after the byte-order mark and the
// title line).
QString CsvTime(const QByteArray& csv, int row) {
    const QStringList lines = QString::fromUtf8(csv.mid(3)).split(u"\r\n"_qs);
    const QString line = lines.value(row + 1);
    const QChar separator = line.contains(u';') ? u';' : u',';
    return line.section(separator, 0, 0) + u' ' + line.section(separator, 1, 1);
}

// The date and time texts of data row `row` of the workbook's second sheet (from row 3).
QString WorkbookTime(const QString& path, int row) {
    const testzip::Archive book = testzip::ReadFile(path);
    const testzip::Entry* sheet = book.Find("xl/worksheets/sheet2.xml");
    const testzip::Entry* strings = book.Find("xl/sharedStrings.xml");
    if (!sheet || !strings)
        return QString();
    QStringList shared;
    static const QRegularExpression item(u"<si><t>(.*?)</t></si>"_qs);
    for (const auto& m : item.globalMatch(QString::fromUtf8(strings->data)))
        shared << m.captured(1);
    const auto text = [&](const char* column) {
        const QRegularExpression cell(u"<c r=\"%1%2\"[^>]*t=\"s\"><v>(\\d+)</v>"_qs.arg(
            QLatin1String(column), QString::number(row + 3)));
        return shared.value(cell.match(QString::fromUtf8(sheet->data)).captured(1).toInt(),
                            u"?"_qs);
    };
    return text("A") + u' ' + text("B");
}

TEST_F(CliValueTimes, TheDrawnCursorIsTheValueListedExportedAndTabledAtItsIndex) {
    // Two values, and seven: the cursor on the first and on the last of each.
    for (const int n : {2, 7}) {
        SCOPED_TRACE(n);
        std::vector<int16_t> counts;
        for (int i = 0; i < n; ++i)
            counts.push_back(static_cast<int16_t>(500 + 250 * i));
        SessionImageBuilder b;
        const QString session = Write(u"s%1.vx"_qs.arg(n), b.Samples(counts));
        const QJsonArray values =
            Cli({u"values"_qs, session, u"--json"_qs}).Json()[u"values"_qs].toArray();
        ASSERT_EQ(values.size(), n);
        const QByteArray listing = Cli({u"values"_qs, session}).out;
        const QString csv = dir_.filePath(u"s%1.csv"_qs.arg(n));
        const QString book = dir_.filePath(u"s%1.xlsx"_qs.arg(n));
        Cli({u"export"_qs, session, csv});
        Cli({u"export"_qs, session, book});
        const QByteArray csvText = testzip::FileBytes(csv);

        // The first value one period after the recording's start at 14:07:09.
        EXPECT_EQ(ListedTime(listing, 0), u"05/03/2024 14:07:10"_qs);
        for (const int i : {0, n - 1}) {
            SCOPED_TRACE(i);
            const QJsonObject cursor = DrawnCursor(session, QString::number(i));
            EXPECT_EQ(cursor[u"index"_qs].toInt(), i);
            EXPECT_EQ(cursor[u"t"_qs].toDouble(), values[i][u"t"_qs].toDouble());
            EXPECT_EQ(LabelTime(cursor), ListedTime(listing, i));
            EXPECT_EQ(CsvTime(csvText, i), ListedTime(listing, i));
            EXPECT_EQ(WorkbookTime(book, i), ListedTime(listing, i));
        }
    }
}

TEST_F(CliValueTimes, TheDrawnCursorOnAnEventsFirstStateIsTheEventListed) {
    // On from bit 4 to bit 7 and from bit 12 to the end of each word.
    SessionImageBuilder b;
    b.Set("Model", "6").Set("Polarity", "1");
    const QString session =
        Write(u"ev.vx"_qs, b.Samples(std::vector<int16_t>(4, static_cast<int16_t>(0x0F0F))));
    const QJsonArray values =
        Cli({u"values"_qs, session, u"--json"_qs}).Json()[u"values"_qs].toArray();
    ASSERT_EQ(values.size(), 64);
    const QJsonArray events =
        Cli({u"events"_qs, session, u"--json"_qs}).Json()[u"events"_qs].toArray();
    ASSERT_EQ(events.size(), 8);
    const double start = values[0][u"t"_qs].toDouble();
    // The second word's second event, and the last: states 28 and 60.
    for (const int e : {3, 7}) {
        SCOPED_TRACE(e);
        const QJsonObject event = events[e].toObject();
        const double at = event[u"start"_qs].toDouble() + event[u"start_ms"_qs].toDouble() / 1000.0;
        const int state = static_cast<int>((event[u"start"_qs].toDouble() - start) * 16 +
                                           event[u"start_ms"_qs].toInt() / 63);
        const QJsonObject cursor = DrawnCursor(session, QString::number(state / 16.0));
        EXPECT_EQ(cursor[u"index"_qs].toInt(), state);
        EXPECT_EQ(cursor[u"t"_qs].toDouble(), values[state][u"t"_qs].toDouble());
        EXPECT_DOUBLE_EQ(cursor[u"t"_qs].toDouble(), at);
        EXPECT_EQ(LabelTime(cursor),
                  event[u"date"_qs].toString() + u' ' + event[u"time"_qs].toString());
    }
}

// A logger whose clock was reset records from 1970-01-01 00:00:00: the listing and both
// exports give its real dates and times.
TEST_F(CliValueTimes, ASessionOfALoggerWhoseClockWasResetKeepsItsTimes) {
    SessionImageBuilder b;
    b.Set("Start", "1970/01/01 00:00:00").Samples({100, 200, 300});
    const QString session = Write(u"remis.vx"_qs, b);
    const QByteArray listing = Cli({u"values"_qs, session}).out;
    const QString csv = dir_.filePath(u"remis.csv"_qs);
    const QString book = dir_.filePath(u"remis.xlsx"_qs);
    Cli({u"export"_qs, session, csv});
    Cli({u"export"_qs, session, book});
    const QByteArray csvText = testzip::FileBytes(csv);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const QString expected = u"01/01/1970 00:00:0%1"_qs.arg(i + 1);
        EXPECT_EQ(ListedTime(listing, i), expected);
        EXPECT_EQ(CsvTime(csvText, i), expected);
        EXPECT_EQ(WorkbookTime(book, i), expected);
    }
    EXPECT_TRUE(QString::fromUtf8(csvText).contains(u"1970-01-01T00:00:01+01:00"_qs));
}

} // namespace
