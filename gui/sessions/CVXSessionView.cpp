#include "sessions/CVXSessionView.h"

#include "app/GlyphIcons.h"
#include "app/ListText.h"
#include "common/StringTable.h"
#include "graph/CTrendGraphWidget.h"
#include "session/CRecSession.h"
#include "session/CVexloDoc.h"
#include "session/SessionParams.h"
#include "session/SessionTable.h"
#include "sessions/CChannelListCtrl.h"
#include "sessions/PageTitle.h"
#include "sessions/SessionDataTableModel.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStackedWidget>
#include <QTableView>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int kTableColumnWidth = 120;
constexpr int kScrollRange = 1000;

QToolButton* ModeButton(const QString& glyph, int tooltipId, bool checkable, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setIcon(GlyphIcon(glyph, QColor(0x15, 0x65, 0xc0)));
    button->setIconSize(QSize(22, 22));
    button->setToolTip(ResourceString(tooltipId));
    button->setCheckable(checkable);
    button->setAutoRaise(true);
    return button;
}

bool HasValues(const CRecSession& session) {
    const CChanData& data = session.ChanData();
    return data.Flags().event ? !data.Events().empty() || data.ValueCount() > 0
                              : data.ValueCount() > 0;
}

} // namespace

CVXSessionView::CVXSessionView(CVexloDoc& doc, QWidget* parent)
    : QWidget(parent), doc_(doc), title_(MakePageTitle(QString(), this)),
      editButton_(ModeButton(QStringLiteral("✎"), 625, false, this)),
      graphButton_(ModeButton(QStringLiteral("∿"), 673, true, this)),
      tableButton_(ModeButton(QStringLiteral("▦"), 674, true, this)),
      minMaxButton_(ModeButton(QStringLiteral("↕"), 615, true, this)),
      params_(new QTreeWidget(this)), channels_(new CChannelListCtrl(this)),
      modeStack_(new QStackedWidget(this)), graph_(new CTrendGraphWidget(doc, modeStack_)),
      table_(new QTableView(modeStack_)), tableModel_(new SessionDataTableModel(this)),
      scroll_(new QScrollBar(Qt::Horizontal, this)) {
    editButton_->setObjectName(QStringLiteral("editButton"));
    graphButton_->setObjectName(QStringLiteral("graphButton"));
    tableButton_->setObjectName(QStringLiteral("tableButton"));
    minMaxButton_->setObjectName(QStringLiteral("minMaxButton"));

    params_->setObjectName(QStringLiteral("sessionParamsList"));
    params_->setColumnCount(2);
    params_->setHeaderLabels({ResourceString(626), ResourceString(627)});
    params_->setRootIsDecorated(false);
    params_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    params_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);

    table_->setObjectName(QStringLiteral("dataTable"));
    table_->setModel(tableModel_);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setShowGrid(true);
    table_->setWordWrap(false);
    table_->verticalHeader()->hide();
    // Fixed row heights keep scrolling free of any per-row measuring.
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
    table_->horizontalHeader()->setDefaultSectionSize(kTableColumnWidth);
    table_->horizontalHeader()->setStretchLastSection(false);
    modeStack_->addWidget(graph_);
    modeStack_->addWidget(table_);
    scroll_->setRange(0, kScrollRange);

    auto* top = new QHBoxLayout;
    top->addWidget(title_);
    top->addWidget(editButton_);
    top->addStretch(1);
    top->addWidget(graphButton_);
    top->addWidget(tableButton_);
    top->addWidget(minMaxButton_);

    auto* values = new QWidget(this);
    auto* valuesLayout = new QVBoxLayout(values);
    valuesLayout->setContentsMargins(0, 0, 0, 0);
    valuesLayout->addWidget(channels_);
    valuesLayout->addWidget(modeStack_, 1);
    valuesLayout->addWidget(scroll_);

    auto* split = new QSplitter(Qt::Horizontal, this);
    split->addWidget(params_);
    split->addWidget(values);
    split->setStretchFactor(1, 1);
    split->setSizes({320, 700});

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(split, 1);

    connect(editButton_, &QToolButton::clicked, this, [this] {
        if (number_)
            emit EditRequested(number_);
    });
    connect(params_, &QTreeWidget::itemDoubleClicked, this, [this] {
        if (number_)
            emit EditRequested(number_);
    });
    connect(graphButton_, &QToolButton::clicked, this, [this] { SelectModeByIndex(0); });
    connect(tableButton_, &QToolButton::clicked, this, [this] { SelectModeByIndex(1); });
    connect(minMaxButton_, &QToolButton::clicked, this, [this] { ShowMinMax(!minMax_, true); });
    connect(graph_, &CTrendGraphWidget::ViewChanged, this, &CVXSessionView::OnViewChanged);
    connect(graph_, &CTrendGraphWidget::CursorMoved, this, &CVXSessionView::OnCursorMoved);
    connect(scroll_, &QScrollBar::valueChanged, this, &CVXSessionView::OnScroll);
    doc_.AddObserver(this);
    ApplyMode();
}

