#pragma once

#include "core/common/Outcome.h"
#include "core/export/CZip.h"
#include "core/export/SharedStringTable.h"

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <memory>
#include <vector>

class CWorksheet;
class WorkbookProgress;

enum class WorkbookCloseType { Done = 1, Cancelled = 2, Failed = 3 };

struct WorkbookCloseResult {
    WorkbookCloseType type = WorkbookCloseType::Done;
    QString message; // French, when Failed
};

// A spreadsheet package: its zip archive, the shared strings and the parts written at the
// end. A file that could not be written whole, or whose closing was cancelled, is removed.
class CWorkbook {
public:
    CWorkbook();
    ~CWorkbook();
    CWorkbook(const CWorkbook&) = delete;
    CWorkbook& operator=(const CWorkbook&) = delete;

    Outcome Open(const QString& path);
    // Finishes the sheet before it, then begins the next; none when no workbook is open or
    // its buffer cannot be had (Close then fails).
    CWorksheet* AddWorksheet(const QString& name, int frozenRows, int frozenColumns);
    uint32_t AddSharedString(QStringView text) { return strings_.Add(text); }
    WorkbookCloseResult Close(WorkbookProgress& progress);
    // Stops writing and removes the file.
    void Discard();

    bool IsOpen() const { return open_; }

private:
    bool WritePart(const QString& name, const QByteArray& bytes);
    WorkbookCloseResult Abandon(WorkbookCloseResult result);
    void Reset();

    CZip zip_;
    bool open_ = false;
    bool failed_ = false;
    QString failure_;
    std::vector<std::unique_ptr<CWorksheet>> sheets_;
    QByteArray contentOverrides_;
    QByteArray relationships_;
    QByteArray sheetEntries_;
    SharedStringTable strings_;
};
