#include "core/export/CWorksheet.h"
#include "core/export/CXLSData.h"
#include "core/export/CellText.h"
#include "core/export/SharedStringTable.h"
#include "core/export/SheetName.h"
#include "core/export/WorkbookProgress.h"
#include "unit/test_zip_reader.h"

#include <QLocale>
#include <QTemporaryDir>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <limits>
#include <map>
#include <vector>

namespace {

class SilentProgress : public WorkbookProgress {
public:
    void Report(qint64, qint64) override {}
    bool CancelRequested() override { return false; }
};

std::string NumberText(double value) {
    char text[CellText::kMaxNumberLength];
    const char* const end = CellText::AppendNumber(text, value);
    return end ? std::string(text, static_cast<size_t>(end - text)) : "(does not fit)";
}

TEST(NumberCellTextTest, DecimalsFollowTheMagnitude) {
    EXPECT_EQ(NumberText(2.5), "2.5");
    EXPECT_EQ(NumberText(1234.5678), "1234.568");
    EXPECT_EQ(NumberText(0.1), "0.1");
    EXPECT_EQ(NumberText(0), "0");
    EXPECT_EQ(NumberText(1), "1");
    EXPECT_EQ(NumberText(999.9999995), "1000");
    EXPECT_EQ(NumberText(0.000000000001), "0.000000000001");
    EXPECT_EQ(NumberText(5e-13), "0.000000000001"); // halves away from zero
    EXPECT_EQ(NumberText(1.0000005), "1.000001");
}

TEST(NumberCellTextTest, NegativeValuesKeepTheirDigits) {
    EXPECT_EQ(NumberText(-0.5), "-0.5");
    EXPECT_EQ(NumberText(-2.5), "-2.5");
    EXPECT_EQ(NumberText(-1234.5678), "-1234.568");
    EXPECT_EQ(NumberText(-10000000), "-10000000");
    EXPECT_EQ(NumberText(-3.4e14), "-340000000000000");
    EXPECT_EQ(NumberText(-4e-13), "0"); // no "-0"
    EXPECT_EQ(NumberText(-5e-13), "-0.000000000001");
}

// The fixed decimals scaled to 64 bits end at 2^63 / 1000; a larger value keeps its figure
// in the exponent form, which reads back as the same double.
TEST(NumberCellTextTest, ValuesTooLargeForTheDecimalsTakeTheExponentForm) {
    const double limit = 0x1p63 / 1000.0;
    // from_chars, not strtod: a reader of the file does not share the test's C locale.
    const auto readsBack = [](double v) {
        const std::string text = NumberText(v);
        double read = 0.0;
        std::from_chars(text.data(), text.data() + text.size(), read);
        return read == v;
    };
    EXPECT_EQ(NumberText(limit), "9.223372036854776e+15");
    const double below = std::nextafter(limit, 0.0);
    EXPECT_EQ(NumberText(below).find('e'), std::string::npos) << NumberText(below);
    // The lowest 64-bit integer is one step further out than the highest.
    EXPECT_EQ(NumberText(-limit), "-9223372036854775.808");
    const double beyond = std::nextafter(-limit, -1e300);
    EXPECT_EQ(NumberText(beyond), "-9.223372036854778e+15");
    for (const double v : {limit, below, -limit, beyond})
        EXPECT_TRUE(readsBack(v)) << NumberText(v);

    EXPECT_EQ(NumberText(1e19), "1e+19");
    EXPECT_EQ(NumberText(-1e19), "-1e+19");
    // A scale near the largest float, and the largest double: every digit is kept.
    EXPECT_EQ(NumberText(1.7e38), "1.7e+38");
    EXPECT_EQ(NumberText(3.4028230607370965e38), "3.4028230607370965e+38");
    EXPECT_EQ(NumberText(-std::numeric_limits<double>::max()), "-1.7976931348623157e+308");
    EXPECT_EQ(NumberText(-std::numeric_limits<double>::max()).size(),
              static_cast<size_t>(CellText::kMaxNumberLength));
    EXPECT_EQ(NumberText(9e15), "9000000000000000");
}

TEST(NumberCellTextTest, ValuesThatAreNotFiniteAreRefused) {
    EXPECT_EQ(NumberText(std::numeric_limits<double>::quiet_NaN()), "(does not fit)");
    EXPECT_EQ(NumberText(std::numeric_limits<double>::infinity()), "(does not fit)");
    EXPECT_EQ(NumberText(-std::numeric_limits<double>::infinity()), "(does not fit)");
}

TEST(ColumnLettersTest, BijectiveBase26) {
    EXPECT_EQ(CellText::ColumnLetters(1), "A");
    EXPECT_EQ(CellText::ColumnLetters(26), "Z");
    EXPECT_EQ(CellText::ColumnLetters(27), "AA");
    EXPECT_EQ(CellText::ColumnLetters(52), "AZ");
    EXPECT_EQ(CellText::ColumnLetters(53), "BA");
    EXPECT_EQ(CellText::ColumnLetters(702), "ZZ");
    EXPECT_EQ(CellText::ColumnLetters(703), "AAA");
    EXPECT_EQ(CellText::ColumnLetters(16384), "XFD");
}

TEST(SheetNameTest, NamesAreCleanedAndShortened) {
    EXPECT_EQ(MakeSheetName("", 4, {}), "4");
    EXPECT_EQ(MakeSheetName(QString(40, u'a'), 1, {}), QString(31, u'a'));
    EXPECT_EQ(MakeSheetName("a: b/c*d?e[f]g", 1, {}), "a bcdefg");
    EXPECT_EQ(MakeSheetName("'cité'", 1, {}), "cité");
    EXPECT_EQ(MakeSheetName("'", 2, {}), "2");
    EXPECT_EQ(MakeSheetName("[]", 3, {}), "3");
    EXPECT_EQ(MakeSheetName("V1.2-3", 1, {}), "V123");
}

TEST(SheetNameTest, ATakenNameIsNumbered) {
    EXPECT_EQ(MakeSheetName("DataPoints", 2, {"DataPoints"}), "DataPoints2");
    EXPECT_EQ(MakeSheetName("DataPoints", 3, {"DataPoints", "DataPoints2"}), "DataPoints3");
    EXPECT_EQ(MakeSheetName("datapoints", 2, {"DataPoints"}), "datapoints2");
    const QString longName(31, u'n');
    EXPECT_EQ(MakeSheetName(longName, 2, {longName}), QString(28, u'n') + "2");
}

TEST(SheetNameTest, AContinuationKeepsItsNumberWithinThirtyOneCharacters) {
    EXPECT_EQ(ContinuationSheetName("DataPoints", 1), "DataPoints (1)");
    EXPECT_EQ(ContinuationSheetName("Événements", 12), "Événements (12)");
    // " (1)" takes 4 characters: a first name of 27 just fits, one of 28 loses its last.
    EXPECT_EQ(ContinuationSheetName(QString(26, u'n'), 1), QString(26, u'n') + " (1)");
    EXPECT_EQ(ContinuationSheetName(QString(27, u'n'), 1), QString(27, u'n') + " (1)");
    EXPECT_EQ(ContinuationSheetName(QString(28, u'n'), 1), QString(27, u'n') + " (1)");
    EXPECT_EQ(ContinuationSheetName(QString(31, u'n'), 9), QString(27, u'n') + " (9)");
    EXPECT_EQ(ContinuationSheetName(QString(31, u'n'), 10), QString(26, u'n') + " (10)");
    // A character outside the basic plane is kept whole or not at all.
    const QString face = QString::fromUtf8("\xF0\x9F\x98\x80");
    EXPECT_EQ(ContinuationSheetName(QString(25, u'n') + face + "x", 1),
              QString(25, u'n') + face + " (1)");
    EXPECT_EQ(ContinuationSheetName(QString(26, u'n') + face, 1), QString(26, u'n') + " (1)");
    for (const int length : {30, 31, 32}) {
        const QString name = ContinuationSheetName(QString(length, u'n'), 3);
        EXPECT_EQ(MakeSheetName(name, 2, {QString(length, u'n').left(31)}), name)
            << "a continuation name is a valid sheet name as it is";
    }
}

class WorkbookCellsTest : public testing::Test {
protected:
    QString Path() const { return dir_.filePath("cells.xlsx"); }