CVXSessionView::~CVXSessionView() {
    doc_.RemoveObserver(this);
}

CRecSession* CVXSessionView::Session() const {
    return number_ ? doc_.FindSession(number_) : nullptr;
}

void CVXSessionView::ShowSession(uint32_t number) {
    if (number == number_ && Session())
        return;
    number_ = number;
    Refresh();
}

void CVXSessionView::OnDocumentUpdate(UpdateHintType hint) {
    switch (hint) {
    case UpdateHintType::Refresh:
    case UpdateHintType::DisplaySettings:
    case UpdateHintType::Colours:
    case UpdateHintType::SessionAdded:
    case UpdateHintType::SessionRemoved:
        Refresh();
        break;
    default:
        break;
    }
}

void CVXSessionView::Refresh() {
    const CRecSession* session = Session();
    if (!session) {
        // The session was closed: nothing of it stays on the page.
        number_ = 0;
        title_->clear();
        params_->clear();
        channels_->Clear();
        tableModel_->Reset(nullptr);
        attached_ = 0;
        graph_->SetSession(nullptr);
        ShowValueWidgets(false);
        editButton_->hide();
        return;
    }
    editButton_->show();
    if (attached_ != number_) {
        attached_ = number_;
        graph_->SetSession(session);
    } else {
        graph_->Graph().SetUnitText(session->DisplayUnits());
        graph_->Redraw();
    }
    RebuildParams(*session);
    tableModel_->Reset(session);
    const bool hasValues = HasValues(*session);
    ShowValueWidgets(hasValues);
    if (hasValues) {
        SetupChannelColumns(*session);
        UpdateWindowStatistics(*session);
        UpdateChannelLine(*session);
        ApplyMode();
    }
    title_->setText(ResourceString(hasValues ? 1050 : 624));
}

void CVXSessionView::ShowValueWidgets(bool on) {
    for (QWidget* w : std::initializer_list<QWidget*>{graphButton_, tableButton_, minMaxButton_,
                                                      channels_, modeStack_, scroll_})
        w->setVisible(on);
}

void CVXSessionView::RebuildParams(const CRecSession& session) {
    params_->clear();
    QFont bold = params_->font();
    bold.setBold(true);
    for (const SessionParamsRow& row : doc_.BuildSessionParams(session)) {
        auto* item = new QTreeWidgetItem(params_, QStringList{row.label, row.value});
        if (row.header) {
            item->setFont(0, bold);
            item->setFirstColumnSpanned(true);
        }
    }
}

void CVXSessionView::SetupChannelColumns(const CRecSession& session) {
    // A column's minimum and maximum differ only when it stands for several values.
    const auto range = graph_->VisibleRange();
    const bool cursorColumns =
        minMax_ && range && range->second - range->first > graph_->Graph().InnerRect().Width();
    channels_->SetColumns(SessionChannelColumns(session.Flags(), cursorColumns));
}

