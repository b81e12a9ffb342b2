#pragma once

#include "core/common/Outcome.h"
#include "core/export/CWorkbook.h"
#include "core/export/CellStyle.h"

#include <QString>
#include <QStringList>
#include <QStringView>

class CWorksheet;
class WorkbookProgress;

// What an export writes a workbook through: sheets with their title row and frozen panes,
// cells, and sheets that continue one that is full.
class CXLSData {
public:
    // A file of that name stays until Close succeeds, which replaces it.
    Outcome Open(const QString& path);
    // Finishes the current sheet and starts one whose row 1 holds its name (style 1); the
    // next cells go into row 2.
    void AddSheet(const QString& name, int frozenRows, int frozenColumns);
    void AddText(QStringView text, CellStyleType style = CellStyleType::Plain);
    void AddNumber(double value, CellStyleType style = CellStyleType::Plain);
    // Ends the current row and starts `count` new ones, the first `count` - 1 left empty.
    void NewRows(int count);
    WorkbookCloseResult Close(WorkbookProgress& progress);
    // Gives up the workbook being written and removes its file.
    void Discard();

    const QStringList& SheetNames() const { return names_; }

private:
    void StartSheet(const QString& name, int frozenRows, int frozenColumns);
    void Continue();

    CWorkbook workbook_;
    CWorksheet* sheet_ = nullptr;
    QStringList names_;
    // The sheet the current one continues (itself when it continues none), and how many
    // continuations it has.
    QString continued_;
    int continuations_ = 0;
};
