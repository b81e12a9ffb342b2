#pragma once

#include "app/TraceColours.h"
#include "session/ChannelColumns.h"

#include <QTableWidget>

#include <vector>

// The statistics line of a channel: one row whose columns follow their kinds; the colour
// cell is painted with the trace colour, lighter at the top.
class CChannelListCtrl final : public QTableWidget {
    Q_OBJECT
public:
    explicit CChannelListCtrl(QWidget* parent = nullptr);

    // Rebuilds the headers only when the kinds changed.
    void SetColumns(const std::vector<ChannelColumn>& columns);
    const std::vector<ChannelColumn>& Columns() const { return columns_; }
    void SetLine(const QString& label, ColorRef traceColour, const CursorReadouts& cursor,
                 const WindowStatistics& window);
    void Clear();
    QString HeaderText(int column) const;
    QString CellText(int column) const;
    QSize sizeHint() const override;

private:
    std::vector<ChannelColumn> columns_;
};
