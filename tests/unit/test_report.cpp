#include "core/graph/CTrendGraph.h"
#include "core/graph/PageLayout.h"
#include "core/graph/PagePrintouts.h"
#include "core/graph/ReportOptions.h"
#include "core/graph/SessionReport.h"
#include "core/session/ChannelTexts.h"
#include "core/session/SessionTable.h"
#include "core/session/TableGrouping.h"
#include "support/RecordingCanvas.h"
#include "support/SessionTestSupport.h"
#include "support/TextBoxes.h"

#include <gtest/gtest.h>

namespace {

// The facts of a session of `n` samples `p` seconds apart whose first value ends on a whole
// hour of the local clock, so that every averaging is aligned from value 0.
ReportSessionFacts Facts(int64_t n, int p = 1) {
    ReportSessionFacts f;
    f.sampleCount = n;
    f.period = p;
    f.firstStamp = 3600 * 100000;
    return f;
}

std::vector<QString> Texts(const ReportOptionsModel& m) {
    std::vector<QString> texts;
    for (const auto& e : m.Entries())
        texts.push_back(e.text);
    return texts;
}

TEST(TableGrouping, RowZeroEndsOnTheFirstBoundaryThenWholeGroups) {
    // Value 0 stamped exactly on a boundary: row 0 is that value alone.
    EXPECT_EQ(MakeTableGrouping(60, 1, 600), (TableGrouping{60, 1}));
    // One second past a boundary: 59 more values reach the next one.
    EXPECT_EQ(MakeTableGrouping(60, 1, 601), (TableGrouping{60, 60}));
    // One second before one: value 1 ends on it.
    EXPECT_EQ(MakeTableGrouping(60, 1, 599), (TableGrouping{60, 2}));
    // A period that does not divide the span: the value holding the boundary closes row 0.
    EXPECT_EQ(MakeTableGrouping(4, 7, 1), (TableGrouping{4, 4}));
    // Negative stamps (before 1970 locally) align the same way.
    EXPECT_EQ(MakeTableGrouping(60, 1, -1), (TableGrouping{60, 2}));
    // One sample per row is the plain table whatever the stamp.
    EXPECT_EQ(MakeTableGrouping(1, 5, 12345), (TableGrouping{1, 1}));
}

TEST(TableGrouping, RowCountsAndSpansAtEachEdge) {
    const TableGrouping g{10, 3}; // row 0: values 0-2, then 10 a row
    EXPECT_EQ(GroupedRowCount(0, g), 0);
    EXPECT_EQ(GroupedRowCount(1, g), 1);
    EXPECT_EQ(GroupedRowCount(3, g), 1) << "o = n: all in row 0";
    EXPECT_EQ(GroupedRowCount(4, g), 2);
    EXPECT_EQ(GroupedRowCount(12, g), 2) << "a partial row";
    EXPECT_EQ(GroupedRowCount(13, g), 2) << "n - o a multiple of k";
    EXPECT_EQ(GroupedRowCount(14, g), 3) << "one more value starts a partial row";
    EXPECT_EQ(MapTableRow(0, g, 13), (TableRowSpan{0, 2}));
    EXPECT_EQ(MapTableRow(1, g, 13), (TableRowSpan{3, 12}));
    EXPECT_GT(MapTableRow(2, g, 13).first, MapTableRow(2, g, 13).last) << "13 values: 2 rows";
    EXPECT_EQ(MapTableRow(2, g, 14), (TableRowSpan{13, 13}));
    EXPECT_GT(MapTableRow(3, g, 14).first, MapTableRow(3, g, 14).last) << "past the end";
    EXPECT_GT(MapTableRow(-1, g, 14).first, MapTableRow(-1, g, 14).last);
    // Row 0 shorter than o when the table is.
    EXPECT_EQ(MapTableRow(0, g, 2), (TableRowSpan{0, 1}));
    // The plain table: row r is value r.
    for (int r = 0; r < 4; ++r)
        EXPECT_EQ(MapTableRow(r, TableGrouping{}, 4), (TableRowSpan{r, r}));
    EXPECT_EQ(GroupedRowCount(4, TableGrouping{}), 4);
}

TEST(ReportOptions, AMillionOneSecondSamplesStartAtTenMinutes) {
    const ReportOptionsModel m(Facts(1000000), {});
    ASSERT_FALSE(m.Entries().empty());
    EXPECT_EQ(m.Entries().front().interval, 600) << "360 s would give 2778 rows";
    EXPECT_EQ(m.Entries().front().text, u"10 min"_qs);
    EXPECT_EQ(m.Entries().back().interval, 43200) << "T / 10 = 100000 s";
    // 1,000,000 / 3600 = 277.8 rows is above 220; / 7200 is not.
    EXPECT_EQ(m.Entries()[static_cast<std::size_t>(m.Selection())].interval, 7200);
}

TEST(ReportOptions, AHundredSamplesOfferOneSecondOnly) {
    const ReportOptionsModel m(Facts(100), {});
    EXPECT_EQ(Texts(m), std::vector<QString>{u"1 s"_qs});
    EXPECT_EQ(m.Selection(), 0) << "100 rows, at most 220";
}

TEST(ReportOptions, TheListEndsAtATenthOfTheDuration) {
    // T / 10 = 60 s exactly: 60 is listed, 120 is not.
    EXPECT_EQ(ReportOptionsModel(Facts(600), {}).Entries().back().interval, 60);
    // One sample less: 59.9 s, so 60 is not listed.
    EXPECT_EQ(ReportOptionsModel(Facts(599), {}).Entries().back().interval, 1);
}

TEST(ReportOptions, TheFirstUsableEntryKeepsTheTableWithinTheRowLimit) {
    // Exactly 2500 one-second rows: the plain table is allowed.
    EXPECT_EQ(ReportOptionsModel(Facts(2500), {}).Entries().front().interval, 1);
    // One more would be 2501 rows.
    EXPECT_EQ(ReportOptionsModel(Facts(2501), {}).Entries().front().interval, 60);
    // 60-second groups aligned from value 0: row 0 is value 0 alone, so 149,941 values give
    // 1 + 2499 = 2500 rows and one more value a 2501st.
    EXPECT_EQ(ReportOptionsModel(Facts(149941), {}).Entries().front().interval, 60);
    EXPECT_EQ(ReportOptionsModel(Facts(149942), {}).Entries().front().interval, 120);
    // So long that no averaging fits: no sample table at all, never a cut one.
    ReportOptions wanted;
    wanted.includeSampleTable = true;
    ReportOptionsModel tooLong(Facts(int64_t{43200} * 2500 + 2), wanted);
    EXPECT_TRUE(tooLong.Entries().empty());
    EXPECT_FALSE(tooLong.SampleTableAvailable());
    EXPECT_FALSE(tooLong.IncludeSampleTable());
    tooLong.SetIncludeSampleTable(true);
    EXPECT_FALSE(tooLong.IncludeSampleTable());
    EXPECT_EQ(tooLong.UsableSamplesPerAverage(1), 0);
    // A stored averaging that no longer fits gives way to the first usable one.
    const ReportOptionsModel million(Facts(1000000), {});
    EXPECT_EQ(million.UsableSamplesPerAverage(60), 600);
    EXPECT_EQ(million.UsableSamplesPerAverage(3600), 3600);
}

TEST(ReportOptions, SelectionFollowsTheStoredChoiceOrTheRowTarget) {
    // 22,000 s: 22000 / 60 = 366 rows, / 120 = 183 <= 220.
    const ReportOptionsModel fresh(Facts(22000), {});
    EXPECT_EQ(fresh.Entries()[static_cast<std::size_t>(fresh.Selection())].interval, 120);
    // 13,200 s: 13200 / 60 = 220 exactly, which is enough.
    const ReportOptionsModel edge(Facts(13200), {});
    EXPECT_EQ(edge.Entries()[static_cast<std::size_t>(edge.Selection())].interval, 60);
    const ReportOptionsModel above(Facts(13201), {});
    EXPECT_EQ(above.Entries()[static_cast<std::size_t>(above.Selection())].interval, 120);

    ReportOptions stored;
    stored.samplesPerAverage = 300;
    stored.averagingChosen = false;
    EXPECT_EQ(ReportOptionsModel(Facts(22000), stored).Selection(), fresh.Selection())
        << "a stored averaging the user did not choose is not selected";
    stored.averagingChosen = true;
    const ReportOptionsModel chosen(Facts(22000), stored);
    EXPECT_EQ(chosen.Entries()[static_cast<std::size_t>(chosen.Selection())].interval, 300);
    // A stored choice the list no longer offers falls back to the row target.
    stored.samplesPerAverage = 7;
    EXPECT_EQ(ReportOptionsModel(Facts(22000), stored).Selection(), fresh.Selection());
}

TEST(ReportOptions, LongPeriodsAverageWholeSamplesAndRememberTheChoice) {
    // 7-second samples: 60 s averages 8 samples (56 s) and is shown as what it is.
    ReportOptions stored;
    stored.includeSampleTable = true;
    ReportOptionsModel m(Facts(2000, 7), stored);
    ASSERT_GE(m.Entries().size(), 3u);
    EXPECT_EQ(m.Entries()[0].text, u"7 s"_qs);
    EXPECT_EQ(m.Entries()[1].samplesPerAverage, 8);
    EXPECT_EQ(m.Entries()[1].text, u"56 s"_qs);
    m.Select(1);
    const ReportOptions accepted = m.Accepted();
    EXPECT_EQ(accepted.samplesPerAverage, 8);
    EXPECT_TRUE(accepted.averagingChosen);
    // The next time the same entry is selected again.
    EXPECT_EQ(ReportOptionsModel(Facts(2000, 7), accepted).Selection(), 1);
    // A period of two minutes makes 1 s, 60 s and 120 s the same averaging: listed once.
    const ReportOptionsModel slow(Facts(1000, 120), {});
    EXPECT_EQ(slow.Entries()[0].samplesPerAverage, 1);
    EXPECT_EQ(slow.Entries()[1].samplesPerAverage, 2);
    EXPECT_EQ(slow.Entries()[1].interval, 300);
}

TEST(ReportOptions, TheListIsUsableOnlyWithTheTableTickedAndAveragingOffered) {
    ReportOptionsModel m(Facts(1000), {});
    EXPECT_FALSE(m.AveragingEnabled());
    m.SetIncludeSampleTable(true);
    EXPECT_TRUE(m.AveragingEnabled());
    m.SetIncludeSampleTable(false);
    EXPECT_FALSE(m.AveragingEnabled());
    EXPECT_FALSE(m.Accepted().averagingChosen) << "no table, no averaging chosen";

    ReportSessionFacts events = Facts(1000);
    events.averagingOffered = false;
    ReportOptionsModel e(events, {});
    EXPECT_TRUE(e.Entries().empty());
    e.SetIncludeSampleTable(true);
    EXPECT_TRUE(e.IncludeSampleTable()) << "an event table lists every event";
    EXPECT_FALSE(e.AveragingEnabled());
    EXPECT_EQ(e.Accepted().samplesPerAverage, 1);
}

TEST(ReportOptions, SecondsSnapToTheListAsTheWindowWouldOffer) {
    const ReportOptionsModel m(Facts(1000000), {});
    const auto interval = [&m](int seconds) {
        return m.Entries()[static_cast<std::size_t>(m.EntryForSeconds(seconds))].interval;
    };
    EXPECT_EQ(interval(600), 600);
    EXPECT_EQ(interval(599), 600) << "below the first entry: the first";
    EXPECT_EQ(interval(719), 600);
    EXPECT_EQ(interval(720), 720);
    EXPECT_EQ(interval(100000), 43200);
}

TEST(PageLayout, ArithmeticForSeveralPages) {
    // A4 landscape at 300 dpi, lines of 53 px.
    const PageLayout a4 = PageLayout::Make(3508, 2480, 53, 28);
    EXPECT_EQ(a4.headerHeight, 159);
    EXPECT_EQ(a4.footerLine, 2480 - 79) << "3L/2 in whole pixels";
    EXPECT_EQ(a4.page, (GraphRect{124, 124, 3508 - 124, 2480 - 124}));
    EXPECT_EQ(a4.contentTop, 265) << "5 lines are below the margin";
    EXPECT_EQ(a4.HeaderY(), 106);
    EXPECT_EQ(a4.FooterY(), 2401 - 53);
    EXPECT_EQ(a4.contentBottom, 2480 - 159) << "the footer's band: the last three lines";
    EXPECT_GT(a4.FooterY(), a4.contentBottom);
    // A small page whose margin is below five lines, then one whose margin is above.
    const PageLayout small = PageLayout::Make(1000, 600, 20, 8);
    EXPECT_EQ(small.page, (GraphRect{30, 30, 970, 570}));
    EXPECT_EQ(small.contentTop, 100);
    EXPECT_EQ(small.contentBottom, 540);
    const PageLayout wide = PageLayout::Make(10000, 8000, 20, 8);
    EXPECT_EQ(wide.contentTop, 400) << "the margin wins";
    EXPECT_EQ(wide.contentBottom, 7600) << "the margin wins below too";
    // An odd line height: 3 × 21 / 2 = 31.
    EXPECT_EQ(PageLayout::Make(1000, 1000, 21, 8).footerLine, 969);
}

int Measure(const QString& s) {
    return RecordingCanvas::kCharWidth * static_cast<int>(s.size());
}

TEST(WrapWords, LinesBreakBeforeTheWordThatReachesTheWidth) {
    // 70 px = 10 characters. "aaaa bbbb " is exactly 10: it reaches the width, so "bbbb"
    // starts the next line.
    EXPECT_EQ(WrapWords(u"aaaa bbbb cc"_qs, 70, Measure),
              (std::vector<QString>{u"aaaa "_qs, u"bbbb cc"_qs}));
    // 71 px: "aaaa bbbb " fits.
    EXPECT_EQ(WrapWords(u"aaaa bbbb cc"_qs, 71, Measure),
              (std::vector<QString>{u"aaaa bbbb "_qs, u"cc"_qs}));
    // A word wider than the page stands alone, once.
    EXPECT_EQ(WrapWords(u"abcdefghijklmn xy"_qs, 70, Measure),
              (std::vector<QString>{u"abcdefghijklmn "_qs, u"xy"_qs}));
    EXPECT_TRUE(WrapWords(QString(), 70, Measure).empty());
}

TEST(WrapWords, LineBreaksAreRemovedNotReplaced) {
    EXPECT_EQ(WrapWords(u"Sonde\r\nfroide"_qs, 700, Measure),
              std::vector<QString>{u"Sondefroide"_qs});
    EXPECT_EQ(WrapWords(u"a\nb c"_qs, 700, Measure), std::vector<QString>{u"ab c"_qs});
}

class ReportFixture : public testing::Test {
protected:
    std::unique_ptr<CRecSession> Session(int samples, const QString& parameters = QString()) {
        SessionImageBuilder b;
        std::vector<int16_t> counts;
        for (int i = 0; i < samples; ++i)
            counts.push_back(static_cast<int16_t>(100 + i % 50));
        b.Samples(counts);
        if (!parameters.isEmpty())
            b.ParameterText(u"CorrectedStartTime=2024/03/05 14:07:09\r\n"_qs + parameters);
        return ReadImage(b);
    }