    testzip::Archive CloseAndRead(CXLSData& data) {
        SilentProgress progress;
        EXPECT_EQ(data.Close(progress).type, WorkbookCloseType::Done);
        return testzip::ReadFile(Path());
    }

    static QByteArray Sheet(const testzip::Archive& a, int n) {
        const testzip::Entry* e = a.Find("xl/worksheets/sheet" + QByteArray::number(n) + ".xml");
        return e ? e->data : QByteArray();
    }

    QTemporaryDir dir_;
};

TEST_F(WorkbookCellsTest, NumberCellsIgnoreTheLocaleAndOnlyWhatIsNotFiniteBecomesText) {
    CXLSData data;
    ASSERT_TRUE(data.Open(Path()));
    data.AddSheet("N", 0, 0);
    ASSERT_EQ(QLocale().decimalPoint(), ",");
    data.AddNumber(-0.5);
    data.AddNumber(1.7e38);
    data.AddNumber(std::numeric_limits<double>::quiet_NaN());
    const testzip::Archive a = CloseAndRead(data);
    const QByteArray xml = Sheet(a, 1);
    EXPECT_TRUE(xml.contains("<c r=\"A2\"><v>-0.5</v></c><c r=\"B2\"><v>1.7e+38</v></c>"
                             "<c r=\"C2\" t=\"s\"><v>1</v></c>"))
        << xml.constData();
    EXPECT_TRUE(a.Find("xl/sharedStrings.xml")->data.contains("<si><t># # #</t></si>"));
}

TEST_F(WorkbookCellsTest, TheTitleRowAndStylesOfCells) {
    CXLSData data;
    ASSERT_TRUE(data.Open(Path()));
    data.AddSheet("Titre", 0, 0);
    data.AddText(u"titre", CellStyleType::BottomBorder);
    data.AddText(u"cadre", CellStyleType::Boxed);
    data.AddText(u"date", CellStyleType::Date);
    data.AddNumber(1, CellStyleType::TimeOfDay);
    data.AddText(u"plain");
    data.NewRows(2);
    data.AddNumber(2);
    const QByteArray xml = Sheet(CloseAndRead(data), 1);
    EXPECT_FALSE(xml.contains("<sheetViews>"));
    EXPECT_TRUE(xml.contains(
        "<sheetData><row><c r=\"A1\" s=\"1\" t=\"s\"><v>0</v></c></row>"
        "<row><c r=\"A2\" s=\"1\" t=\"s\"><v>1</v></c><c r=\"B2\" s=\"2\" t=\"s\"><v>2</v></c>"
        "<c r=\"C2\" s=\"3\" t=\"s\"><v>3</v></c><c r=\"D2\" s=\"4\"><v>1</v></c>"
        "<c r=\"E2\" t=\"s\"><v>4</v></c></row><row></row><row><c r=\"A4\"><v>2</v></c></row>"
        "</sheetData></worksheet>"));
}

TEST_F(WorkbookCellsTest, StyleFlagsSetTogetherResolveInTheirOrder) {
    CWorkbook book;
    ASSERT_TRUE(book.Open(Path()));
    CWorksheet* sheet = book.AddWorksheet("S", 0, 0);
    sheet->SetStyle(CellStyleType::TimeOfDay);
    sheet->SetStyle(CellStyleType::Date);
    sheet->AddNumber(1);
    sheet->SetStyle(CellStyleType::Date);
    sheet->SetStyle(CellStyleType::BottomBorder);
    sheet->AddNumber(2);
    sheet->SetStyle(CellStyleType::BottomBorder);
    sheet->SetStyle(CellStyleType::Boxed);
    sheet->AddNumber(3);
    sheet->NewRow(); // a new row clears the flags
    sheet->AddNumber(4);
    SilentProgress progress;
    ASSERT_EQ(book.Close(progress).type, WorkbookCloseType::Done);
    const QByteArray xml = Sheet(testzip::ReadFile(Path()), 1);
    EXPECT_TRUE(xml.contains("<c r=\"A1\" s=\"3\"><v>1</v></c><c r=\"B1\" s=\"1\"><v>2</v></c>"
                             "<c r=\"C1\" s=\"2\"><v>3</v></c></row><row><c r=\"A2\"><v>4</v>"));
}

TEST_F(WorkbookCellsTest, FrozenPanesNameTheirTopLeftCell) {
    CXLSData data;
    ASSERT_TRUE(data.Open(Path()));
    data.AddSheet("DataPoints", 2, 2);
    data.AddSheet("Wide", 1, 27);
    const testzip::Archive a = CloseAndRead(data);
    EXPECT_TRUE(Sheet(a, 1).contains("<sheetViews><sheetView workbookViewId=\"0\" "
                                     "tabSelected=\"1\"><pane state=\"frozen\" "
                                     "activePane=\"bottomRight\" topLeftCell=\"C3\" "
                                     "ySplit=\"2\" xSplit=\"2\"/></sheetView></sheetViews>"));
    EXPECT_TRUE(Sheet(a, 2).contains("topLeftCell=\"AB2\" ySplit=\"1\" xSplit=\"27\""));
}

TEST_F(WorkbookCellsTest, ASecondSheetOfTheSameNameIsNumbered) {
    CXLSData data;
    ASSERT_TRUE(data.Open(Path()));
    data.AddSheet("DataPoints", 2, 2);
    data.AddSheet("DataPoints", 2, 2);
    data.AddSheet("DATAPOINTS", 2, 2);
    data.AddSheet("", 0, 0);
    const QStringList expected = {"DataPoints", "DataPoints2", "DATAPOINTS3", "4"};
    EXPECT_EQ(data.SheetNames(), expected);
    const testzip::Archive a = CloseAndRead(data);
    EXPECT_TRUE(
        a.Find("xl/workbook.xml")->data.contains("<sheet name=\"DATAPOINTS3\" sheetId=\"3\""));
    EXPECT_TRUE(a.Find("xl/sharedStrings.xml")->data.contains("<si><t>DataPoints2</t></si>"));
}

TEST_F(WorkbookCellsTest, AFullSheetContinuesInANewSheetFromRow3) {
    CXLSData data;
    ASSERT_TRUE(data.Open(Path()));
    data.AddSheet("DataPoints", 2, 2);
    // Row 2 is open; rows 3 to 1,048,576 fill the sheet, the next goes on.
    data.NewRows(CWorksheet::kMaxRows - 2);
    data.AddNumber(1);
    data.NewRows(1);
    data.AddNumber(2);
    data.NewRows(1);
    EXPECT_EQ(data.SheetNames(), QStringList({"DataPoints", "DataPoints (1)"}));
    const testzip::Archive a = CloseAndRead(data);
    ASSERT_EQ(a.problem, "");
    const QByteArray first = Sheet(a, 1);
    EXPECT_EQ(first.count("<row>"), qsizetype(CWorksheet::kMaxRows));
    EXPECT_TRUE(first.contains("<c r=\"A1048576\"><v>1</v></c></row></sheetData>"));
    const QByteArray second = Sheet(a, 2);
    EXPECT_TRUE(second.contains("topLeftCell=\"C3\" ySplit=\"2\" xSplit=\"2\""));
    EXPECT_TRUE(second.contains("<sheetData><row><c r=\"A1\" s=\"1\" t=\"s\"><v>1</v></c></row>"
                                "<row></row><row><c r=\"A3\"><v>2</v></c></row><row></row>"
                                "</sheetData>"));
}

TEST_F(WorkbookCellsTest, EveryContinuationIsNamedAfterTheFirstSheet) {
    CXLSData data;
    ASSERT_TRUE(data.Open(Path()));
    data.AddSheet("DataPoints", 2, 2);
    // Two full sheets and a row: two continuations.
    data.NewRows(2 * (CWorksheet::kMaxRows - 2) + 1);
    data.AddSheet(QString(31, u'e'), 2, 2);
    data.NewRows(CWorksheet::kMaxRows - 1);
    EXPECT_EQ(data.SheetNames(), QStringList({"DataPoints", "DataPoints (1)", "DataPoints (2)",
                                              QString(31, u'e'), QString(27, u'e') + " (1)"}))
        << "each sheet counts its own continuations";
    SilentProgress progress;
    EXPECT_EQ(data.Close(progress).type, WorkbookCloseType::Done);
}

} // namespace

