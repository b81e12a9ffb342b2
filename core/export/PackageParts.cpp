#include "core/export/PackageParts.h"

namespace PackageParts {

const char kXmlDeclaration[] = "<?xml version=\"1.0\" encoding=\"utf-8\"?>";

namespace {

QByteArray Part(const QByteArray& body) {
    return kXmlDeclaration + body;
}

QByteArray Number(uint64_t n) {
    return QByteArray::number(static_cast<qulonglong>(n));
}

} // namespace

void AppendSheetOverride(QByteArray& overrides, unsigned sheet) {
    overrides += "<Override PartName=\"/xl/worksheets/sheet" + Number(sheet) +
                 ".xml\" ContentType=\"application/"
                 "vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\" />";
}

void AppendSheetRelationship(QByteArray& relationships, unsigned sheet) {
    relationships += "<Relationship Type=\"http://schemas.openxmlformats.org/officeDocument/"
                     "2006/relationships/worksheet\" Target=\"/xl/worksheets/sheet" +
                     Number(sheet) + ".xml\" Id=\"rId" + Number(sheet + 1) + "\" />";
}

void AppendSheetEntry(QByteArray& sheets, const QByteArray& escapedName, unsigned sheet) {
    sheets += "<sheet name=\"" + escapedName + "\" sheetId=\"" + Number(sheet) + "\" r:id=\"rId" +
              Number(sheet + 1) + "\" />";
}

QByteArray ContentTypes(const QByteArray& sheetOverrides) {
    return Part("<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">" +
                sheetOverrides +
                "<Override PartName=\"/xl/sharedStrings.xml\" ContentType=\"application/"
                "vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml\"/>"
                "<Override PartName=\"/xl/styles.xml\" ContentType=\"application/"
                "vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/>\n"
                "<Override PartName=\"/xl/workbook.xml\" ContentType=\"application/"
                "vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>\n"
                "<Override PartName=\"/_rels/.rels\" ContentType=\"application/"
                "vnd.openxmlformats-package.relationships+xml\"/>\n"
                "<Override PartName=\"/xl/_rels/workbook.xml.rels\" ContentType=\"application/"
                "vnd.openxmlformats-package.relationships+xml\"/>\n"
                "</Types>");
}

QByteArray RootRelationships() {
    return Part("<Relationships "
                "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                "<Relationship Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                "relationships/officeDocument\" Target=\"/xl/workbook.xml\" "
                "Id=\"R9e4add5772f8421c\"/></Relationships>");
}

QByteArray Styles() {
    // The trailing space of the last two xfId values is intended: readers accept it, and the
    // part stays byte for byte what the program has always written.
    return Part(
        "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">\n"
        "<numFmts count=\"3\"><numFmt formatCode=\"GENERAL\" numFmtId=\"164\"/>"
        "<numFmt formatCode=\"m/d/yyyy\" numFmtId=\"165\"/>"
        "<numFmt formatCode=\"[$-F400]h:mm:ss\\ AM/PM\" numFmtId=\"166\"/></numFmts>\n"
        "<fonts count=\"1\"><font><name val=\"Arial\"/><family val=\"2\"/><sz val=\"10\"/>"
        "</font></fonts>\n"
        "<fills count=\"1\"><fill><patternFill patternType=\"none\"/></fill></fills>\n"
        "<borders count=\"3\">\n"
        "<border><left/><right/><top/><bottom/><diagonal/></border>\n"
        "<border><left/><right/><top/><bottom style=\"medium\"/><diagonal/></border>\n"
        "<border><left style=\"medium\"/><right style=\"medium\"/><top style=\"medium\"/>"
        "<bottom style=\"medium\"/><diagonal/></border>\n"
        "</borders>\n"
        "<cellStyleXfs count=\"1\"><xf applyBorder=\"true\" borderId=\"0\" numFmtId=\"164\">"
        "</xf></cellStyleXfs>\n"
        "<cellXfs count=\"5\">\n"
        "<xf applyBorder=\"false\" borderId=\"0\" numFmtId=\"164\" xfId=\"0\"></xf>\n"
        "<xf applyBorder=\"true\" borderId=\"1\" numFmtId=\"164\" xfId=\"0\"></xf>\n"
        "<xf applyBorder=\"true\" borderId=\"2\" numFmtId=\"164\" xfId=\"0\"></xf>\n"
        "<xf borderId=\"0\" numFmtId=\"165\" xfId=\"0 \"></xf>\n"
        "<xf borderId=\"0\" numFmtId=\"166\" xfId=\"0 \"></xf>\n"
        "</cellXfs>\n"
        "<cellStyles count=\"1\"><cellStyle builtinId=\"0\" customBuiltin=\"false\" "
        "name=\"Normal\" xfId=\"0\"/></cellStyles></styleSheet>");
}

QByteArray WorkbookRelationships(const QByteArray& sheetRelationships, unsigned sheetCount) {
    return Part("<Relationships "
                "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">\n"
                "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/"
                "officeDocument/2006/relationships/styles\" Target=\"styles.xml\"/>\n" +
                sheetRelationships +
                "<Relationship Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                "relationships/sharedStrings\" Target=\"/xl/sharedStrings.xml\" Id=\"rId" +
                Number(sheetCount + 2) + "\" /></Relationships>");
}

QByteArray Workbook(const QByteArray& sheetEntries) {
    return Part("<workbook xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                "relationships\" xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/"
                "main\"><sheets>" +
                sheetEntries + "</sheets></workbook>");
}

QByteArray SharedStrings(uint32_t uniqueCount, uint64_t cellCount, const QByteArray& items) {
    return Part("<sst uniqueCount=\"" + Number(uniqueCount) + "\" count=\"" + Number(cellCount) +
                "\" xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">" + items +
                "</sst>");
}

} // namespace PackageParts
