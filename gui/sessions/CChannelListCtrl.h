#pragma once

#include "core/app/TraceColours.h"
#include "core/session/ChannelColumns.h"

#include <QTableWidget>
#include <functional>
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
    // The line of one channel; `textOf` gives the text of each column kind but the colour.
    void SetLine(ColorRef traceColour, const std::function<QString(ChanListHeaderType)>& textOf);
    void Clear();
    // The column's title, whether it shows on one line or two.
    QString HeaderText(int column) const;
    QString CellText(int column) const;
    // The column titles and the figures, each a tab-separated line; the colour is left out.
    QString LineText() const;
    QSize sizeHint() const override;
    // The titles are broken onto two lines, so that the line fits without a scroll bar.
    bool TwoLineTitles() const { return twoLineTitles_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void FitColumns();
    void ApplyTitles();
    int TitleWidth(int column, const QString& title) const;
    int NeededWidth(int column, bool twoLines) const;
    int OneLineWidth() const;
    bool NeedsScrollBar() const;
    void UpdateHeight();

    std::vector<ChannelColumn> columns_;
    bool twoLineTitles_ = false;
};
