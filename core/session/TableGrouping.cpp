#include "core/session/TableGrouping.h"

#include <algorithm>

TableGrouping MakeTableGrouping(int samplesPerRow, int period, int64_t firstStamp) {
    const int k = std::max(1, samplesPerRow);
    const int64_t p = std::max(1, period);
    const int64_t span = k * p;
    const int64_t past = ((firstStamp % span) + span) % span;
    // Value d ends on the boundary, or holds it when the period does not divide the span.
    const int64_t d = ((span - past) % span) / p;
    return {k, 1 + std::min<int64_t>(d, k - 1)};
}

int64_t GroupedRowCount(int64_t valueCount, const TableGrouping& grouping) {
    if (valueCount <= 0)
        return 0;
    const int64_t k = std::max(1, grouping.samplesPerRow);
    const int64_t o = std::max<int64_t>(1, grouping.firstRow);
    if (o >= valueCount)
        return 1;
    const int64_t rest = valueCount - o;
    return 1 + rest / k + (rest % k != 0 ? 1 : 0);
}

TableRowSpan MapTableRow(int64_t row, const TableGrouping& grouping, int64_t valueCount) {
    const int64_t k = std::max(1, grouping.samplesPerRow);
    const int64_t o = std::max<int64_t>(1, grouping.firstRow);
    if (row < 0 || row >= GroupedRowCount(valueCount, grouping))
        return {0, -1};
    if (row == 0)
        return {0, std::min(o, valueCount) - 1};
    const int64_t first = (row - 1) * k + o;
    return {first, std::min(first + k - 1, valueCount - 1)};
}
