#include "gui/sessions/CChannelListCtrl.h"

#include "core/common/StringTable.h"

#include <QHeaderView>
#include <QPainter>
#include <QResizeEvent>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <algorithm>

namespace {

constexpr int kColourRole = Qt::UserRole;

// The trace colour with its lightness falling from the top of the cell, in the 0-240
// lightness scale of the colour picker.
class ColourCellDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const QVariant value = index.data(kColourRole);
        if (!value.isValid()) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        const ColorRef colour = value.toUInt();
        const QColor base(RedOf(colour), GreenOf(colour), BlueOf(colour));
        const QRect cell = option.rect.adjusted(1, 1, -1, -1);
        const double hue = base.hslHueF();
        const double saturation = base.hslSaturationF();
        const double top = std::min(base.lightnessF() * 240.0 + 36.0, 240.0);
        const double step = cell.height() > 0 ? 72.0 / cell.height() : 0.0;
        for (int y = 0; y < cell.height(); ++y) {
            const double lightness = std::clamp(top - y * step, 0.0, 240.0) / 240.0;
            painter->setPen(QColor::fromHslF(std::max(0.0, hue), saturation, lightness));
            painter->drawLine(cell.left(), cell.top() + y, cell.right(), cell.top() + y);
        }
    }
};

// The title broken at the space nearest its middle, so that both lines are short.
QString TwoLineTitle(const QString& title) {
    qsizetype best = -1;
    for (qsizetype i = title.indexOf(u' '); i >= 0; i = title.indexOf(u' ', i + 1))
        if (best < 0 || std::abs(title.size() - 2 * i) < std::abs(title.size() - 2 * best))
            best = i;
    if (best < 0)
        return title;
    QString broken = title;
    broken[best] = u'\n';
    return broken;
}

} // namespace

CChannelListCtrl::CChannelListCtrl(QWidget* parent) : QTableWidget(1, 0, parent) {
    setObjectName(QStringLiteral("channelList"));
    setAccessibleName(ResourceString(TextId::kChannelLineName));
    verticalHeader()->hide();
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setFocusPolicy(Qt::NoFocus);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setItemDelegate(new ColourCellDelegate(this));
    horizontalHeader()->setStretchLastSection(false);
    setRowHeight(0, 24);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    // Every column stays reachable when the line is wider than the page.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

QSize CChannelListCtrl::sizeHint() const {
    const int bar = NeedsScrollBar() ? horizontalScrollBar()->sizeHint().height() : 0;
    return {QTableWidget::sizeHint().width(),
            horizontalHeader()->sizeHint().height() + rowHeight(0) + 2 * frameWidth() + 2 + bar};
}

bool CChannelListCtrl::NeedsScrollBar() const {
    return horizontalHeader()->length() > width() - 2 * frameWidth();
}

void CChannelListCtrl::UpdateHeight() {
    const int height = sizeHint().height();
    if (minimumHeight() != height || maximumHeight() != height)
        setFixedHeight(height);
}

void CChannelListCtrl::resizeEvent(QResizeEvent* event) {
    QTableWidget::resizeEvent(event);
    if (event->size().width() != event->oldSize().width())
        FitColumns();
}

int CChannelListCtrl::TitleWidth(int column, const QString& title) const {
    const QFontMetrics metrics = horizontalHeader()->fontMetrics();
    const auto block = [&metrics](const QString& text) { return metrics.size(0, text).width(); };
    // The header's own margins and marks, measured on the title it shows now.
    const QTableWidgetItem* shown = horizontalHeaderItem(column);
    const int extra =
        horizontalHeader()->sectionSizeHint(column) - block(shown ? shown->text() : QString());
    return block(title) + extra;
}

// What column `column` needs to show its title and its text whole; on one line, at least its
// usual width.
int CChannelListCtrl::NeededWidth(int column, bool twoLines) const {
    const ChannelColumn& c = columns_[static_cast<std::size_t>(column)];
    const QString title = ChanListHeaderText(c.kind);
    return std::max({twoLines ? 0 : c.width,
                     TitleWidth(column, twoLines ? TwoLineTitle(title) : title),
                     sizeHintForColumn(column)});
}

// Columns already on one line keep the width they widened to.
int CChannelListCtrl::OneLineWidth() const {
    int total = 0;
    for (int i = 0; i < columnCount(); ++i)
        total += twoLineTitles_ ? NeededWidth(i, false)
                                : std::max(NeededWidth(i, false), columnWidth(i));
    return total;
}

void CChannelListCtrl::ApplyTitles() {
    QStringList titles;
    for (const ChannelColumn& c : columns_)
        titles << (twoLineTitles_ ? TwoLineTitle(ChanListHeaderText(c.kind))
                                  : ChanListHeaderText(c.kind));
    setHorizontalHeaderLabels(titles);
    for (int i = 0; i < columnCount(); ++i)
        setColumnWidth(i, 0);
}

// A cell never shows cut: its column takes at least the width of its header and of its text.
// Columns only widen until the kinds change, so that a moving cursor does not shake the line.
// When the line would need a scroll bar, the titles go on two lines and the columns give up
// their usual width for what their texts need.
void CChannelListCtrl::FitColumns() {
    const bool twoLines = OneLineWidth() > width() - 2 * frameWidth();
    if (twoLines != twoLineTitles_) {
        twoLineTitles_ = twoLines;
        ApplyTitles();
    }
    for (int i = 0; i < columnCount(); ++i) {
        const int fitted = std::max(NeededWidth(i, twoLineTitles_), columnWidth(i));
        if (fitted != columnWidth(i))
            setColumnWidth(i, fitted);
    }
    UpdateHeight();
}

void CChannelListCtrl::SetColumns(const std::vector<ChannelColumn>& columns) {
    if (columns == columns_)
        return;
    columns_ = columns;
    setColumnCount(static_cast<int>(columns_.size()));
    ApplyTitles();
    FitColumns();
}

void CChannelListCtrl::SetLine(ColorRef traceColour,
                               const std::function<QString(ChanListHeaderType)>& textOf) {
    for (int i = 0; i < columnCount(); ++i) {
        const ChanListHeaderType kind = columns_[static_cast<std::size_t>(i)].kind;
        QTableWidgetItem* cell = item(0, i);
        if (!cell) {
            cell = new QTableWidgetItem;
            setItem(0, i, cell);
        }
        if (kind == ChanListHeaderType::Colour) {
            cell->setData(kColourRole, traceColour);
            continue;
        }
        cell->setData(kColourRole, QVariant());
        const QString text = textOf(kind);
        if (cell->text() != text)
            cell->setText(text);
    }
    FitColumns();
}

void CChannelListCtrl::Clear() {
    clearContents();
}

QString CChannelListCtrl::HeaderText(int column) const {
    return column >= 0 && column < columnCount()
               ? ChanListHeaderText(columns_[static_cast<std::size_t>(column)].kind)
               : QString();
}

QString CChannelListCtrl::CellText(int column) const {
    const QTableWidgetItem* cell = item(0, column);
    return cell ? cell->text() : QString();
}

QString CChannelListCtrl::LineText() const {
    QStringList titles;
    QStringList figures;
    for (int i = 0; i < columnCount(); ++i) {
        const ChanListHeaderType kind = columns_[static_cast<std::size_t>(i)].kind;
        if (kind == ChanListHeaderType::Colour)
            continue;
        titles << ChanListHeaderText(kind);
        figures << CellText(i);
    }
    return titles.join(u'\t') + u'\n' + figures.join(u'\t') + u'\n';
}
