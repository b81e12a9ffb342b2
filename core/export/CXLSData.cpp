#include "export/CXLSData.h"

#include "export/CWorksheet.h"
#include "export/SheetName.h"

namespace {
constexpr int kContinuationFrozen = 2;
} // namespace

Outcome CXLSData::Open(const QString& path) {
    m_sheet = nullptr;
    m_names.clear();
    m_continued.clear();
    m_continuations = 0;
    return m_workbook.Open(path);
}

void CXLSData::AddSheet(const QString& name, int frozenRows, int frozenColumns) {
    StartSheet(name, frozenRows, frozenColumns);
    m_continued = m_sheet ? m_names.last() : QString();
    m_continuations = 0;
}

void CXLSData::StartSheet(const QString& name, int frozenRows, int frozenColumns) {
    const auto number = static_cast<unsigned>(m_names.size()) + 1;
    const QString sheetName = MakeSheetName(name, number, m_names);
    m_sheet = m_workbook.AddWorksheet(sheetName, frozenRows, frozenColumns);
    if (!m_sheet)
        return;
    m_names.append(sheetName);
    m_sheet->NewRow();
    AddText(sheetName, CellStyleType::BottomBorder);
    m_sheet->NewRow();
}

void CXLSData::AddText(QStringView text, CellStyleType style) {
    if (!m_sheet)
        return;
    m_sheet->SetStyle(style);
    m_sheet->AddString(text);
    m_sheet->ClearStyles();
}

void CXLSData::AddNumber(double value, CellStyleType style) {
    if (!m_sheet)
        return;
    m_sheet->SetStyle(style);
    m_sheet->AddNumber(value);
    m_sheet->ClearStyles();
}

void CXLSData::NewRows(int count) {
    for (int i = 0; i < count && m_sheet; ++i) {
        if (m_sheet->RowCount() >= CWorksheet::kMaxRows)
            Continue();
        if (m_sheet)
            m_sheet->NewRow();
    }
}

WorkbookCloseResult CXLSData::Close(WorkbookProgress& progress) {
    m_sheet = nullptr;
    return m_workbook.Close(progress);
}

void CXLSData::Discard() {
    m_sheet = nullptr;
    m_workbook.Discard();
}

void CXLSData::Continue() {
    // Named after the first sheet, so that names never chain "(1) (2)".
    StartSheet(ContinuationSheetName(m_continued, ++m_continuations), kContinuationFrozen,
               kContinuationFrozen);
}
