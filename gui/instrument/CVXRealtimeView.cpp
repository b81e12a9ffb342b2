#include "gui/instrument/CVXRealtimeView.h"

#include "core/common/StringTable.h"
#include "core/doc/CVexloDoc.h"
#include "core/doc/InstrumentPrintContent.h"
#include "core/instrument/LiveColumns.h"
#include "core/session/CRecSession.h"
#include "core/session/ModelTable.h"
#include "gui/app/ColumnWidths.h"
#include "gui/app/ListText.h"
#include "gui/graph/CTrendGraphWidget.h"
#include "gui/sessions/CChannelListCtrl.h"
#include "gui/sessions/PageTitle.h"

#include <QHeaderView>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

CVXRealtimeView::CVXRealtimeView(CVexloDoc& doc, QWidget* parent)
    : CDisplayDataView(parent), doc_(doc),
      title_(MakePageTitle(ResourceString(TextId::kLiveData), this)),
      panes_(new QSplitter(Qt::Horizontal, this)), rows_(new QTreeWidget(panes_)),
      channels_(new CChannelListCtrl(this)),
      graph_(new CTrendGraphWidget(doc, this, CTrendGraphWidget::InteractionType::DisplayOnly)) {
    rows_->setObjectName(QStringLiteral("statusList"));
    rows_->setAccessibleName(ResourceString(TextId::kInstrumentStatusListName));
    graph_->setAccessibleName(ResourceString(TextId::kLiveGraphName));
    rows_->setColumnCount(2);
    rows_->setHeaderLabels({ResourceString(TextId::kName), ResourceString(TextId::kValue)});
    rows_->setRootIsDecorated(false);
    rows_->setAllColumnsShowFocus(true);
    rows_->header()->setStretchLastSection(false);
    rows_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    graph_->setMinimumSize(kMinimumGraphSize, kMinimumGraphSize);

    auto* values = new QWidget(panes_);
    auto* valuesLayout = new QVBoxLayout(values);
    valuesLayout->setContentsMargins(0, 0, 0, 0);
    valuesLayout->addWidget(channels_);
    valuesLayout->addWidget(graph_, 1);
    panes_->setObjectName(QStringLiteral("instrumentPanes"));
    panes_->addWidget(rows_);
    panes_->addWidget(values);
    panes_->setStretchFactor(1, 1);
    panes_->setChildrenCollapsible(false);
    connect(panes_, &QSplitter::splitterMoved, this, [this] { panesMoved_ = true; });

    // The page scrolls rather than squeezing the graph below its minimum.
    auto* content = new QWidget;
    auto* grid = new QVBoxLayout(content);
    grid->addWidget(title_);
    grid->addWidget(panes_, 1);
    auto* scroll = new QScrollArea(this);
    scroll->setWidget(content);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setAccessibleName(title_->text());
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll);

    doc_.AddObserver(this);
    Refresh();
}

CVXRealtimeView::~CVXRealtimeView() {
    doc_.RemoveObserver(this);
}

void CVXRealtimeView::OnDocumentUpdate(UpdateHintType hint) {
    if (hint == UpdateHintType::InstrumentStatus || hint == UpdateHintType::Colours)
        Refresh();
    else if (hint == UpdateHintType::DisplaySettings) {
        doc_.Monitor().ClearLiveData();
        graph_->Redraw();
    }
}

void CVXRealtimeView::Refresh() {
    cellUpdates_ = 0;
    RefreshColumns();
    RefreshStatistics();
    RefreshStatusValues();
    const CRecSession* live = doc_.Monitor().LiveData();
    if (live != graphSource_) {
        graphSource_ = live;
        graph_->SetSession(live);
    }
    graph_->Graph().SetUnitText(doc_.Monitor().ChannelUnits());
    graph_->Graph().ZoomToAll();
    graph_->Redraw();
}

void CVXRealtimeView::RefreshColumns() {
    const int model = doc_.Monitor().Status().ModelCode();
    const bool pulse = model == kPulseModelCode;
    const bool event = model == kEventModelCode;
    if (columnsBuilt_ && pulse == pulseModel_ && event == eventModel_)
        return;
    pulseModel_ = pulse;
    eventModel_ = event;
    columnsBuilt_ = true;
    channels_->SetColumns(LiveChannelColumns(pulse, event));
}

void CVXRealtimeView::RefreshStatistics() {
    const LiveStatisticsTexts& now = doc_.Monitor().LiveStatistics();
    bool changed = now.min != shown_.min || now.max != shown_.max || now.avg != shown_.avg ||
                   now.last != shown_.last;
    changed = changed || (pulseModel_ && now.total != shown_.total);
    changed = changed || (eventModel_ && (now.eventLength != shown_.eventLength ||
                                          now.eventWindowTotal != shown_.eventWindowTotal));
    shown_ = now;
    if (!changed && channels_->item(0, 0))
        return;
    const CRecSession* live = doc_.Monitor().LiveData();
    const int group = ModelTableRow(std::max(0, doc_.Monitor().ModelIndex())).ColourGroup;
    const QString label = live ? live->ChannelName() : QString();
    channels_->SetLine(doc_.Colours().TraceColourOfGroup(group),
                       [&](ChanListHeaderType kind) { return LiveCellText(kind, label, shown_); });
    ++cellUpdates_;
}

void CVXRealtimeView::RefreshStatusValues() {
    const CInstrumentMonitor& monitor = doc_.Monitor();
    const QStringList labels = monitor.PageLabels();
    const QStringList values = monitor.PageValues();
    if (rows_->topLevelItemCount() != labels.size()) {
        rows_->clear();
        for (const QString& label : labels)
            new QTreeWidgetItem(rows_, QStringList{label});
        ++cellUpdates_;
    }
    for (int i = 0; i < rows_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = rows_->topLevelItem(i);
        if (item->text(0) != labels.value(i)) {
            item->setText(0, labels.value(i));
            ++cellUpdates_;
        }
        // Only a changed value is set, so an unchanged page does not flicker.
        const QString value = values.value(i);
        if (item->text(1) != value) {
            item->setText(1, value);
            ++cellUpdates_;
        }
    }
    FitStatusList();
}

// The list's columns fit their texts, and the list takes the width they need until the user
// moves the divider. It never shrinks back, so that a value that gets shorter does not make
// the page jump.
void CVXRealtimeView::FitStatusList() {
    constexpr int kMinimumWidths[] = {kNameColumnWidth, kValueColumnWidth};
    FitColumnsToContents(*rows_, kMinimumWidths);
    const int needed = rows_->columnWidth(0) + rows_->columnWidth(1) + 2 * rows_->frameWidth() +
                       rows_->verticalScrollBar()->sizeHint().width();
    const int width = std::max(kStatusListWidth, needed);
    const QList<int> sizes = panes_->sizes();
    if (panesMoved_ || sizes.size() != 2 || sizes[0] >= width)
        return;
    const int total = sizes[0] + sizes[1];
    panes_->setSizes({width, std::max(total - width, kMinimumGraphSize)});
}

QString CVXRealtimeView::CopyText() const {
    return ListText(*rows_, false);
}

std::unique_ptr<Printout> CVXRealtimeView::MakePrintout() {
    return std::make_unique<InstrumentPrintout>(InstrumentPrintContent(doc_), graph_->Graph());
}

void CVXRealtimeView::EndPrint() {
    graph_->Render();
}
