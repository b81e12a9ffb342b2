#pragma once

#include <QByteArray>
#include <cstdint>

// The fixed XML parts of a workbook package, each with its XML declaration.
namespace PackageParts {

extern const char kXmlDeclaration[];

// What each sheet adds to the lists kept while the workbook is written.
void AppendSheetOverride(QByteArray& overrides, unsigned sheet);
void AppendSheetRelationship(QByteArray& relationships, unsigned sheet);
void AppendSheetEntry(QByteArray& sheets, const QByteArray& escapedName, unsigned sheet);

QByteArray ContentTypes(const QByteArray& sheetOverrides);
QByteArray RootRelationships();
QByteArray Styles();
QByteArray WorkbookRelationships(const QByteArray& sheetRelationships, unsigned sheetCount);
QByteArray Workbook(const QByteArray& sheetEntries);
QByteArray SharedStrings(uint32_t uniqueCount, uint64_t cellCount, const QByteArray& items);

} // namespace PackageParts
