#include "core/common/StringTable.h"
#include "gui/app/ColumnWidths.h"
#include "gui/sessions/CChannelListCtrl.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QScrollBar>
#include <QTreeWidget>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

using K = ChanListHeaderType;

int TextWidth(const QWidget& w, const QString& text) {
    return QFontMetrics(w.font()).horizontalAdvance(text);
}

} // namespace

TEST(ColumnWidths, ListColumnsFitTheirTextsWithTheGivenWidthsAsFloor) {
    QTreeWidget list;
    list.setHeaderLabels({u"Nom"_qs, u"Date/heure de début"_qs});
    new QTreeWidgetItem(&list, {u"a"_qs, u"10/12/2026 01:12:25"_qs});
    constexpr int kMinimums[] = {140, 20};
    FitColumnsToContents(list, kMinimums);
    EXPECT_EQ(list.columnWidth(0), 140) << "a short text keeps the given width exactly";
    EXPECT_GT(list.columnWidth(1), TextWidth(list, u"Date/heure de début"_qs))
        << "a wider header widens its column";
    EXPECT_GT(list.columnWidth(1), TextWidth(list, u"10/12/2026 01:12:25"_qs));

    // A floor exactly at, one below and one above what the texts need.
    const int needed = list.columnWidth(1);
    for (const int floor : {needed - 1, needed, needed + 1}) {
        const int widths[] = {140, floor};
        FitColumnsToContents(list, widths);
        EXPECT_EQ(list.columnWidth(1), std::max(needed, floor)) << floor;
    }
}

TEST(ColumnWidths, TheChannelLineShowsEveryTextWholeAndWrapsItsTitlesBeforeScrolling) {
    CChannelListCtrl line;
    line.resize(2000, 100);
    line.show();
    line.SetColumns({{K::Channel, 60}, {K::Colour, 60}, {K::CursorMin, 80}, {K::WindowAvg, 80}});
    const int shortHeight = line.height();
    line.SetLine(0xFF, [](ChanListHeaderType kind) {
        return kind == K::CursorMin ? ResourceString(TextId::kOverRange) : u"1,2"_qs;
    });
    EXPECT_GT(line.columnWidth(2), TextWidth(line, ResourceString(TextId::kOverRange)));
    EXPECT_EQ(line.columnWidth(0), 60) << "a short text keeps the column's width";
    for (int i = 0; i < line.columnCount(); ++i)
        EXPECT_GE(line.columnWidth(i), line.horizontalHeader()->sectionSizeHint(i))
            << "a title is never cut: " << i;
    const int widened = line.columnWidth(2);
    line.SetLine(0xFF, [](ChanListHeaderType) { return u"1"_qs; });
    EXPECT_EQ(line.columnWidth(2), widened) << "the line does not shake as values change";

    // The titles go on two lines exactly when the line no longer fits on one.
    const int oneLine = line.horizontalHeader()->length() + 2 * line.frameWidth();
    line.resize(oneLine, line.height());
    EXPECT_FALSE(line.TwoLineTitles()) << "a line that just fits keeps its titles on one line";
    EXPECT_EQ(line.height(), shortHeight);
    line.resize(oneLine - 1, line.height());
    EXPECT_TRUE(line.TwoLineTitles()) << "one pixel less breaks the titles";
    EXPECT_EQ(line.horizontalHeaderItem(2)->text(), u"Curseur\nMIN"_qs);
    EXPECT_EQ(line.HeaderText(2), u"Curseur MIN"_qs) << "the title itself stays whole";
    const int twoLineHeight = line.height();
    EXPECT_GT(twoLineHeight, shortHeight);
    EXPECT_LE(line.horizontalHeader()->length() + 2 * line.frameWidth(), oneLine - 1)
        << "the broken titles make the line fit without a scroll bar";

    line.resize(150, line.height());
    EXPECT_EQ(line.height(), twoLineHeight + line.horizontalScrollBar()->sizeHint().height())
        << "a line wider than the page even so keeps room for its scroll bar";
    line.resize(2000, line.height());
    EXPECT_FALSE(line.TwoLineTitles());
    EXPECT_EQ(line.height(), shortHeight);
}
