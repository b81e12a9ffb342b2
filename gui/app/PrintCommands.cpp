#include "gui/app/PrintCommands.h"

#include "core/common/FileNames.h"
#include "core/common/StringTable.h"
#include "core/doc/CVexloDoc.h"
#include "core/graph/Printout.h"
#include "gui/graph/CDisplayDataView.h"
#include "gui/graph/PrintDriver.h"

#include <QDir>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

namespace {

constexpr int kPrintResolution = 300;

void SetUp(QPrinter& printer, const QString& documentName) {
    printer.setResolution(kPrintResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    printer.setDocName(documentName);
}

// The document's hints wait while the preview shows the page as it was.
class PreviewShowing {
public:
    explicit PreviewShowing(CVexloDoc& doc) : doc_(doc) { doc_.SetPrintPreviewShowing(true); }
    ~PreviewShowing() { doc_.SetPrintPreviewShowing(false); }
    PreviewShowing(const PreviewShowing&) = delete;
    PreviewShowing& operator=(const PreviewShowing&) = delete;

private:
    CVexloDoc& doc_;
};

void NothingToPrint(QWidget* parent) {
    QMessageBox::information(parent, QStringLiteral("Vexlo"),
                             ResourceString(TextId::kNothingToPrint));
}

} // namespace

namespace PrintCommands {

QString ProposedPdfPath(const QString& dataFolder, const QString& documentName) {
    QString name = documentName;
    MakeSafeName(name);
    if (name.trimmed().isEmpty())
        name = QStringLiteral("Vexlo");
    return QDir(dataFolder.isEmpty() ? QDir::homePath() : dataFolder)
        .filePath(name + QStringLiteral(".pdf"));
}

void ProposeFile(QPrinter& printer, const QString& path) {
    // A file name switches the printer to PDF output; the native format brings the default
    // printer back where there is one, the name staying as the dialog's proposal.
    printer.setOutputFileName(path);
    printer.setOutputFormat(QPrinter::NativeFormat);
}

void Print(CDisplayDataView& page, const QString& dataFolder, QWidget* parent) {
    if (!page.PreparePrint(parent))
        return;
    const std::unique_ptr<Printout> printout = page.MakePrintout();
    if (!printout) {
        NothingToPrint(parent);
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    SetUp(printer, printout->DocumentName());
    ProposeFile(printer, ProposedPdfPath(dataFolder, printout->DocumentName()));
    QPrintDialog dialog(&printer, parent);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const bool range = printer.printRange() == QPrinter::PageRange;
    const int printed = PrintDriver::PrintPages(printer, *printout, range ? printer.fromPage() : 1,
                                                range ? printer.toPage() : 0);
    page.EndPrint();
    if (printed == 0) {
        const QString where =
            printer.outputFileName().isEmpty() ? printer.printerName() : printer.outputFileName();
        QMessageBox::critical(parent, QStringLiteral("Vexlo"),
                              FormatResource(TextId::kPrintFailed, {where}));
    }
}

void Preview(CDisplayDataView& page, CVexloDoc& doc, QWidget* parent) {
    if (!page.PreparePrint(parent))
        return;
    const std::unique_ptr<Printout> printout = page.MakePrintout();
    if (!printout) {
        NothingToPrint(parent);
        return;
    }
    const PreviewShowing showing(doc);
    QPrinter printer(QPrinter::HighResolution);
    SetUp(printer, printout->DocumentName());
    QPrintPreviewDialog preview(&printer, parent);
    preview.setWindowTitle(ResourceString(TextId::kCommandFilePrintPreview));
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                     [&printout](QPrinter* target) {
                         const bool range = target->printRange() == QPrinter::PageRange;
                         PrintDriver::PrintPages(*target, *printout, range ? target->fromPage() : 1,
                                                 range ? target->toPage() : 0);
                     });
    preview.resize(parent ? parent->size() : QSize(1024, 700));
    preview.exec();
    page.EndPrint();
}

} // namespace PrintCommands
