#include "gui/sessions/CVXSessionView.h"

#include "core/common/StringTable.h"
#include "core/doc/CVexloDoc.h"
#include "core/doc/DocGraphSettings.h"
#include "core/graph/SessionChannelLine.h"
#include "core/graph/SessionReport.h"
#include "core/session/CRecSession.h"
#include "core/session/SessionParams.h"
#include "core/session/SessionTable.h"
#include "gui/app/Accessibility.h"
#include "gui/app/AppIcons.h"
#include "gui/app/ColumnWidths.h"
#include "gui/app/ListText.h"
#include "gui/dialogs/CReportOptions.h"
#include "gui/graph/CTrendGraphWidget.h"
#include "gui/graph/GraphPalette.h"
#include "gui/sessions/CChannelListCtrl.h"
#include "gui/sessions/PageTitle.h"
#include "gui/sessions/SessionDataTableModel.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
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

QToolButton* ModeButton(const char16_t* icon, int tooltipId, bool checkable, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setIcon(AppIcon(QString::fromUtf16(icon)));
    button->setIconSize(QSize(22, 22));
    button->setToolTip(ResourceString(tooltipId));
    button->setCheckable(checkable);
    button->setAutoRaise(true);
    NameAfterToolTip(*button);
    return button;
}

} // namespace

CVXSessionView::CVXSessionView(CVexloDoc& doc, QWidget* parent)
    : CDisplayDataView(parent), doc_(doc), title_(MakePageTitle(QString(), this)),
      editButton_(ModeButton(AppIconName::kEdit, TextId::kEditSessionParams, false, this)),
      graphButton_(ModeButton(AppIconName::kTrend, TextId::kGraphViewTip, true, this)),
      tableButton_(ModeButton(AppIconName::kTable, TextId::kTableViewTip, true, this)),
      minMaxButton_(ModeButton(AppIconName::kMinMax, TextId::kShowMinMax, true, this)),
      modeButtons_(new QButtonGroup(this)), panes_(new QSplitter(Qt::Horizontal, this)),
      params_(new QTreeWidget(panes_)), channels_(new CChannelListCtrl(this)),
      modeStack_(new QStackedWidget(this)), graph_(new CTrendGraphWidget(doc, modeStack_)),
      table_(new QTableView(modeStack_)), tableModel_(new SessionDataTableModel(this)),
      scroll_(new QScrollBar(Qt::Horizontal, this)) {
    editButton_->setObjectName(QStringLiteral("editButton"));
    graphButton_->setObjectName(QStringLiteral("graphButton"));
    tableButton_->setObjectName(QStringLiteral("tableButton"));
    minMaxButton_->setObjectName(QStringLiteral("minMaxButton"));
    // One of the two modes is always the pressed one, even when clicked again.
    modeButtons_->setExclusive(true);
    modeButtons_->addButton(graphButton_, 0);
    modeButtons_->addButton(tableButton_, 1);

    params_->setObjectName(QStringLiteral("sessionParamsList"));
    params_->setAccessibleName(ResourceString(TextId::kSessionParams));
    params_->setColumnCount(2);
    params_->setHeaderLabels({ResourceString(TextId::kName), ResourceString(TextId::kValue)});
    params_->setRootIsDecorated(false);
    params_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    params_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);

    table_->setObjectName(QStringLiteral("dataTable"));
    table_->setAccessibleName(ResourceString(TextId::kSessionValueTableName));
    graph_->setAccessibleName(ResourceString(TextId::kTrendGraphName));
    scroll_->setAccessibleName(ResourceString(TextId::kGraphScrollName));
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

    auto* values = new QWidget(panes_);
    auto* valuesLayout = new QVBoxLayout(values);
    valuesLayout->setContentsMargins(0, 0, 0, 0);
    valuesLayout->addWidget(channels_);
    valuesLayout->addWidget(modeStack_, 1);
    valuesLayout->addWidget(scroll_);

    panes_->setObjectName(QStringLiteral("sessionPanes"));
    panes_->addWidget(params_);
    panes_->addWidget(values);
    panes_->setStretchFactor(1, 1);
    panes_->setChildrenCollapsible(false);
    panes_->setSizes({320, 700});

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(panes_, 1);

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
    connect(graph_, &CTrendGraphWidget::Drawn, this, &CVXSessionView::OnGraphDrawn);
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
    KeepPageState();
    number_ = number;
    Refresh();
}

void CVXSessionView::KeepPageState() {
    if (attached_ && doc_.FindSession(attached_))
        kept_[attached_] = {graph_->Graph().ViewState(), table_->verticalScrollBar()->value()};
}

void CVXSessionView::ForgetClosedSessions() {
    std::erase_if(kept_, [this](const auto& entry) { return !doc_.FindSession(entry.first); });
}

void CVXSessionView::OnDocumentUpdate(UpdateHintType hint) {
    switch (hint) {
    case UpdateHintType::SessionRemoved:
        ForgetClosedSessions();
        Refresh();
        break;
    case UpdateHintType::Refresh:
    case UpdateHintType::DisplaySettings:
    case UpdateHintType::Colours:
    case UpdateHintType::SessionAdded:
        Refresh();
        break;
    default:
        break;
    }
}

// The table fits its headers and the rows in view; the value column also fits the longest
// marker text, which a row further down may show.
void CVXSessionView::FitTableColumns() {
    constexpr int kMinimumWidths[] = {kTableColumnWidth, kTableColumnWidth, kTableColumnWidth};
    FitColumnsToContents(*table_, kMinimumWidths);
    const QFontMetrics metrics = table_->fontMetrics();
    const int marker = metrics.horizontalAdvance(ResourceString(TextId::kOverRange)) +
                       metrics.averageCharWidth() * 2;
    if (table_->columnWidth(SessionTable::kValueColumn) < marker)
        table_->setColumnWidth(SessionTable::kValueColumn, marker);
}

