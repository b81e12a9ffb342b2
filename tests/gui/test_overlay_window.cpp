#include "core/doc/CVexloDoc.h"
#include "core/session/CRecSession.h"
#include "gui/graph/COverlayGraphWidget.h"
#include "gui/graph/CTrendGraphWidget.h"
#include "gui/graph/GraphPalette.h"
#include "gui/sessions/CVXOverlayWindow.h"
#include "sim/ManualClock.h"
#include "support/FakeDriveBackend.h"
#include "support/MemorySettingsStore.h"
#include "support/ScriptedUserInterface.h"
#include "support/SessionImageBuilder.h"

#include <QApplication>
#include <QFile>
#include <QPointer>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class OverlayWindow : public testing::Test {
protected:
    CRecSession& Open(const char* start, int period, int n, int base) {
        SessionImageBuilder b;
        b.Set("Start", start).Set("Per", QByteArray::number(period)).Set("Ch1Units", "V");
        std::vector<int16_t> counts;
        for (int i = 0; i < n; ++i)
            counts.push_back(static_cast<int16_t>(base + i));
        b.Samples(counts);
        const QString path = dir_.filePath(QStringLiteral("s%1.vx").arg(++files_));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(b.Build());
        f.close();
        EXPECT_TRUE(doc_.OpenSessionFile(path, false));
        return *doc_.Sessions().back();
    }

    QTemporaryDir dir_;
    int files_ = 0;
    MemorySettingsStore settings_;
    FakeDriveBackend drives_;
    ManualClock clock_;
    ScriptedUserInterface ui_;
    CVexloDoc doc_{settings_, drives_, clock_, ui_};
};

TEST_F(OverlayWindow, ListsTheSessionsWithTheirReadingsAndClosesWithOneOfThem) {
    CRecSession& a = Open("2024/03/05 14:00:00", 1, 601, 0);
    CRecSession& b = Open("2024/03/05 14:05:00", 60, 61, 1000);
    CRecSession& c = Open("2024/03/05 16:00:00", 10, 61, 3000);
    QPointer<CVXOverlayWindow> window = new CVXOverlayWindow(doc_, {&a, &b, &c});
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));

    COverlayGraph& graph = window->GraphWidget().Graph();
    EXPECT_EQ(window->Table().rowCount(), 3);
    EXPECT_DOUBLE_EQ(graph.TotalSpan(), 7800.0);
    // A click in the plot moves the cursor, and the table reads all three at its time.
    const GraphRect plot = graph.InnerRect();
    const int x = plot.left + 1 + static_cast<int>((plot.Width() - 2) * 7230.0 / 7800.0);
    QTest::mouseClick(&window->GraphWidget(), Qt::LeftButton, {}, QPoint(x, plot.top + 10));
    EXPECT_NEAR(graph.CursorTime(), 7230.0, 10.0);
    for (int s = 0; s < 3; ++s)
        EXPECT_EQ(window->Table().item(s, 4)->text(), graph.CursorReading(s)) << s;
    EXPECT_EQ(window->Table().item(0, 4)->text(), u"- - -"_qs);
    EXPECT_NE(window->Table().item(2, 4)->text(), u"- - -"_qs);

    // Zoom acts on the whole graph.
    graph.ZoomIn();
    window->GraphWidget().Render();
    EXPECT_LT(graph.ViewSpan(), 7800.0);

    doc_.CloseSession(b);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
}

TEST_F(OverlayWindow, AGraphFollowsTheDarkPaletteOfItsWidget) {
    CRecSession& a = Open("2024/03/05 14:00:00", 1, 100, 0);
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
