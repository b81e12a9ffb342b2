// The printed report of a 1,000,000-sample session with its sample table at 600 s (about
// 1,700 averaged rows over some 55 pages): written as a PDF as vexlo-cli report does, and
// drawn page by page into pictures as the print preview does.
#include "BenchSessions.h"
#include "core/graph/CTrendGraph.h"
#include "core/graph/SessionReport.h"
#include "core/session/CRecSession.h"
#include "core/session/SessionFile.h"
#include "gui/graph/PrintDriver.h"
#include "gui/graph/QtCanvas.h"

#include <QGuiApplication>
#include <QImage>
#include <QPageLayout>
#include <QPainter>
#include <QPicture>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

struct ReportedSession {
    ReportedSession() {
        // A report of no session would time nothing worth knowing.
        if (const Outcome read = ReadSessionImage(session, BenchSessions::Voltage(1000000), false);
            !read)
            qFatal("%s", qPrintable(read.message));
        graph.SetChannelSource(&session);
        QImage screen(1200, 600, QImage::Format_RGB32);
        QPainter painter(&screen);
        graph.SetOuterRect({0, 0, 1200, 600});
        QtCanvas canvas(painter, false);
        graph.Draw(canvas);
        options.includeSampleTable = true;
        options.samplesPerAverage = 600;
        options.includeComments = true;
    }
    CRecSession session{nullptr};
    CTrendGraph graph;
    ReportOptions options;
};

ReportedSession& Reported() {
    static ReportedSession reported;
    return reported;
}

void BM_ReportPdf(benchmark::State& state) {
    ReportedSession& r = Reported();
    QTemporaryDir dir;
    int pages = 0;
    for (auto _ : state) {
        SessionReport report(r.session, SessionPrintView::OfGraph(r.graph, false), r.options);
        const Outcome written = PrintDriver::WritePdf(dir.filePath(u"r.pdf"_qs), report);
        if (!written)
            state.SkipWithError("the PDF was not written");
        pages = static_cast<int>(report.TableRowCount());
    }
    state.counters["table_rows"] = pages;
}
BENCHMARK(BM_ReportPdf)->Unit(benchmark::kMillisecond);

// The preview records each page as a picture; the layout is an A4 landscape page at 300 dpi
// with the print font's lines.
void BM_PreviewPages(benchmark::State& state) {
    ReportedSession& r = Reported();
    for (auto _ : state) {
        SessionReport report(r.session, SessionPrintView::OfGraph(r.graph, false), r.options);
        const PageLayout layout = PageLayout::Make(3508, 2480, 53, 28);
        const int count = report.PageCount(layout);
        for (int page = 1; page <= count; ++page) {
            QPicture picture;
            QPainter painter(&picture);
            painter.setFont(PrintDriver::PrintFont());
            QtCanvas canvas(painter, true);
            report.DrawPage(canvas, layout, page);
        }
        state.counters["pages"] = count;
    }
}
BENCHMARK(BM_PreviewPages)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
