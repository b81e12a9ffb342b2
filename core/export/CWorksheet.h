#pragma once

#include "export/CellStyle.h"

#include <QString>
#include <QStringView>
#include <cstdint>
#include <memory>
#include <vector>

class CZip;
class SharedStringTable;

// One sheet's XML, assembled in a memory buffer and streamed into its zip entry once the
// buffer holds about 4 MB. Cells are appended row by row, left to right.
class CWorksheet {
public:
    static constexpr unsigned kMaxRows = 1048576;
    static constexpr unsigned kMaxColumns = 16384;
    static constexpr qsizetype kBufferSize = 5000000;
    // A row never adds 1 MB (16,384 cells of at most 60 bytes), so the buffer cannot overflow.
    static constexpr qsizetype kFlushAbove = 3999999;

    CWorksheet(CZip& zip, SharedStringTable& strings, unsigned number);
    CWorksheet(const CWorksheet&) = delete;
    CWorksheet& operator=(const CWorksheet&) = delete;

    // Writes the start of the sheet; false when its buffer cannot be had.
    bool Begin(int frozenRows, int frozenColumns);
    // False when the sheet already holds its last row, or is not being written.
    bool NewRow();
    // A cell in the current row (one is started if none is); false past the last column.
    bool AddString(QStringView text);
    bool AddNumber(double value);
    // Styles asked for the next cell; when several are, the first of 2, 1, 3, 4 wins.
    void SetStyle(CellStyleType style);
    void ClearStyles() { m_styleFlags = 0; }
    // Writes what is left and closes the entry; false when any entry operation failed.
    bool Finish();

    unsigned Number() const { return m_number; }
    unsigned RowCount() const { return m_row; }
    bool IsFinished() const { return m_finished; }

private:
    bool MakeRoomForCell();
    char* OpenCell();
    void EndCell(char* end, qsizetype textLength);
    void Flush();
    void PatchWidths();
    void Blank(qsizetype from, qsizetype to);

    CZip& m_zip;
    SharedStringTable& m_strings;
    const unsigned m_number;
    const QString m_entryName;

    std::unique_ptr<char[]> m_buffer;
    qsizetype m_fill = 0;
    bool m_rowOpen = false;
    bool m_streaming = false;
    bool m_finished = false;
    bool m_widthsPatched = false;
    bool m_failed = false;
    unsigned m_row = 0;
    unsigned m_cells = 0;
    unsigned m_styleFlags = 0;
    char m_rowText[8] = {};
    int m_rowTextLength = 0;

    std::vector<uint32_t> m_longest;   // per column, in characters
    std::vector<uint32_t> m_columnEnd; // buffer position just past each column element
    qsizetype m_colsStart = 0;
    qsizetype m_colsEnd = 0;
};
