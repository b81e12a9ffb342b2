#pragma once

#include <span>

class QTableView;
class QTreeView;

// Each column as wide as its header and its widest text shown, and never narrower than the
// width given for it; a list that then does not fit scrolls sideways.
void FitColumnsToContents(QTreeView& list, std::span<const int> minimums);
void FitColumnsToContents(QTableView& table, std::span<const int> minimums);
