#pragma once

#include "core/export/CellStyle.h"

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
    void ClearStyles() { styleFlags_ = 0; }
    // Writes what is left and closes the entry; false when any entry operation failed.
    bool Finish();

    unsigned Number() const { return number_; }
    unsigned RowCount() const { return row_; }
    bool IsFinished() const { return finished_; }

private:
    bool MakeRoomForCell();
    char* OpenCell();
    void EndCell(char* end, qsizetype textLength);
    void Flush();
    void PatchWidths();
    void Blank(qsizetype from, qsizetype to);

    CZip& zip_;
    SharedStringTable& strings_;
    const unsigned number_;
    const QString entryName_;

    std::unique_ptr<char[]> buffer_;
    qsizetype fill_ = 0;
    bool rowOpen_ = false;
    bool streaming_ = false;
    bool finished_ = false;
    bool widthsPatched_ = false;
    bool failed_ = false;
    unsigned row_ = 0;
    unsigned cells_ = 0;
    unsigned styleFlags_ = 0;
    char rowText_[8] = {};
    int rowTextLength_ = 0;

    std::vector<uint32_t> longest_;   // per column, in characters
    std::vector<uint32_t> columnEnd_; // buffer position just past each column element
    qsizetype colsStart_ = 0;
    qsizetype colsEnd_ = 0;
};
