#pragma once

#include <QString>

class CDisplayDataView;
class CVexloDoc;
class QPrinter;
class QWidget;

// "Imprimer" and "Aperçu avant impression" of the page shown, in landscape, through the one
// print path; a print to a file writes a PDF without any printer installed. The job is named
// after what it prints (the session's name), which is also the PDF's title.
namespace PrintCommands {

// The document's name made safe for a file, as a PDF in the data folder (the home folder
// when there is none).
QString ProposedPdfPath(const QString& dataFolder, const QString& documentName);
// The print dialog's file name: `path`, while the default printer, if any, stays selected.
void ProposeFile(QPrinter& printer, const QString& path);
void Print(CDisplayDataView& page, const QString& dataFolder, QWidget* parent);
// While the preview shows, the document holds back the hints that would change the page.
void Preview(CDisplayDataView& page, CVexloDoc& doc, QWidget* parent);

} // namespace PrintCommands
