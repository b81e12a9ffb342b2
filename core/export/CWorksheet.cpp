#include "export/CWorksheet.h"

#include "export/CZip.h"
#include "export/CellText.h"
#include "export/SharedStringTable.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <new>

namespace {

// The widest column a reader accepts.
constexpr unsigned kMaxWidth = 255;

template <size_t N> char* Put(char* out, const char (&text)[N]) {
    std::memcpy(out, text, N - 1);
    return out + (N - 1);
}

struct StyleAttribute {
    char text[8];
    int length;
};

constexpr StyleAttribute kStyleAttributes[] = {
    {"", 0}, {" s=\"1\"", 6}, {" s=\"2\"", 6}, {" s=\"3\"", 6}, {" s=\"4\"", 6}};

// Bit n - 1 stands for style n.
constexpr int WinningStyle(unsigned flags) {
    if (flags & 2u)
        return 2;
    if (flags & 1u)
        return 1;
    if (flags & 4u)
        return 3;
    return flags & 8u ? 4 : 0;
}

} // namespace

CWorksheet::CWorksheet(CZip& zip, SharedStringTable& strings, unsigned number)
    : m_zip(zip), m_strings(strings), m_number(number),
      m_entryName(QStringLiteral("xl/worksheets/sheet%1.xml").arg(number)) {}

