#pragma once

#include "core/common/Outcome.h"
#include "core/graph/PageLayout.h"

#include <QFont>
#include <QString>

class Printout;
class QPagedPaintDevice;
class QPainter;

// Prints on paper or into a PDF through the same path: the print font ("Arial" 12 points,
// which fontconfig gives as its metric twin), the page layout of the device's page, and the
// print-out's pages one after the other.
class PrintDriver {
public:
    static QFont PrintFont();
    // The layout of the page the painter is begun on, with the print font selected.
    static PageLayout LayoutFor(QPainter& painter);
    // Pages `first` to `last` (from 1; 0 means the end); returns the number printed, or 0
    // when the device cannot be painted.
    static int PrintPages(QPagedPaintDevice& device, Printout& printout, int first = 1,
                          int last = 0);
    // The whole print-out as a landscape A4 PDF at `path`, titled with the print-out's
    // document name; the file appears only when it is whole, so a failure leaves nothing
    // behind and an earlier file as it was.
    static Outcome WritePdf(const QString& path, Printout& printout);
};
