#include "core/export/CWorksheet.h"

#include "core/export/CZip.h"
#include "core/export/CellText.h"
#include "core/export/SharedStringTable.h"

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
    : zip_(zip), strings_(strings), number_(number),
      entryName_(QStringLiteral("xl/worksheets/sheet%1.xml").arg(number)) {}

bool CWorksheet::Begin(int frozenRows, int frozenColumns) {
    buffer_.reset(new (std::nothrow) char[kBufferSize]);
    if (!buffer_)
        return false;
    longest_.assign(kMaxColumns, 0);
    columnEnd_.assign(kMaxColumns, 0);
    char* const start = buffer_.get();
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
    colsStart_ = p - start;
    p = Put(p, "<cols>");
    for (unsigned c = 1; c <= kMaxColumns; ++c) {
        p = Put(p, "<col min=\"");
        p = std::to_chars(p, p + 8, c).ptr;
        p = Put(p, "\" max=\"");
        p = std::to_chars(p, p + 8, c).ptr;
        p = Put(p, "\" width=  \"6\"/>");
        columnEnd_[c - 1] = static_cast<uint32_t>(p - start);
    }
    p = Put(p, "</cols>");
    colsEnd_ = p - start;
    p = Put(p, "<sheetData>");
    fill_ = p - start;
    return true;
}

bool CWorksheet::NewRow() {
    if (!buffer_ || row_ >= kMaxRows)
        return false;
    char* p = buffer_.get() + fill_;
    if (rowOpen_)
        p = Put(p, "</row>");
    fill_ = p - buffer_.get();
    if (fill_ > kFlushAbove)
        Flush();
    fill_ = Put(buffer_.get() + fill_, "<row>") - buffer_.get();
    rowOpen_ = true;
    ++row_;
    rowTextLength_ =
        static_cast<int>(std::to_chars(rowText_, rowText_ + sizeof rowText_, row_).ptr - rowText_);
    cells_ = 0;
    styleFlags_ = 0;
    return true;
}

void CWorksheet::SetStyle(CellStyleType style) {
    if (style != CellStyleType::Plain)
        styleFlags_ |= 1u << (static_cast<unsigned>(style) - 1);
}

bool CWorksheet::MakeRoomForCell() {
    if (!buffer_)
        return false;
    if (!rowOpen_) {
        // The styles asked for this cell survive the row it starts.
        const unsigned styles = styleFlags_;
        if (!NewRow())
            return false;
        styleFlags_ = styles;
    }
    return cells_ < kMaxColumns;
}

char* CWorksheet::OpenCell() {
    ++cells_;
    char* p = Put(buffer_.get() + fill_, "<c r=\"");
    p = CellText::AppendColumnLetters(p, cells_);
    std::memcpy(p, rowText_, static_cast<size_t>(rowTextLength_));
    p += rowTextLength_;
    *p++ = '"';
    const StyleAttribute& style = kStyleAttributes[WinningStyle(styleFlags_)];
    std::memcpy(p, style.text, static_cast<size_t>(style.length));
    return p + style.length;
}

void CWorksheet::EndCell(char* end, qsizetype textLength) {
    fill_ = Put(end, "</v></c>") - buffer_.get();
    if (!widthsPatched_) {
        uint32_t& longest = longest_[cells_ - 1];
        longest = std::max(longest, static_cast<uint32_t>(textLength));
    }
}

bool CWorksheet::AddString(QStringView text) {
    if (!MakeRoomForCell())
        return false;
    const uint32_t index = strings_.Add(text);
    strings_.CountCell();
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
    if (finished_ || !buffer_)
        return !failed_;
    char* p = buffer_.get() + fill_;
    if (rowOpen_)
        p = Put(p, "</row>");
    rowOpen_ = false;
    fill_ = Put(p, "</sheetData></worksheet>") - buffer_.get();
    if (!widthsPatched_)
        PatchWidths();
    if (!streaming_ && !zip_.OpenEntry(entryName_))
        failed_ = true;
    else if (zip_.Write(QByteArrayView(buffer_.get(), fill_)) < 0 || !zip_.CloseEntry())
        failed_ = true;
    buffer_.reset();
    longest_ = {};
    columnEnd_ = {};
    finished_ = true;
    return !failed_;
}

void CWorksheet::Flush() {
    if (!widthsPatched_)
        PatchWidths();
    if (!streaming_ && !zip_.OpenEntry(entryName_))
        failed_ = true;
    streaming_ = true;
    if (zip_.Write(QByteArrayView(buffer_.get(), fill_)) < 0)
        failed_ = true;
    fill_ = 0;
}

void CWorksheet::PatchWidths() {
    widthsPatched_ = true;
    const auto used = std::find_if(longest_.rbegin(), longest_.rend(),
                                   [](uint32_t longest) { return longest != 0; });
    const unsigned lastUsed = static_cast<unsigned>(longest_.rend() - used);
    // An empty column list is not allowed: without data the whole of it goes.
    if (lastUsed == 0) {
        Blank(colsStart_, colsEnd_);
        return;
    }
    Blank(columnEnd_[lastUsed - 1], columnEnd_[kMaxColumns - 1]);
    // Each element ends with: two spaces, the quoted "6", "/" and ">".
    for (unsigned c = 0; c < lastUsed; ++c) {
        char* const end = buffer_.get() + columnEnd_[c];
        const unsigned w = std::min(longest_[c] + 1, kMaxWidth);
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
    std::memset(buffer_.get() + from, ' ', static_cast<size_t>(to - from));
}
