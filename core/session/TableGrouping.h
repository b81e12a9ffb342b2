#pragma once

#include <cstdint>

// How the rows of a session's value table group its values: row 0 holds the values up to the
// first one that ends on a whole multiple of the averaging time, then each row holds
// `samplesPerRow` values. One sample per row is the plain table.
struct TableGrouping {
    int samplesPerRow = 1;
    // One past the last value of row 0.
    int64_t firstRow = 1;

    bool IsPlain() const { return samplesPerRow <= 1; }
    bool operator==(const TableGrouping&) const = default;
};

struct TableRowSpan {
    int64_t first = 0;
    int64_t last = 0; // inclusive

    bool operator==(const TableRowSpan&) const = default;
};

// The grouping of `samplesPerRow` values of `period` seconds whose value 0 is stamped at
// `firstStamp` (local wall-clock seconds): rows end on the local clock's whole multiples of
// samplesPerRow × period, so a report at 10 min reads 10:00, 10:10, ...
TableGrouping MakeTableGrouping(int samplesPerRow, int period, int64_t firstStamp);

// Rows of a table of `valueCount` values under `grouping`.
int64_t GroupedRowCount(int64_t valueCount, const TableGrouping& grouping);

// The values that row `row` stands for, clamped to the table; rows past the end are empty
// (first > last).
TableRowSpan MapTableRow(int64_t row, const TableGrouping& grouping, int64_t valueCount);
