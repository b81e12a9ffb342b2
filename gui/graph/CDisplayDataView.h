#pragma once

#include <QWidget>
#include <memory>

class Printout;
class QMimeData;

// The common base of the right-hand pages that show data: what they print and what they
// copy. A page prints through `MakePrintout`, drawn by the one print path on paper, in the
// preview and into a PDF.
class CDisplayDataView : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;

    // Asks what the print-out should hold (the report options of a session); false when the
    // user cancelled.
    virtual bool PreparePrint(QWidget* dialogParent);
    // The page as it stands now, to print; null when it has nothing to print. It may refer to
    // the page's data and graph, so it must not outlive the page.
    virtual std::unique_ptr<Printout> MakePrintout() = 0;
    // After a print job: the screen shows the page as before.
    virtual void EndPrint() {}

    // A picture of the page and, when it has rows of text to offer, those rows
    // tab-separated: the selected table rows, or the page's list.
    std::unique_ptr<QMimeData> CopyData();
    virtual QString CopyText() const = 0;
};