    // Draws every page as a printer would and returns them, one canvas a page.
    std::vector<RecordingCanvas> Print(Printout& printout, const PageLayout& layout) {
        std::vector<RecordingCanvas> pages;
        for (int p = 1; p <= printout.PageCount(layout); ++p) {
            pages.emplace_back(true);
            printout.DrawPage(pages.back(), layout, p);
        }
        return pages;
    }

    // The view of a session page whose graph shows `s` whole on an 800 × 400 screen.
    static SessionPrintView View(const CRecSession& s, bool cursor = false) {
        CTrendGraph g;
        g.SetChannelSource(&s);
        g.SetOuterRect({0, 0, 800, 400});
        if (cursor)
            g.EnableCursor();
        RecordingCanvas screen;
        g.Draw(screen);
        return SessionPrintView::OfGraph(g, false);
    }

    // Every text of a page with the box the recording canvas gives it.
    static std::vector<TextBox> Boxes(const RecordingCanvas& page) {
        std::vector<TextBox> boxes;
        for (const auto& t : page.texts)
            if (!t.text.isEmpty())
                boxes.push_back({t.text,
                                 {t.topLeft.x, t.topLeft.y, t.topLeft.x + Measure(t.text),
                                  t.topLeft.y + RecordingCanvas::kTextHeight}});
        return boxes;
    }

