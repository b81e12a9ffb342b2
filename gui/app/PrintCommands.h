#pragma once

class CDisplayDataView;
class CVexloDoc;
class QWidget;

// "Imprimer" and "Aperçu avant impression" of the page shown, in landscape, through the one
// print path; a print to a file writes a PDF without any printer installed.
namespace PrintCommands {

void Print(CDisplayDataView& page, QWidget* parent);
// While the preview shows, the document holds back the hints that would change the page.
void Preview(CDisplayDataView& page, CVexloDoc& doc, QWidget* parent);

} // namespace PrintCommands
