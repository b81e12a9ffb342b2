#include "export/CWorkbook.h"

#include "common/StringTable.h"
#include "export/CWorksheet.h"
#include "export/CellText.h"
#include "export/PackageParts.h"
#include "export/WorkbookProgress.h"

#include <QFile>

namespace {

constexpr int kCannotAllocate = 603;
constexpr int kCannotWrite = 1012;
constexpr qint64 kSheetWork = 20;
constexpr qint64 kPartsWork = 6;
constexpr qint64 kArchiveWork = 5;

} // namespace

CWorkbook::CWorkbook() = default;

CWorkbook::~CWorkbook() = default;

Outcome CWorkbook::Open(const QString& path) {
    Reset();
    if (!m_zip.Open(path))
        return Outcome::Failure(FormatResource(kCannotWrite, {path}));
    m_open = true;
    return Outcome::Success();
}

CWorksheet* CWorkbook::AddWorksheet(const QString& name, int frozenRows, int frozenColumns) {
    if (!m_open)
        return nullptr;
    if (!m_sheets.empty() && !m_sheets.back()->Finish())
        m_failed = true;
    const unsigned number = static_cast<unsigned>(m_sheets.size()) + 1;
    auto sheet = std::make_unique<CWorksheet>(m_zip, m_strings, number);
    if (!sheet->Begin(frozenRows, frozenColumns)) {
        m_failed = true;
        m_failure = ResourceString(kCannotAllocate);
        return nullptr;
    }
    PackageParts::AppendSheetOverride(m_contentOverrides, number);
    PackageParts::AppendSheetRelationship(m_relationships, number);
    QByteArray escaped;
    CellText::AppendEscaped(escaped, name);
    PackageParts::AppendSheetEntry(m_sheetEntries, escaped, number);
    m_sheets.push_back(std::move(sheet));
    return m_sheets.back().get();
}

WorkbookCloseResult CWorkbook::Close(WorkbookProgress& progress) {
    if (!m_open)
        return {};
    qint64 total = kSheetWork;
    for (const auto& sheet : m_sheets)
        total += sheet->IsFinished() ? 0 : kSheetWork;
    qint64 position = 0;
    for (const auto& sheet : m_sheets) {
        if (sheet->IsFinished())
            continue;
        if (!sheet->Finish())
            m_failed = true;
        position += kSheetWork;
        progress.Report(position, total);
        if (progress.CancelRequested())
            return Abandon({WorkbookCloseType::Cancelled, {}});
    }

    const auto sheetCount = static_cast<unsigned>(m_sheets.size());
    const bool partsWritten =
        WritePart(QStringLiteral("[Content_Types].xml"),
                  PackageParts::ContentTypes(m_contentOverrides)) &&
        WritePart(QStringLiteral("_rels/.rels"), PackageParts::RootRelationships()) &&
        WritePart(QStringLiteral("xl/styles.xml"), PackageParts::Styles()) &&
        WritePart(QStringLiteral("xl/_rels/workbook.xml.rels"),
                  PackageParts::WorkbookRelationships(m_relationships, sheetCount)) &&
        WritePart(QStringLiteral("xl/workbook.xml"), PackageParts::Workbook(m_sheetEntries)) &&
        WritePart(QStringLiteral("xl/sharedStrings.xml"),
                  PackageParts::SharedStrings(m_strings.UniqueCount(), m_strings.CellCount(),
                                              m_strings.Items()));
    if (!partsWritten)
        m_failed = true;
    position += kPartsWork;
    progress.Report(position, total);
    if (progress.CancelRequested())
        return Abandon({WorkbookCloseType::Cancelled, {}});
    // Past this point the archive takes the place of the file, and there is no going back.
    if (!m_zip.Close())
        m_failed = true;
    position += kArchiveWork;
    progress.Report(position, total);
    if (m_failed)
        return Abandon(
            {WorkbookCloseType::Failed,
             m_failure.isEmpty() ? FormatResource(kCannotWrite, {m_zip.Path()}) : m_failure});
    Reset();
    return {};
}

void CWorkbook::Discard() {
    m_zip.Discard();
    Reset();
}

bool CWorkbook::WritePart(const QString& name, const QByteArray& bytes) {
    if (!m_zip.OpenEntry(name))
        return false;
    return m_zip.Write(bytes) == bytes.size() && m_zip.CloseEntry();
}

WorkbookCloseResult CWorkbook::Abandon(WorkbookCloseResult result) {
    // A failed Close has already given up its archive and left any earlier file alone.
    m_zip.Discard();
    Reset();
    return result;
}

void CWorkbook::Reset() {
    m_open = false;
    m_failed = false;
    m_failure.clear();
    m_sheets.clear();
    m_contentOverrides.clear();
    m_relationships.clear();
    m_sheetEntries.clear();
    m_strings.Clear();
}