    // 1400 × 1000 with lines of 20: content from 100 down to the footer's band at 940.
    const PageLayout layout_ = PageLayout::Make(1400, 1000, 20, 7);
};

TEST_F(ReportFixture, PageCountWithAndWithoutTheSampleTable) {
    const auto s = Session(100);
    ASSERT_TRUE(s);
    ReportOptions options;
    SessionReport plain(*s, View(*s), options);
    EXPECT_EQ(plain.PageCount(layout_), 2);
    // Content from 100 to 950: 42 lines, one of them the header row.
    EXPECT_EQ(SessionReport::TableRowsPerPage(layout_), 41);
    options.includeSampleTable = true;
    SessionReport table(*s, View(*s), options);
    EXPECT_EQ(table.TableRowCount(), 100);
    EXPECT_EQ(table.PageCount(layout_), 2 + 3) << "41 + 41 + 18 rows";
    const auto exact = Session(82);
    EXPECT_EQ(SessionReport(*exact, View(*exact), options).PageCount(layout_), 4);
    const auto over = Session(83);
    EXPECT_EQ(SessionReport(*over, View(*over), options).PageCount(layout_), 5);
}

TEST_F(ReportFixture, PageNumberAlwaysHeaderAndFooterOnRequest) {
    const auto s = Session(
        100, u"InstName=Four 2\r\nHeader=Labo Nord\r\nFooter=Signé : J.\r\nComments=Ligne un\r\n"
             u"ligne deux\r\n"_qs);
    ASSERT_TRUE(s);
    ASSERT_EQ(s->ReportHeader(), u"Labo Nord"_qs);
    ReportOptions options;
    SessionReport bare(*s, View(*s), options);
    const auto pages = Print(bare, layout_);
    ASSERT_EQ(pages.size(), 2u);
    for (std::size_t p = 0; p < pages.size(); ++p) {
        const auto* number = pages[p].FindText(QString::number(p + 1));
        ASSERT_TRUE(number) << "page " << p + 1;
        EXPECT_EQ(number->topLeft.y, layout_.HeaderY());
        EXPECT_EQ(number->topLeft.x + Measure(number->text), layout_.page.right);
        EXPECT_FALSE(pages[p].FindText(u"Labo Nord"_qs));
        EXPECT_FALSE(pages[p].FindText(u"Signé : J."_qs));
    }
    options.includeHeader = true;
    options.includeFooter = true;
    SessionReport dressed(*s, View(*s), options);
    for (const auto& page : Print(dressed, layout_)) {
        const auto* header = page.FindText(u"Labo Nord"_qs);
        ASSERT_TRUE(header);
        EXPECT_EQ(header->topLeft, (GraphPoint{layout_.page.left, layout_.HeaderY()}));
        const auto* footer = page.FindText(u"Signé : J."_qs);
        ASSERT_TRUE(footer);
        EXPECT_EQ(footer->topLeft.y, layout_.FooterY());
    }
}

TEST_F(ReportFixture, FirstPageHoldsTitleCommentsAndParameters) {
    const auto s = Session(10, u"Comments=Contrôle\r\n"_qs);
    ASSERT_TRUE(s);
    ReportOptions options;
    options.includeComments = true;
    SessionReport report(*s, View(*s), options);
    RecordingCanvas page(true);
    report.DrawPage(page, layout_, 1);
    const auto* title = page.FindText(u"Tendance"_qs);
    ASSERT_TRUE(title);
    EXPECT_EQ(title->topLeft, (GraphPoint{layout_.page.left, layout_.contentTop}));
    const auto* comment = page.FindText(u"Contrôle"_qs);
    ASSERT_TRUE(comment);
    EXPECT_EQ(comment->topLeft.y, 7 * layout_.lineHeight);
    const auto* name = page.FindText(u"Nom"_qs);
    ASSERT_TRUE(name);
    EXPECT_GT(name->topLeft.y, comment->topLeft.y + layout_.lineHeight) << "one line lower";
    // Without the option the comments are left out.
    options.includeComments = false;
    SessionReport without(*s, View(*s), options);
    RecordingCanvas other(true);
    without.DrawPage(other, layout_, 1);
    EXPECT_FALSE(other.FindText(u"Contrôle"_qs));
}

TEST_F(ReportFixture, TheLimitsBehindTheFiguresArePrintedWithTheirColumns) {
    const auto s = Session(100);
    ASSERT_TRUE(s);
    SessionReport plain(*s, View(*s), ReportOptions{});
    RecordingCanvas before(true);
    plain.DrawPage(before, layout_, 1);
    EXPECT_FALSE(before.FindText(u"Limites d’alarme et TCM"_qs)) << "none set, none printed";

    SessionFigures figures;
    figures.limits.high = 0.125;
    s->SetFigures(figures);
    SessionReport report(*s, View(*s), ReportOptions{});
    const auto pages = Print(report, layout_);
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_TRUE(pages[0].FindText(u"Limites d’alarme et TCM"_qs));
    EXPECT_TRUE(pages[0].FindText(u"0,125 "_qs + s->DisplayUnits()));
    EXPECT_TRUE(pages[0].FindText(u"aucune"_qs)) << "no low limit";
    EXPECT_FALSE(pages[0].FindText(u"ΔH/R de la température cinétique moyenne (K) :"_qs))
        << "not a temperature session";
    for (const char* header : {"Temps au-dessus", "Temps en dessous", "Dépassements"})
        EXPECT_TRUE(pages[1].FindText(QString::fromUtf8(header))) << header;
    EXPECT_FALSE(pages[1].FindText(u"TCM"_qs));
    const auto* channel = pages[1].FindText(u"Voie"_qs);
    ASSERT_TRUE(channel);
    EXPECT_EQ(pages[1].FindText(u"Dépassements"_qs)->topLeft.y, channel->topLeft.y)
        << "one line while it fits";

    // On a narrower page the line goes on below, and nothing passes the page's edge.
    const PageLayout narrow = PageLayout::Make(700, 1000, 20, 7);
    RecordingCanvas page(true);
    report.DrawPage(page, narrow, 2);
    const auto* first = page.FindText(u"Voie"_qs);
    const auto* moved = page.FindText(u"Dépassements"_qs);
    ASSERT_TRUE(first && moved);
    EXPECT_EQ(moved->topLeft.y, first->topLeft.y + 2 * narrow.lineHeight);
    for (const auto& text : page.texts)
        EXPECT_LE(text.topLeft.x + Measure(text.text), narrow.page.right)
            << text.text.toStdString();
}

TEST_F(ReportFixture, AveragedSampleTableRowsAverageTheirGroup) {
    // Start 14:07:09, so value 0 is stamped 14:07:10: 50 values reach 14:08:00.
    const auto s = Session(200);
    ASSERT_TRUE(s);
    const TableGrouping grouping = SessionTableGrouping(*s, 60);
    EXPECT_EQ(grouping, (TableGrouping{60, 51}));
    const SessionTable table(*s, grouping);
    ASSERT_EQ(table.RowCount(), 4) << "51 values, 60, 60, then 29";
    EXPECT_EQ(table.Cell(0, 1), u"14:08:00"_qs) << "a row shows the time its group ends";
    EXPECT_EQ(table.Cell(1, 1), u"14:09:00"_qs);
    EXPECT_EQ(table.Cell(3, 1), u"14:10:29"_qs);
    // The plain table is unchanged.
    EXPECT_EQ(SessionTable(*s, SessionTableGrouping(*s, 1)).RowCount(), 200);
    // Row 1 averages values 51..110 of the counts 100 + i % 50.
    double sum = 0;
    const auto& values = s->ChanData().FirstRecord().Values();
    for (int i = 51; i <= 110; ++i)
        sum += values[static_cast<std::size_t>(i)];
    EXPECT_EQ(table.Cell(1, 2),
              ChannelTexts(s->ChanData()).ValueText(sum / 60.0, s->DisplayUnits()));
}

TEST_F(ReportFixture, TheSampleTableEndsOnTheFootersBandAndGoesOnBelowIt) {
    ASSERT_EQ(layout_.contentBottom, 940);
    ReportOptions options;
    options.includeSampleTable = true;
    options.includeFooter = true;
    const auto lowestGridLine = [](const RecordingCanvas& page) {
        int lowest = 0;
        for (const auto& r : page.rects)
            if (!r.filled)
                lowest = std::max(lowest, r.rect.bottom - 1);
        return lowest;
    };
    // The header row and 41 rows fill the 42 lines: the last row's lower grid line lies
    // exactly on the band's top; the footer below it.
    const auto fits = Session(41, u"Footer=Visa du contrôle\r\n"_qs);
    SessionReport exact(*fits, View(*fits), options);
    ASSERT_EQ(exact.PageCount(layout_), 3);
    RecordingCanvas page(true);
    exact.DrawPage(page, layout_, 3);
    EXPECT_EQ(lowestGridLine(page), layout_.contentBottom);
    const auto* footer = page.FindText(u"Visa du contrôle"_qs);
    ASSERT_TRUE(footer);
    EXPECT_GE(footer->topLeft.y, layout_.contentBottom);
    EXPECT_TRUE(OverlappingTexts(Boxes(page)).empty());
    // One row more goes on the next page, under its headers.
    const auto over = Session(42, u"Footer=Visa du contrôle\r\n"_qs);
    SessionReport longer(*over, View(*over), options);
    ASSERT_EQ(longer.PageCount(layout_), 4);
    RecordingCanvas next(true);
    longer.DrawPage(next, layout_, 4);
    EXPECT_TRUE(next.FindText(u"Date"_qs));
    EXPECT_EQ(lowestGridLine(next), layout_.contentTop + 2 * layout_.lineHeight);
    // A page one pixel shorter has room for 40 rows only.
    const PageLayout shorter = PageLayout::Make(1400, 999, 20, 7);
    ASSERT_EQ(shorter.contentBottom, 939);
    EXPECT_EQ(SessionReport::TableRowsPerPage(shorter), 40);
    EXPECT_EQ(exact.PageCount(shorter), 4);
}

TEST_F(ReportFixture, NoTextOverlapsAnotherOnAnyPageAndOnlyTheFooterIsInItsBand) {
    const auto s = Session(
        300, u"InstName=Four 2\r\nHeader=Labo Nord\r\nFooter=Signé : J.\r\nComments=Porte "
             u"ouverte deux fois pendant la mesure, voir le cahier de l’atelier pour le détail "
             u"des ouvertures et des températures relevées à la main par l’opérateur.\r\n"_qs);
    ASSERT_TRUE(s);
    ReportOptions options;
    options.includeHeader = options.includeFooter = options.includeComments = true;
    options.includeSampleTable = true;
    SessionReport report(*s, View(*s, true), options);
    const auto pages = Print(report, layout_);
    ASSERT_EQ(pages.size(), 2u + 8u);
    for (std::size_t p = 0; p < pages.size(); ++p) {
        EXPECT_EQ(OverlappingTexts(Boxes(pages[p])), std::vector<QString>{}) << "page " << p + 1;
        for (const TextBox& t : Boxes(pages[p])) {
            EXPECT_LE(t.box.right, layout_.page.right) << t.text.toStdString();
            if (t.text == u"Signé : J."_qs) {
                EXPECT_GE(t.box.top, layout_.contentBottom);
            } else {
                EXPECT_LE(t.box.bottom, layout_.contentBottom)
                    << t.text.toStdString() << " on page " << p + 1;
            }
        }
        for (const auto& line : pages[p].lines)
            EXPECT_LE(std::max(line.from.y, line.to.y), layout_.contentBottom) << "page " << p + 1;
    }
}

TEST_F(ReportFixture, ThePrintedGraphHasNoFrameAroundItsDrawing) {
    const auto s = Session(300);
    SessionReport report(*s, View(*s, true), ReportOptions{});
    RecordingCanvas page(true);
    report.DrawPage(page, layout_, 2);
    // The channel line's two rows are the only framed boxes: nothing beside the value labels
    // nor across the time axis.
    const int lineBottom = layout_.contentTop + 2 * layout_.lineHeight;
    for (const auto& r : page.rects) {
        if (!r.filled) {
            EXPECT_LE(r.rect.bottom - 1, lineBottom);
        }
    }
    const auto* label = page.FindText(u"Vdc"_qs);
    ASSERT_TRUE(label) << "the unit beside the value labels";
    for (const auto& line : page.lines) {
        if (line.IsVertical() && line.from.y > lineBottom) {
            EXPECT_GT(line.from.x, label->topLeft.x) << "a line left of the value labels";
        }
    }
}

TEST_F(ReportFixture, TheChannelLineIsThePrintedGraphsOwn) {
    // The view of a page whose cursor stands on value 37 of a 1-second session.
    const auto s = Session(100);
    CTrendGraph screen;
    screen.SetChannelSource(s.get());
    screen.SetOuterRect({0, 0, 800, 400});
    screen.EnableCursor();
    RecordingCanvas canvas;
    screen.Draw(canvas);
    screen.PlaceCursorAtTime(37.0);
    screen.Draw(canvas);
    const SessionPrintView view = SessionPrintView::OfGraph(screen, false);
    ASSERT_TRUE(view.cursorSeconds);
    SessionReport report(*s, view, ReportOptions{});
    EXPECT_FALSE(report.PrintedChannelLine()) << "nothing printed yet";
    RecordingCanvas page(true);
    report.DrawPage(page, layout_, 2);
    ASSERT_TRUE(report.PrintedChannelLine());
    const QString avg = report.PrintedChannelLine()->TextOf(ChanListHeaderType::CursorAvg);
    EXPECT_EQ(avg, screen.CursorValueText(s->DisplayUnits()));
    EXPECT_TRUE(page.FindText(avg));
    // Printing again, and after the screen moved on, prints the same.
    screen.PlaceCursorAtTime(80.0);
    screen.Draw(canvas);
    RecordingCanvas again(true);
    report.DrawPage(again, layout_, 2);
    EXPECT_EQ(report.PrintedChannelLine()->TextOf(ChanListHeaderType::CursorAvg), avg);
}

TEST_F(ReportFixture, ACursorOnTheEdgeBetweenTwoColumnsPrintsTheValueTheScreenRead) {
    // 101 values 8 pixels apart, each reading 0,08 V above the last: the centre of value 37's
    // column, where the screen's cursor still reads value 37, is a whole pixel.
    SessionImageBuilder b;
    std::vector<int16_t> counts;
    for (int i = 0; i <= 100; ++i)
        counts.push_back(static_cast<int16_t>(20 * i));
    b.Samples(counts);
    const auto s = ReadImage(b);
    CTrendGraph screen;
    screen.SetChannelSource(s.get());
    screen.EnableCursor();
    RecordingCanvas canvas;
    screen.SetOuterRect({0, 0, 900, 400});
    screen.Draw(canvas);
    const int extra = screen.InnerRect().Width() - 2 - 800;
    screen.SetOuterRect({0, 0, 900 - extra, 400});
    screen.Draw(canvas);
    ASSERT_EQ(screen.InnerRect().Width() - 2, 800);
    const int centre = screen.InnerRect().left + 1 + 8 * 37 + 4;
    for (const int dx : {-1, 0, 1}) {
        screen.PlaceCursor(centre + dx);
        screen.Draw(canvas);
        ASSERT_EQ(screen.CursorIndex(), dx <= 0 ? 37 : 38) << dx;
        SessionReport report(*s, SessionPrintView::OfGraph(screen, false), ReportOptions{});
        RecordingCanvas page(true);
        report.DrawPage(page, layout_, 2);
        EXPECT_EQ(report.PrintedChannelLine()->TextOf(ChanListHeaderType::CursorAvg),
                  screen.CursorValueText(s->DisplayUnits()))
            << dx;
    }
}

TEST_F(ReportFixture, ASessionWithFewerThanTwoValuesPrintsNoCursorReading) {
    // The view comes from a graph whose cursor read another session.
    const auto other = Session(100);
    const SessionPrintView view = View(*other, true);
    ASSERT_TRUE(view.cursorSeconds);
    for (const int values : {0, 1, 2}) {
        const auto s = Session(values);
        ASSERT_TRUE(s);
        SessionReport report(*s, view, ReportOptions{});
        RecordingCanvas page(true);
        report.DrawPage(page, layout_, 2);
        ASSERT_TRUE(report.PrintedChannelLine());
        const QString avg = report.PrintedChannelLine()->TextOf(ChanListHeaderType::CursorAvg);
        if (values < 2)
            EXPECT_EQ(avg, u"- - -"_qs) << values << " values";
        else
            EXPECT_TRUE(avg.endsWith(s->DisplayUnits())) << "two values draw";
        EXPECT_TRUE(page.FindText(avg));
    }
}

TEST(ListPrintout, RowsContinueOnLaterPagesUnderTheirHeaders) {
    const PageLayout layout = PageLayout::Make(1400, 1000, 20, 7);
    std::vector<std::vector<QString>> rows;
    for (int i = 0; i < 100; ++i)
        rows.push_back({QString::number(i), u"x"_qs});
    ListPrintout list(u"Sessions ouvertes"_qs, {u"A"_qs, u"B"_qs}, rows);
    // Page 1: rows from 160 to 950, 39 of them; later pages 41.
    EXPECT_EQ(list.PageCount(layout), 1 + 2);
    RecordingCanvas second(true);
    list.DrawPage(second, layout, 2);
    EXPECT_TRUE(second.FindText(u"39"_qs));
    EXPECT_FALSE(second.FindText(u"38"_qs));
    EXPECT_TRUE(second.FindText(u"A"_qs)) << "headers repeat";
    ListPrintout empty(u"Sessions ouvertes"_qs, {u"A"_qs}, {});
    EXPECT_EQ(empty.PageCount(layout), 1);
}

} // namespace
