#include "gui/graph/PrintDriver.h"

#include "core/common/StringTable.h"
#include "core/graph/Printout.h"
#include "gui/graph/QtCanvas.h"

#include <QFont>
#include <QFontMetrics>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

namespace {

constexpr int kPdfResolution = 300;

} // namespace

QFont PrintDriver::PrintFont() {
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(12);
    return font;
}

PageLayout PrintDriver::LayoutFor(QPainter& painter) {
    painter.setFont(PrintFont());
    const QFontMetrics metrics(painter.font(), painter.device());
    return PageLayout::Make(painter.device()->width(), painter.device()->height(),
                            metrics.height() + metrics.leading() + 3,
                            metrics.horizontalAdvance(u'n'));
}

int PrintDriver::PrintPages(QPagedPaintDevice& device, Printout& printout, int first, int last) {
    QPainter painter;
    if (!painter.begin(&device))
        return 0;
    const PageLayout layout = LayoutFor(painter);
    const int count = printout.PageCount(layout);
    const int from = std::max(1, first);
    const int to = last <= 0 ? count : std::min(last, count);
    int printed = 0;
    for (int page = from; page <= to; ++page) {
        if (printed > 0 && !device.newPage())
            break;
        QtCanvas canvas(painter, true);
        printout.DrawPage(canvas, layout, page);
        ++printed;
    }
    return painter.end() ? printed : 0;
}

Outcome PrintDriver::WritePdf(const QString& path, Printout& printout) {
    const auto failure = [&path] {
        return Outcome::Failure(OutcomeType::CannotWrite,
                                FormatResource(TextId::kPdfNotWritten, {path}));
    };
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return failure();
    {
        QPdfWriter pdf(&file);
        pdf.setResolution(kPdfResolution);
        pdf.setPageSize(QPageSize(QPageSize::A4));
        pdf.setPageOrientation(QPageLayout::Landscape);
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        pdf.setCreator(QStringLiteral("Vexlo"));
        pdf.setTitle(printout.DocumentName());
        if (PrintPages(pdf, printout) == 0) {
            file.cancelWriting();
            return failure();
        }
    }
    if (!file.commit())
        return failure();
    return Outcome::Success();
}
