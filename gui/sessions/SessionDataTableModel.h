#pragma once

#include "core/session/SessionTable.h"

#include <QAbstractTableModel>
#include <memory>

class CRecSession;

// The data table of a session as a virtual list: a cell's text is made when the view asks
// for it, so a table of a million values opens and scrolls at once.
class SessionDataTableModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit SessionDataTableModel(QObject* parent = nullptr);
    ~SessionDataTableModel() override;

    // Null empties the table.
    void Reset(const CRecSession* session, const TableGrouping& grouping = {});
    bool IsEventTable() const { return table_ && table_->IsEventTable(); }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::unique_ptr<SessionTable> table_;
};
