#include "core/export/CWorkbook.h"
#include "core/export/CWorksheet.h"
#include "core/export/CXLSData.h"
#include "core/export/WorkbookProgress.h"
#include "unit/test_zip_reader.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <utility>
#include <vector>

namespace {

class RecordingProgress : public WorkbookProgress {
public:
    explicit RecordingProgress(int cancelAtAsk = -1) : cancelAtAsk_(cancelAtAsk) {}
    void Report(qint64 position, qint64 total) override { reports.emplace_back(position, total); }
    bool CancelRequested() override { return ++asks == cancelAtAsk_; }

    std::vector<std::pair<qint64, qint64>> reports;
    int asks = 0;

private:
    int cancelAtAsk_;
};

bool IsWellFormed(const QByteArray& xml) {
    QXmlStreamReader reader(xml);
    while (!reader.atEnd())
        reader.readNext();
    return !reader.hasError();
}

class WorkbookTest : public testing::Test {
protected:
    QString Path() const { return dir_.filePath("book.xlsx"); }

    testzip::Archive CloseAndRead(CWorkbook& book) {
        RecordingProgress progress;
        const WorkbookCloseResult result = book.Close(progress);
        EXPECT_EQ(result.type, WorkbookCloseType::Done);
        return testzip::ReadFile(Path());
    }

    static QByteArray Part(const testzip::Archive& a, const char* name) {
        const testzip::Entry* e = a.Find(name);
        return e ? e->data : QByteArray();
    }