// Recent finds and the entries after them are tried before the hash table: whatever the order
// of the texts, each must keep the index of its first use, and the items list each text once.
TEST(SharedStringTableTest, EveryTextKeepsTheIndexOfItsFirstUse) {
    std::vector<QString> texts;
    for (int day = 0; day < 3; ++day) {
        for (int second = 0; second < 5; ++second) {
            texts.push_back(QStringLiteral("0%1/01/2024").arg(day + 1));
            texts.push_back(QStringLiteral("00:00:0%1").arg(second));
        }
        texts.push_back(QStringLiteral("Dépassement")); // a marker text between the runs
    }
    // Backwards, repeated, and the newest entry again (nothing after it yet).
    texts.insert(texts.end(), {QStringLiteral("00:00:04"), QStringLiteral("00:00:03"),
                               QStringLiteral("00:00:03"), QStringLiteral("Dépassement")});
    SharedStringTable table;
    for (int round = 0; round < 2; ++round) {
        std::map<QString, uint32_t> first;
        for (const QString& text : texts) {
            const auto [it, added] = first.try_emplace(text, static_cast<uint32_t>(first.size()));
            ASSERT_EQ(table.Add(text), it->second) << qPrintable(text) << ", round " << round;
        }
        EXPECT_EQ(table.UniqueCount(), first.size());
        EXPECT_EQ(table.Items().count("<si>"), static_cast<qsizetype>(first.size()));
        // After a clear the indices start again; recent finds from before must not answer.
        table.Clear();
    }
}
