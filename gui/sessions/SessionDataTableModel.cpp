#include "gui/sessions/SessionDataTableModel.h"

SessionDataTableModel::SessionDataTableModel(QObject* parent) : QAbstractTableModel(parent) {}

SessionDataTableModel::~SessionDataTableModel() = default;

void SessionDataTableModel::Reset(const CRecSession* session, const TableGrouping& grouping) {
    beginResetModel();
    table_ = session ? std::make_unique<SessionTable>(*session, grouping) : nullptr;
    endResetModel();
}

int SessionDataTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !table_ ? 0 : table_->RowCount();
}

int SessionDataTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() || !table_ ? 0 : SessionTable::kColumnCount;
}

QVariant SessionDataTableModel::data(const QModelIndex& index, int role) const {
    if (!table_ || !index.isValid())
        return {};
    if (role == Qt::DisplayRole)
        return table_->Cell(index.row(), index.column());
    if (role == Qt::TextAlignmentRole && index.column() == SessionTable::kValueColumn)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant SessionDataTableModel::headerData(int section, Qt::Orientation orientation,
                                           int role) const {
    if (!table_ || role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return table_->Header(section);
    return section + 1;
}