    QTemporaryDir dir_;
};

TEST_F(WorkbookTest, PartsComeInOrderAndAreWellFormed) {
    CWorkbook book;
    ASSERT_TRUE(book.Open(Path()));
    for (const char* name : {"A", "B", "C"}) {
        CWorksheet* sheet = book.AddWorksheet(name, 0, 0);
        ASSERT_NE(sheet, nullptr);
        sheet->AddString(QString("cell of ") + name);
        sheet->AddNumber(1.5);
    }
    const testzip::Archive a = CloseAndRead(book);
    ASSERT_EQ(a.problem, "");
    std::vector<QByteArray> names;
    for (const testzip::Entry& e : a.entries) {
        names.push_back(e.name);
        EXPECT_TRUE(e.data.startsWith("<?xml version=\"1.0\" encoding=\"utf-8\"?><"))
            << e.name.data();
        EXPECT_TRUE(IsWellFormed(e.data)) << e.name.data();
    }
    const std::vector<QByteArray> expected = {"xl/worksheets/sheet1.xml",
                                              "xl/worksheets/sheet2.xml",
                                              "xl/worksheets/sheet3.xml",
                                              "[Content_Types].xml",
                                              "_rels/.rels",
                                              "xl/styles.xml",
                                              "xl/_rels/workbook.xml.rels",
                                              "xl/workbook.xml",
                                              "xl/sharedStrings.xml"};
    EXPECT_EQ(names, expected);
}

TEST_F(WorkbookTest, TheThirdSheetIsListedWithItsNumberAndRelationship) {
    CXLSData data;
    ASSERT_TRUE(data.Open(Path()));
    for (const char* name : {"Un", "Deux", "Trois & l'autre"})
        data.AddSheet(name, 0, 0);
    data.AddText(u"a<b> \"c\"\x01");
    RecordingProgress progress;
    ASSERT_EQ(data.Close(progress).type, WorkbookCloseType::Done);
    const testzip::Archive a = testzip::ReadFile(Path());
    ASSERT_EQ(a.problem, "");
    EXPECT_NE(a.Find("xl/worksheets/sheet3.xml"), nullptr);
    EXPECT_TRUE(Part(a, "xl/workbook.xml")
                    .contains("<sheet name=\"Trois &amp; l&apos;autre\" sheetId=\"3\" "
                              "r:id=\"rId4\" />"));
    const QByteArray rels = Part(a, "xl/_rels/workbook.xml.rels");
    EXPECT_TRUE(rels.contains("Target=\"/xl/worksheets/sheet3.xml\" Id=\"rId4\" />"));
    EXPECT_TRUE(rels.contains("Target=\"/xl/sharedStrings.xml\" Id=\"rId5\" />"));
    EXPECT_TRUE(rels.contains("Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/"
                              "officeDocument/2006/relationships/styles\""));
    const QByteArray strings = Part(a, "xl/sharedStrings.xml");
    EXPECT_TRUE(strings.contains("<si><t>Trois &amp; l&apos;autre</t></si>"));
    EXPECT_TRUE(strings.contains("<si><t>a&lt;b&gt; &quot;c&quot;</t></si>"));
    EXPECT_TRUE(Part(a, "[Content_Types].xml")
                    .contains("<Override PartName=\"/xl/worksheets/sheet3.xml\""));
}

TEST_F(WorkbookTest, StylesListTheFiveCellFormats) {
    CWorkbook book;
    ASSERT_TRUE(book.Open(Path()));
    const QByteArray styles = Part(CloseAndRead(book), "xl/styles.xml");
    EXPECT_TRUE(
        styles.contains("<numFmt formatCode=\"[$-F400]h:mm:ss\\ AM/PM\" numFmtId=\"166\"/>"));
    EXPECT_TRUE(styles.contains("<cellXfs count=\"5\">\n"));
    EXPECT_EQ(styles.count("<xf "), 6);
    EXPECT_EQ(styles.count("xfId=\"0 \""), 2);
    EXPECT_TRUE(styles.endsWith("</cellStyles></styleSheet>"));
}

TEST_F(WorkbookTest, ARepeatedTextIsSharedOnce) {
    CWorkbook book;
    ASSERT_TRUE(book.Open(Path()));
    CWorksheet* sheet = book.AddWorksheet("S", 0, 0);
    sheet->AddString(u"même texte");
    sheet->NewRow();
    sheet->AddString(u"même texte");
    EXPECT_EQ(book.AddSharedString(u"même texte"), 0u);
    const testzip::Archive a = CloseAndRead(book);
    const QByteArray strings = Part(a, "xl/sharedStrings.xml");
    EXPECT_TRUE(strings.contains("<sst uniqueCount=\"1\" count=\"2\" "));
    EXPECT_EQ(strings.count("<si>"), 1);
    EXPECT_TRUE(strings.contains(QString("<si><t>même texte</t></si>").toUtf8()));
    EXPECT_TRUE(Part(a, "xl/worksheets/sheet1.xml")
                    .contains("<row><c r=\"A1\" t=\"s\"><v>0</v></c></row>"
                              "<row><c r=\"A2\" t=\"s\"><v>0</v></c></row>"));
}

TEST_F(WorkbookTest, ColumnWidthsFollowTheLongestTextUpToTheLastUsedColumn) {
    CWorkbook book;
    ASSERT_TRUE(book.Open(Path()));
    CWorksheet* sheet = book.AddWorksheet("S", 0, 0);
    sheet->AddString(u"");
    sheet->AddString(QString(120, u'w'));
    sheet->AddString(QString(9, u'n'));
    sheet->AddNumber(-1234.5); // 7 characters
    sheet->AddString(QString(300, u'l'));
    sheet->NewRow();
    sheet->AddString(u"short");
    const QByteArray xml = Part(CloseAndRead(book), "xl/worksheets/sheet1.xml");
    EXPECT_TRUE(xml.contains("<col min=\"1\" max=\"1\" width=  \"6\"/>"));
    EXPECT_TRUE(xml.contains("<col min=\"2\" max=\"2\" width=\"121\"/>"));
    EXPECT_TRUE(xml.contains("<col min=\"3\" max=\"3\" width= \"10\"/>"));
    EXPECT_TRUE(xml.contains("<col min=\"4\" max=\"4\" width=  \"8\"/>"));
    EXPECT_TRUE(xml.contains("<col min=\"5\" max=\"5\" width=\"255\"/>"));
    EXPECT_FALSE(xml.contains("<col min=\"6\""));
    EXPECT_TRUE(IsWellFormed(xml));
}

TEST_F(WorkbookTest, ASheetWithoutCellsHasNoColumnList) {
    CWorkbook book;
    ASSERT_TRUE(book.Open(Path()));
    book.AddWorksheet("S", 0, 0)->NewRow();
    const QByteArray xml = Part(CloseAndRead(book), "xl/worksheets/sheet1.xml");
    EXPECT_FALSE(xml.contains("<cols>"));
    EXPECT_TRUE(xml.endsWith("<sheetData><row></row></sheetData></worksheet>"));
}

TEST_F(WorkbookTest, AStreamedSheetKeepsWidthsFromBeforeItsFirstFlush) {
    CWorkbook book;
    ASSERT_TRUE(book.Open(Path()));
    CWorksheet* sheet = book.AddWorksheet("S", 0, 0);
    const int rows = 150000; // well past the 4 MB flush
    for (int r = 0; r < rows; ++r) {
        sheet->NewRow();
        sheet->AddString(u"abc");
        sheet->AddNumber(1.25);
    }
    sheet->AddString(QString(50, u'x'));
    // The next sheet is written while the first is finished and streamed out.
    book.AddWorksheet("T", 0, 0)->AddString(QString(20, u'y'));
    const testzip::Archive a = CloseAndRead(book);
    ASSERT_EQ(a.problem, "");
    const QByteArray xml = Part(a, "xl/worksheets/sheet1.xml");
    EXPECT_GT(xml.size(), 2 * CWorksheet::kBufferSize);
    EXPECT_TRUE(IsWellFormed(xml));
    EXPECT_EQ(xml.count("<row>"), rows);
    EXPECT_TRUE(xml.contains("<col min=\"1\" max=\"1\" width=  \"4\"/>"));
    EXPECT_TRUE(xml.contains("<col min=\"2\" max=\"2\" width=  \"5\"/>"));
    EXPECT_FALSE(xml.contains("<col min=\"3\""));
    EXPECT_TRUE(xml.contains("<c r=\"C150000\" t=\"s\"><v>"));
    EXPECT_TRUE(Part(a, "xl/worksheets/sheet2.xml").contains("width= \"21\"/>"));
}

TEST_F(WorkbookTest, ARowTakesAtMost16384Cells) {
    CWorkbook book;
    ASSERT_TRUE(book.Open(Path()));
    CWorksheet* sheet = book.AddWorksheet("S", 0, 0);
    for (unsigned c = 0; c < CWorksheet::kMaxColumns; ++c)
        ASSERT_TRUE(sheet->AddNumber(c));
    EXPECT_FALSE(sheet->AddString(u"one too many"));
    EXPECT_FALSE(sheet->AddNumber(1));
    const QByteArray xml = Part(CloseAndRead(book), "xl/worksheets/sheet1.xml");
    EXPECT_TRUE(xml.contains("<c r=\"XFD1\"><v>16383</v></c></row>"));
    EXPECT_TRUE(IsWellFormed(xml));
}

TEST_F(WorkbookTest, ClosingReportsProgressAndAnUnopenedWorkbookIsDone) {
    CWorkbook book;
    RecordingProgress idle;
    EXPECT_EQ(book.Close(idle).type, WorkbookCloseType::Done);
    EXPECT_TRUE(idle.reports.empty());

    ASSERT_TRUE(book.Open(Path()));
    book.AddWorksheet("S", 0, 0);
    RecordingProgress progress;
    EXPECT_EQ(book.Close(progress).type, WorkbookCloseType::Done);
    const std::vector<std::pair<qint64, qint64>> expected = {{20, 40}, {26, 40}, {31, 40}};
    EXPECT_EQ(progress.reports, expected);
    // Once the archive takes the file's place there is nothing left to cancel.
    EXPECT_EQ(progress.asks, 2);
    EXPECT_FALSE(book.IsOpen());
}

TEST_F(WorkbookTest, CancellingTheCloseRemovesTheFile) {
    for (int cancelAt = 1; cancelAt <= 2; ++cancelAt) {
        CWorkbook book;
        ASSERT_TRUE(book.Open(Path()));
        book.AddWorksheet("S", 0, 0);
        RecordingProgress progress(cancelAt);
        EXPECT_EQ(book.Close(progress).type, WorkbookCloseType::Cancelled);
        EXPECT_EQ(progress.asks, cancelAt);
        EXPECT_FALSE(QFile::exists(Path())) << cancelAt;
    }
}

TEST_F(WorkbookTest, DiscardingRemovesTheFile) {
    CXLSData data;
    ASSERT_TRUE(data.Open(Path()));
    data.AddSheet("S", 0, 0);
    data.Discard();
    EXPECT_FALSE(QFile::exists(Path()));
    RecordingProgress progress;
    EXPECT_EQ(data.Close(progress).type, WorkbookCloseType::Done);
    EXPECT_TRUE(progress.reports.empty());
}

TEST_F(WorkbookTest, AFolderThatCannotBeWrittenIsReported) {
    CXLSData data;
    const Outcome opened = data.Open(dir_.filePath("missing/book.xlsx"));
    EXPECT_EQ(opened.kind, OutcomeType::CannotWrite);
    EXPECT_EQ(opened.message, "Impossible d’ouvrir le fichier de destination " +
                                  dir_.filePath("missing/book.xlsx") + " pour l’écriture.");
}

TEST_F(WorkbookTest, AWriteFailureIsReportedInFrenchAndKeepsTheEarlierFile) {
    const auto write = [this](WorkbookProgress& progress) {
        CXLSData data;
        EXPECT_TRUE(data.Open(Path()));
        data.AddSheet("S", 0, 0);
        data.AddText(u"x");
        return data.Close(progress);
    };
    RecordingProgress progress;
    ASSERT_EQ(write(progress).type, WorkbookCloseType::Done);
    const QByteArray earlier = testzip::FileBytes(Path());
    const qint64 sound = earlier.size();

    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = static_cast<rlim_t>(sound / 2); // as a disk filling up half way
    setrlimit(RLIMIT_FSIZE, &small);
    const WorkbookCloseResult result = write(progress);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(result.type, WorkbookCloseType::Failed);
    EXPECT_EQ(result.message,
              "Impossible d’ouvrir le fichier de destination " + Path() + " pour l’écriture.");
    EXPECT_EQ(testzip::FileBytes(Path()), earlier);
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden).size(), 1)
        << "nothing half-written left beside it";
}

} // namespace