void CVXSessionView::Attach(const CRecSession& session) {
    attached_ = number_;
    const auto kept = kept_.find(number_);
    tableModel_->Reset(&session, ScreenTableGrouping(session));
    FitTableColumns();
    if (kept != kept_.end()) {
        graph_->SetSession(&session, kept->second.graph);
        table_->verticalScrollBar()->setValue(kept->second.tableTopRow);
    } else {
        graph_->SetSession(&session);
        table_->scrollToTop();
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
    RebuildParams(*session);
    const bool hasValues = SessionHasValues(*session);
    ShowValueWidgets(hasValues);
    if (attached_ != number_) {
        Attach(*session);
    } else {
        // The same session with new values, start, scales or units: the table keeps its
        // place, and the graph draws them at once, which brings the channel line along.
        const int topRow = table_->verticalScrollBar()->value();
        tableModel_->Reset(session, ScreenTableGrouping(*session));
        FitTableColumns();
        table_->verticalScrollBar()->setValue(topRow);
        graph_->Graph().SetUnitText(session->DisplayUnits());
        graph_->Redraw();
    }
    if (hasValues)
        ApplyMode();
    title_->setText(SessionPageTitle(*session));
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

void CVXSessionView::OnGraphDrawn() {
    const CRecSession* session = Session();
    if (!session || attached_ != number_)
        return;
    UpdateChannelLine(*session);
    SyncScrollBar();
}

void CVXSessionView::SyncScrollBar() {
    const CTrendGraph& g = graph_->Graph();
    const double free = g.TotalSpan() - g.ViewSpan();
    const QSignalBlocker block(scroll_);
    scroll_->setEnabled(free > 0);
    // The thumb is as wide as the share of the recording in view; the bar's positions cover
    // the rest.
    const int page =
        g.TotalSpan() > 0
            ? std::clamp(static_cast<int>(std::lround(g.ViewSpan() / g.TotalSpan() * kScrollRange)),
                         1, kScrollRange)
            : kScrollRange;
    scroll_->setPageStep(page);
    scroll_->setRange(0, kScrollRange - page);
    scroll_->setValue(
        free > 0 ? static_cast<int>(std::lround(g.ViewStart() / free * scroll_->maximum())) : 0);
}

void CVXSessionView::OnScroll(int position) {
    CTrendGraph& g = graph_->Graph();
    const double free = g.TotalSpan() - g.ViewSpan();
    if (free <= 0 || scroll_->maximum() <= 0)
        return;
    g.SetViewWindow(static_cast<double>(g.SessionStart()) + free * position / scroll_->maximum(),
                    g.ViewSpan(), 0, 0);
    graph_->Render();
}

void CVXSessionView::UpdateChannelLine(const CRecSession& session) {
    const SessionChannelLine line = SessionChannelLine::Of(session, graph_->Graph(), minMax_);
    channels_->SetColumns(line.columns);
    const TraceColours colours = ThemedColours(doc_.Colours(), IsDarkPalette(palette()));
    channels_->SetLine(colours.TraceColourOfGroup(session.Entry().ColourGroup),
                       [&](ChanListHeaderType kind) { return line.TextOf(kind); });
    channels_->updateGeometry();
    // The graph tells what its line shows, as a sighted user reads it beside the graph.
    if (const QString spoken = line.SpokenText(); graph_->accessibleDescription() != spoken)
        graph_->setAccessibleDescription(spoken);
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

QByteArray CVXSessionView::SavePanes() const {
    return panes_->saveState();
}

void CVXSessionView::RestorePanes(const QByteArray& state) {
    panes_->restoreState(state);
}

QString CVXSessionView::CopyText() const {
    const QModelIndexList rows = table_->selectionModel()->selectedRows();
    if (mode_ != ModeType::Table || rows.isEmpty()) {
        const QString params = ListText(*params_, false);
        return channels_->isVisibleTo(this) ? params + u'\n' + channels_->LineText() : params;
    }
    QList<int> order;
    for (const QModelIndex& index : rows)
        order.push_back(index.row());
    std::sort(order.begin(), order.end());
    QString text;
    for (const int row : order) {
        for (int c = 0; c < tableModel_->columnCount(); ++c)
            text += (c ? QStringLiteral("\t") : QString()) +
                    tableModel_->index(row, c).data().toString();
        text += u'\n';
    }
    return text;
}

TableGrouping CVXSessionView::ScreenTableGrouping(const CRecSession& session) const {
    return reportOptions_.includeSampleTable
               ? SessionTableGrouping(session, reportOptions_.samplesPerAverage)
               : TableGrouping{};
}

void CVXSessionView::SetReportOptions(const ReportOptions& options) {
    reportOptions_ = options;
    if (const CRecSession* session = Session()) {
        tableModel_->Reset(session, ScreenTableGrouping(*session));
        FitTableColumns();
    }
}

bool CVXSessionView::PreparePrint(QWidget* dialogParent) {
    const CRecSession* session = Session();
    if (!session)
        return false;
    ReportOptionsModel model(ReportSessionFacts::Of(*session), reportOptions_);
    if (!CReportOptions::Run(model, dialogParent, openHelp_))
        return false;
    SetReportOptions(model.Accepted());
    return true;
}

std::unique_ptr<Printout> CVXSessionView::MakePrintout() {
    const CRecSession* session = Session();
    if (!session)
        return nullptr;
    // Only the session's own window and cursor go over: the report draws its own graph.
    return std::make_unique<SessionReport>(
        *session, SessionPrintView::OfGraph(graph_->Graph(), minMax_), reportOptions_,
        ReportGraphSettings(DocGraphSettings(doc_)));
}
