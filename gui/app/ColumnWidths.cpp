#include "gui/app/ColumnWidths.h"

#include <QHeaderView>
#include <QTableView>
#include <QTreeView>
#include <algorithm>

namespace {

// The view's own measure takes its header and the rows it holds; the minimum is the floor.
template <typename View> void Fit(View& view, std::span<const int> minimums) {
    const int columns = view.model() ? view.model()->columnCount() : 0;
    for (int c = 0; c < columns; ++c) {
        view.resizeColumnToContents(c);
        const int minimum = c < static_cast<int>(minimums.size()) ? minimums[c] : 0;
        if (view.columnWidth(c) < minimum)
            view.setColumnWidth(c, minimum);
    }
}

} // namespace

void FitColumnsToContents(QTreeView& list, std::span<const int> minimums) {
    Fit(list, minimums);
}

void FitColumnsToContents(QTableView& table, std::span<const int> minimums) {
    Fit(table, minimums);
}