bool CWorksheet::Begin(int frozenRows, int frozenColumns) {
    m_buffer.reset(new (std::nothrow) char[kBufferSize]);
    if (!m_buffer)
        return false;
    m_longest.assign(kMaxColumns, 0);
    m_columnEnd.assign(kMaxColumns, 0);
    char* const start = m_buffer.get();
    char* p = start;
    p = Put(p, "<?xml version=\"1.0\" encoding=\"utf-8\"?>");
    p = Put(p, "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
               "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">");
    frozenRows = std::max(frozenRows, 0);
    frozenColumns = std::max(frozenColumns, 0);
    if (frozenRows > 0 || frozenColumns > 0) {
        p = Put(p, "<sheetViews><sheetView workbookViewId=\"0\" tabSelected=\"1\"><pane "
                   "state=\"frozen\" activePane=\"bottomRight\" topLeftCell=\"");
        p = CellText::AppendColumnLetters(p, static_cast<unsigned>(frozenColumns) + 1);
        p = std::to_chars(p, p + 12, frozenRows + 1).ptr;
        p = Put(p, "\" ySplit=\"");
        p = std::to_chars(p, p + 12, frozenRows).ptr;
        p = Put(p, "\" xSplit=\"");
        p = std::to_chars(p, p + 12, frozenColumns).ptr;
        p = Put(p, "\"/></sheetView></sheetViews>");
    }
    m_colsStart = p - start;
    p = Put(p, "<cols>");
    for (unsigned c = 1; c <= kMaxColumns; ++c) {
        p = Put(p, "<col min=\"");
        p = std::to_chars(p, p + 8, c).ptr;
        p = Put(p, "\" max=\"");
        p = std::to_chars(p, p + 8, c).ptr;
        p = Put(p, "\" width=  \"6\"/>");
        m_columnEnd[c - 1] = static_cast<uint32_t>(p - start);
    }
    p = Put(p, "</cols>");
    m_colsEnd = p - start;
    p = Put(p, "<sheetData>");
    m_fill = p - start;
    return true;
}

bool CWorksheet::NewRow() {
    if (!m_buffer || m_row >= kMaxRows)
        return false;
    char* p = m_buffer.get() + m_fill;
    if (m_rowOpen)
        p = Put(p, "</row>");
    m_fill = p - m_buffer.get();
    if (m_fill > kFlushAbove)
        Flush();
    m_fill = Put(m_buffer.get() + m_fill, "<row>") - m_buffer.get();
    m_rowOpen = true;
    ++m_row;
    m_rowTextLength = static_cast<int>(
        std::to_chars(m_rowText, m_rowText + sizeof m_rowText, m_row).ptr - m_rowText);
    m_cells = 0;
    m_styleFlags = 0;
    return true;
}

void CWorksheet::SetStyle(CellStyleType style) {
    if (style != CellStyleType::Plain)
        m_styleFlags |= 1u << (static_cast<unsigned>(style) - 1);
}

bool CWorksheet::MakeRoomForCell() {
    if (!m_buffer)
        return false;
    if (!m_rowOpen) {
        // The styles asked for this cell survive the row it starts.
        const unsigned styles = m_styleFlags;
        if (!NewRow())
            return false;
        m_styleFlags = styles;
    }
    return m_cells < kMaxColumns;
}

char* CWorksheet::OpenCell() {
    ++m_cells;
    char* p = Put(m_buffer.get() + m_fill, "<c r=\"");
    p = CellText::AppendColumnLetters(p, m_cells);
    std::memcpy(p, m_rowText, static_cast<size_t>(m_rowTextLength));
    p += m_rowTextLength;
    *p++ = '"';
    const StyleAttribute& style = kStyleAttributes[WinningStyle(m_styleFlags)];
    std::memcpy(p, style.text, static_cast<size_t>(style.length));
    return p + style.length;
}

void CWorksheet::EndCell(char* end, qsizetype textLength) {
    m_fill = Put(end, "</v></c>") - m_buffer.get();
    if (!m_widthsPatched) {
        uint32_t& longest = m_longest[m_cells - 1];
        longest = std::max(longest, static_cast<uint32_t>(textLength));
    }
}

bool CWorksheet::AddString(QStringView text) {
    if (!MakeRoomForCell())
        return false;
    const uint32_t index = m_strings.Add(text);
    m_strings.CountCell();
    char* p = Put(OpenCell(), " t=\"s\"><v>");
    EndCell(std::to_chars(p, p + 10, index).ptr, text.size());
    return true;
}

bool CWorksheet::AddNumber(double value) {
    if (!MakeRoomForCell())
        return false;
    char number[CellText::kMaxNumberLength];
    const char* const end = CellText::AppendNumber(number, value);
    if (!end)
        return AddString(u"# # #");
    const qsizetype length = end - number;
    char* p = Put(OpenCell(), "><v>");
    std::memcpy(p, number, static_cast<size_t>(length));
    EndCell(p + length, length);
    return true;
}

bool CWorksheet::Finish() {
    if (m_finished || !m_buffer)
        return !m_failed;
    char* p = m_buffer.get() + m_fill;
    if (m_rowOpen)
        p = Put(p, "</row>");
    m_rowOpen = false;
    m_fill = Put(p, "</sheetData></worksheet>") - m_buffer.get();
    if (!m_widthsPatched)
        PatchWidths();
    if (!m_streaming && !m_zip.OpenEntry(m_entryName))
        m_failed = true;
    else if (m_zip.Write(QByteArrayView(m_buffer.get(), m_fill)) < 0 || !m_zip.CloseEntry())
        m_failed = true;
    m_buffer.reset();
    m_longest = {};
    m_columnEnd = {};
    m_finished = true;
    return !m_failed;
}

void CWorksheet::Flush() {
    if (!m_widthsPatched)
        PatchWidths();
    if (!m_streaming && !m_zip.OpenEntry(m_entryName))
        m_failed = true;
    m_streaming = true;
    if (m_zip.Write(QByteArrayView(m_buffer.get(), m_fill)) < 0)
        m_failed = true;
    m_fill = 0;
}

void CWorksheet::PatchWidths() {
    m_widthsPatched = true;
    const auto used = std::find_if(m_longest.rbegin(), m_longest.rend(),
                                   [](uint32_t longest) { return longest != 0; });
    const unsigned lastUsed = static_cast<unsigned>(m_longest.rend() - used);
    // An empty column list is not allowed: without data the whole of it goes.
    if (lastUsed == 0) {
        Blank(m_colsStart, m_colsEnd);
        return;
    }
    Blank(m_columnEnd[lastUsed - 1], m_columnEnd[kMaxColumns - 1]);
    // Each element ends with: two spaces, the quoted "6", "/" and ">".
    for (unsigned c = 0; c < lastUsed; ++c) {
        char* const end = m_buffer.get() + m_columnEnd[c];
        const unsigned w = std::min(m_longest[c] + 1, kMaxWidth);
        if (w <= 9) {
            end[-4] = static_cast<char>('0' + w);
        } else if (w <= 99) {
            end[-6] = '"';
            end[-5] = static_cast<char>('0' + w / 10);
            end[-4] = static_cast<char>('0' + w % 10);
        } else {
            end[-7] = '"';
            end[-6] = static_cast<char>('0' + w / 100);
            end[-5] = static_cast<char>('0' + w / 10 % 10);
            end[-4] = static_cast<char>('0' + w % 10);
        }
    }
}

void CWorksheet::Blank(qsizetype from, qsizetype to) {
    std::memset(m_buffer.get() + from, ' ', static_cast<size_t>(to - from));
}
