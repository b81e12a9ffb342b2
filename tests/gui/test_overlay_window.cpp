#include "core/doc/CVexloDoc.h"
#include "core/session/CRecSession.h"
#include "gui/graph/COverlayGraphWidget.h"
#include "gui/graph/CTrendGraphWidget.h"
#include "gui/graph/GraphPalette.h"
#include "gui/sessions/CVXOverlayWindow.h"
#include "support/SessionFilesFixture.h"
#include "support/SessionImageBuilder.h"

#include <QApplication>
#include <QFile>
#include <QMouseEvent>
#include <QPointer>
#include <QTableWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class OverlayWindow : public SessionFilesFixture {
protected:
    CRecSession& Open(SessionImageBuilder& b, const char* start) {
        b.Set("Start", start);
        return OpenBuilt(b);
    }
    // An RTD logger, one value a second.
    CRecSession& Rtd(const char* start, int n, int base) {
        std::vector<int16_t> counts;
        for (int i = 0; i < n; ++i)
            counts.push_back(static_cast<int16_t>(base + i % 100));
        SessionImageBuilder b;
        b.Set("Model", "7").Set("MaxCnt", "4096").Set("RTDRef", "4750").Set("RTDNom", "1000");
        b.Samples(counts);
        return Open(b, start);
    }
    // A thermocouple logger, one value every two seconds.
    CRecSession& Thermocouple(const char* start, int n) {
        std::vector<std::pair<int16_t, int16_t>> pairs;
        for (int i = 0; i < n; ++i)
            pairs.emplace_back(static_cast<int16_t>(100 + i), 0);
        SessionImageBuilder b;
        b.Set("Model", "8").Set("TC_Type", "K").Set("VRef", "1").Set("MaxCnt", "100");
        b.PairSamples(pairs);
        return Open(b, start);
    }
};

TEST_F(OverlayWindow, ListsTheSessionsWithTheirReadingsAndClosesWithOneOfThem) {
    CRecSession& a = Rtd("2024/03/05 14:00:00", 601, 600);
    CRecSession& b = Thermocouple("2024/03/05 14:05:00", 61);
    CRecSession& c = Rtd("2024/03/05 16:00:00", 61, 900);
    QPointer<CVXOverlayWindow> window = new CVXOverlayWindow(doc_, {&a, &b, &c});
    window->show();
    QCoreApplication::processEvents();

    COverlayGraph& graph = window->GraphWidget().Graph();
    EXPECT_EQ(window->Table().rowCount(), 3);
    EXPECT_DOUBLE_EQ(graph.TotalSpan(), 7260.0);
    // A click in the plot moves the cursor, and the table reads all three at its time.
    const GraphRect plot = graph.InnerRect();
    const int x = plot.left + 1 + static_cast<int>((plot.Width() - 2) * 7230.0 / 7260.0);
    const QPointF at(x, plot.top + 10);
    QMouseEvent press(QEvent::MouseButtonPress, at, window->GraphWidget().mapToGlobal(at),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window->GraphWidget(), &press);
    EXPECT_NEAR(graph.CursorTime(), 7230.0, 10.0);
    for (int s = 0; s < 3; ++s)
        EXPECT_EQ(window->Table().item(s, 4)->text(), graph.CursorReading(s)) << s;
    EXPECT_EQ(window->Table().item(0, 4)->text(), u"- - -"_qs);
    EXPECT_NE(window->Table().item(2, 4)->text(), u"- - -"_qs);

    // Zoom acts on the whole graph.
    graph.ZoomIn();
    window->GraphWidget().Render();
    EXPECT_LT(graph.ViewSpan(), 7260.0);

    doc_.RemoveSession(b.Number());
    // Closed; the event loop would delete it next.
    ASSERT_FALSE(window.isNull());
    EXPECT_FALSE(window->isVisible());
    delete window.data();
}

TEST_F(OverlayWindow, AGraphFollowsTheDarkPaletteOfItsWidget) {
    CRecSession& a = Rtd("2024/03/05 14:00:00", 100, 600);
    CTrendGraphWidget widget(doc_);
    widget.resize(600, 300);
    widget.SetSession(&a);
    const auto plotColour = [&] {
        QImage image = widget.grab().toImage();
        const GraphRect plot = widget.Graph().InnerRect();
        return image.pixelColor(plot.left + 3, plot.top + 3);
    };
    EXPECT_EQ(plotColour(), QColor(Qt::white));

    widget.setPalette(DarkPalette());
    const QColor dark = plotColour();
    const ColorRef expected = DarkDefaultColours::kGraphBackground;
    EXPECT_EQ(dark, QColor(RedOf(expected), GreenOf(expected), BlueOf(expected)));
}

} // namespace
