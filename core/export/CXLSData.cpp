#include "core/export/CXLSData.h"

#include "core/export/CWorksheet.h"
#include "core/export/SheetName.h"

namespace {
constexpr int kContinuationFrozen = 2;
} // namespace

Outcome CXLSData::Open(const QString& path) {
    sheet_ = nullptr;
    names_.clear();
    continued_.clear();
    continuations_ = 0;
    return workbook_.Open(path);
}

void CXLSData::AddSheet(const QString& name, int frozenRows, int frozenColumns) {
    StartSheet(name, frozenRows, frozenColumns);
    continued_ = sheet_ ? names_.last() : QString();
    continuations_ = 0;
}

void CXLSData::StartSheet(const QString& name, int frozenRows, int frozenColumns) {
    const auto number = static_cast<unsigned>(names_.size()) + 1;
    const QString sheetName = MakeSheetName(name, number, names_);
    sheet_ = workbook_.AddWorksheet(sheetName, frozenRows, frozenColumns);
    if (!sheet_)
        return;
    names_.append(sheetName);
    sheet_->NewRow();
    AddText(sheetName, CellStyleType::BottomBorder);
    sheet_->NewRow();
}

void CXLSData::AddText(QStringView text, CellStyleType style) {
    if (!sheet_)
        return;
    sheet_->SetStyle(style);
    sheet_->AddString(text);
    sheet_->ClearStyles();
}

void CXLSData::AddNumber(double value, CellStyleType style) {
    if (!sheet_)
        return;
    sheet_->SetStyle(style);
    sheet_->AddNumber(value);
    sheet_->ClearStyles();
}

void CXLSData::NewRows(int count) {
    for (int i = 0; i < count && sheet_; ++i) {
        if (sheet_->RowCount() >= CWorksheet::kMaxRows)
            Continue();
        if (sheet_)
            sheet_->NewRow();
    }
}

WorkbookCloseResult CXLSData::Close(WorkbookProgress& progress) {
    sheet_ = nullptr;
    return workbook_.Close(progress);
}

void CXLSData::Discard() {
    sheet_ = nullptr;
    workbook_.Discard();
}

void CXLSData::Continue() {
    // Named after the first sheet, so that names never chain "(1) (2)".
    StartSheet(ContinuationSheetName(continued_, ++continuations_), kContinuationFrozen,
               kContinuationFrozen);
}
