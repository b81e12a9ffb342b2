#include "core/export/CWorkbook.h"

#include "core/common/StringTable.h"
#include "core/export/CWorksheet.h"
#include "core/export/CellText.h"
#include "core/export/PackageParts.h"
#include "core/export/WorkbookProgress.h"

#include <QFile>

namespace {

constexpr qint64 kSheetWork = 20;
constexpr qint64 kPartsWork = 6;
constexpr qint64 kArchiveWork = 5;

} // namespace

CWorkbook::CWorkbook() = default;

CWorkbook::~CWorkbook() = default;

Outcome CWorkbook::Open(const QString& path) {
    Reset();
    if (!zip_.Open(path))
        return Outcome::Failure(OutcomeType::CannotWrite,
                                FormatResource(TextId::kCannotWrite, {path}));
    open_ = true;
    return Outcome::Success();
}

CWorksheet* CWorkbook::AddWorksheet(const QString& name, int frozenRows, int frozenColumns) {
    if (!open_)
        return nullptr;
    if (!sheets_.empty() && !sheets_.back()->Finish())
        failed_ = true;
    const unsigned number = static_cast<unsigned>(sheets_.size()) + 1;
    auto sheet = std::make_unique<CWorksheet>(zip_, strings_, number);
    if (!sheet->Begin(frozenRows, frozenColumns)) {
        failed_ = true;
        failure_ = ResourceString(TextId::kCannotAllocate);
        return nullptr;
    }
    PackageParts::AppendSheetOverride(contentOverrides_, number);
    PackageParts::AppendSheetRelationship(relationships_, number);
    QByteArray escaped;
    CellText::AppendEscaped(escaped, name);
    PackageParts::AppendSheetEntry(sheetEntries_, escaped, number);
    sheets_.push_back(std::move(sheet));
    return sheets_.back().get();
}

WorkbookCloseResult CWorkbook::Close(WorkbookProgress& progress) {
    if (!open_)
        return {};
    qint64 total = kSheetWork;
    for (const auto& sheet : sheets_)
        total += sheet->IsFinished() ? 0 : kSheetWork;
    qint64 position = 0;
    for (const auto& sheet : sheets_) {
        if (sheet->IsFinished())
            continue;
        if (!sheet->Finish())
            failed_ = true;
        position += kSheetWork;
        progress.Report(position, total);
        if (progress.CancelRequested())
            return Abandon({WorkbookCloseType::Cancelled, {}});
    }

    const auto sheetCount = static_cast<unsigned>(sheets_.size());
    const bool partsWritten =
        WritePart(QStringLiteral("[Content_Types].xml"),
                  PackageParts::ContentTypes(contentOverrides_)) &&
        WritePart(QStringLiteral("_rels/.rels"), PackageParts::RootRelationships()) &&
        WritePart(QStringLiteral("xl/styles.xml"), PackageParts::Styles()) &&
        WritePart(QStringLiteral("xl/_rels/workbook.xml.rels"),
                  PackageParts::WorkbookRelationships(relationships_, sheetCount)) &&
        WritePart(QStringLiteral("xl/workbook.xml"), PackageParts::Workbook(sheetEntries_)) &&
        WritePart(QStringLiteral("xl/sharedStrings.xml"),
                  PackageParts::SharedStrings(strings_.UniqueCount(), strings_.CellCount(),
                                              strings_.Items()));
    if (!partsWritten)
        failed_ = true;
    position += kPartsWork;
    progress.Report(position, total);
    if (progress.CancelRequested())
        return Abandon({WorkbookCloseType::Cancelled, {}});
    // Past this point the archive takes the place of the file, and there is no going back.
    if (!zip_.Close())
        failed_ = true;
    position += kArchiveWork;
    progress.Report(position, total);
    if (failed_)
        return Abandon(
            {WorkbookCloseType::Failed,
             failure_.isEmpty() ? FormatResource(TextId::kCannotWrite, {zip_.Path()}) : failure_});
    Reset();
    return {};
}

void CWorkbook::Discard() {
    zip_.Discard();
    Reset();
}

bool CWorkbook::WritePart(const QString& name, const QByteArray& bytes) {
    if (!zip_.OpenEntry(name))
        return false;
    return zip_.Write(bytes) == bytes.size() && zip_.CloseEntry();
}

WorkbookCloseResult CWorkbook::Abandon(WorkbookCloseResult result) {
    // A failed Close has already given up its archive and left any earlier file alone.
    zip_.Discard();
    Reset();
    return result;
}

void CWorkbook::Reset() {
    open_ = false;
    failed_ = false;
    failure_.clear();
    sheets_.clear();
    contentOverrides_.clear();
    relationships_.clear();
    sheetEntries_.clear();
    strings_.Clear();
}