void CVXSessionView::UpdateWindowStatistics(const CRecSession& session) {
    const auto range = graph_->VisibleRange();
    window_ = range ? WindowStatistics::Of(session, range->first, range->second)
                    : WindowStatistics::Of(session, -1, -1);
}

void CVXSessionView::OnViewChanged() {
    const CRecSession* session = Session();
    if (!session)
        return;
    SetupChannelColumns(*session);
    UpdateWindowStatistics(*session);
    OnCursorMoved();
    SyncScrollBar();
}

void CVXSessionView::OnCursorMoved() {
    const CRecSession* session = Session();
    if (!session)
        return;
    const CTrendGraph& g = graph_->Graph();
    const QString& units = session->DisplayUnits();
    cursor_ = g.CursorValid() ? CursorReadouts{g.CursorMinimumText(units), g.CursorValueText(units),
                                               g.CursorMaximumText(units), g.CursorEventText()}
                              : CursorReadouts{};
    UpdateChannelLine(*session);
}

void CVXSessionView::SyncScrollBar() {
    const CTrendGraph& g = graph_->Graph();
    const double free = g.TotalSpan() - g.ViewSpan();
    const QSignalBlocker block(scroll_);
    scroll_->setEnabled(free > 0);
    // The thumb is as wide as the share of the recording in view; the bar's positions cover
    // the rest.
    const int page = g.TotalSpan() > 0
                         ? std::clamp(static_cast<int>(std::lround(g.ViewSpan() / g.TotalSpan() *
                                                                   kScrollRange)),
                                      1, kScrollRange)
                         : kScrollRange;
    scroll_->setPageStep(page);
    scroll_->setRange(0, kScrollRange - page);
    scroll_->setValue(free > 0 ? static_cast<int>(std::lround(g.ViewStart() / free *
                                                              scroll_->maximum()))
                               : 0);
}

void CVXSessionView::OnScroll(int position) {
    CTrendGraph& g = graph_->Graph();
    const double free = g.TotalSpan() - g.ViewSpan();
    if (free <= 0 || scroll_->maximum() <= 0)
        return;
    g.SetViewWindow(static_cast<double>(g.SessionStart()) + free * position / scroll_->maximum(),
                    g.ViewSpan(), 0, 0);
    graph_->Redraw();
    OnViewChanged();
}

void CVXSessionView::UpdateChannelLine(const CRecSession& session) {
    const QString label = session.ChanData().ChannelCount() > 0
                              ? session.ChanData().Channel(0).Label()
                              : session.ChannelName();
    const QString shown = label.isEmpty() ? session.ChannelName() : label;
    channels_->SetLine(doc_.Colours().TraceColourOfGroup(session.Entry().ColourGroup),
                       [&](ChanListHeaderType kind) {
                           return ChannelCellText(kind, shown, cursor_, window_);
                       });
    channels_->updateGeometry();
}

void CVXSessionView::SelectModeByIndex(int index) {
    mode_ = index == 1 ? ModeType::Table : ModeType::Graph;
    ApplyMode();
}

void CVXSessionView::ApplyMode() {
    graphButton_->setChecked(mode_ == ModeType::Graph);
    tableButton_->setChecked(mode_ == ModeType::Table);
    modeStack_->setCurrentWidget(mode_ == ModeType::Graph ? static_cast<QWidget*>(graph_) : table_);
    scroll_->setVisible(mode_ == ModeType::Graph && modeStack_->isVisibleTo(this));
    emit ModeChanged();
}

void CVXSessionView::ShowMinMax(bool on, bool refresh) {
    const bool changed = on != minMax_;
    minMax_ = on;
    minMaxButton_->setChecked(on);
    if (refresh && changed)
        Refresh();
}

bool CVXSessionView::ModeButtonsShown() const {
    return graphButton_->isVisibleTo(this) && tableButton_->isVisibleTo(this);
}

QString CVXSessionView::Title() const {
    return title_->text();
}

QString CVXSessionView::CopyText() const {
    return ListText(*params_, false);
}
