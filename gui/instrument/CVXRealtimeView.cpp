#include "instrument/CVXRealtimeView.h"

#include "instrument/CInstrumentMonitor.h"
#include "session/CVexloDoc.h"

#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

CVXRealtimeView::CVXRealtimeView(CVexloDoc& doc, QWidget* parent)
    : QWidget(parent), doc_(doc), title_(new QLabel(QStringLiteral("Instrument"), this)),
      rows_(new QTreeWidget(this)) {
    QFont font = title_->font();
    font.setPointSizeF(font.pointSizeF() * 1.4);
    font.setBold(true);
    title_->setFont(font);
    rows_->setColumnCount(2);
    rows_->setRootIsDecorated(false);
    rows_->setHeaderHidden(true);
    rows_->setSelectionMode(QAbstractItemView::NoSelection);
    rows_->setFocusPolicy(Qt::NoFocus);
    rows_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title_);
    layout->addWidget(rows_);
    doc_.AddObserver(this);
    Refresh();
}

CVXRealtimeView::~CVXRealtimeView() {
    doc_.RemoveObserver(this);
}

void CVXRealtimeView::OnDocumentUpdate(UpdateHintType hint) {
    if (hint == UpdateHintType::InstrumentStatus || hint == UpdateHintType::DisplaySettings)
        Refresh();
}

void CVXRealtimeView::Refresh() {
    if (!isVisible() && rows_->topLevelItemCount() > 0)
        return;
    const CInstrumentMonitor& monitor = doc_.Monitor();
    const QStringList labels = monitor.PageLabels();
    const QStringList values = monitor.PageValues();
    const qsizetype count = std::max(labels.size(), values.size());
    while (rows_->topLevelItemCount() > count)
        delete rows_->takeTopLevelItem(rows_->topLevelItemCount() - 1);
    while (rows_->topLevelItemCount() < count)
        new QTreeWidgetItem(rows_);
    for (qsizetype i = 0; i < count; ++i) {
        QTreeWidgetItem* item = rows_->topLevelItem(static_cast<int>(i));
        const QString label = i < labels.size() ? labels[i] : QString();
        const QString value = i < values.size() ? values[i] : QString();
        if (item->text(0) != label)
            item->setText(0, label);
        if (item->text(1) != value)
            item->setText(1, value);
    }
}

QString CVXRealtimeView::CopyText() const {
    QString text;
    for (int r = 0; r < rows_->topLevelItemCount(); ++r) {
        const QTreeWidgetItem* item = rows_->topLevelItem(r);
        text += item->text(0) + u'\t' + item->text(1) + u'\n';
    }
    return text;
}
