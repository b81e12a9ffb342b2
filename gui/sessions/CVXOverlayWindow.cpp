#include "gui/sessions/CVXOverlayWindow.h"

#include "core/common/StringTable.h"
#include "core/doc/CVexloDoc.h"
#include "core/graph/OverlaySessions.h"
#include "core/session/CRecSession.h"
#include "gui/app/AppIcons.h"
#include "gui/app/ScreenFit.h"
#include "gui/dialogs/CZoomTo.h"
#include "gui/graph/COverlayGraphWidget.h"
#include "gui/graph/QtCanvas.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QTableWidget>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

enum Column { kColourColumn, kNameColumn, kStartColumn, kPeriodColumn, kCursorColumn };
constexpr int kScrollRange = 1000;

} // namespace

CVXOverlayWindow::CVXOverlayWindow(CVexloDoc& doc, const std::vector<const CRecSession*>& sessions,
                                   QWidget* parent)
    : QWidget(parent, Qt::Window), doc_(doc), graph_(new COverlayGraphWidget(doc, this)),
      scroll_(new QScrollBar(Qt::Horizontal, this)), table_(new QTableWidget(this)) {
    setObjectName(QStringLiteral("overlayWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(ResourceString(TextId::kOverlayWindowTitle));
    graph_->setAccessibleName(ResourceString(TextId::kOverlayGraphName));
    scroll_->setAccessibleName(ResourceString(TextId::kGraphScrollName));
    table_->setAccessibleName(ResourceString(TextId::kOverlayTableName));
    for (const CRecSession* s : sessions)
        numbers_.push_back(s->Number());

    auto* tools = new QToolBar(this);
    tools->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    const auto command = [&](const QString& icon, int text, auto act) {
        // Without a picture of its own, a command shows its name alone.
        QAction* action = icon.isEmpty() ? tools->addAction(ResourceString(text))
                                         : tools->addAction(AppIcon(icon), ResourceString(text));
        connect(action, &QAction::triggered, this, [this, act] {
            act(graph_->Graph());
            graph_->Render();
        });
    };
    command(QStringLiteral("zoom-in"), TextId::kCommandZoomIn,
            [](COverlayGraph& g) { g.ZoomIn(); });
    command(QStringLiteral("zoom-out"), TextId::kCommandZoomOut,
            [](COverlayGraph& g) { g.ZoomOut(); });
    command(QString(), TextId::kOverlayZoomBack, [](COverlayGraph& g) { g.ZoomBack(); });
    command(QStringLiteral("zoom-fit-best"), TextId::kCommandZoomAll,
            [](COverlayGraph& g) { g.ZoomToAll(); });
    command(QStringLiteral("go-jump"), TextId::kCommandZoomTo, [this](COverlayGraph& g) {
        g.OpenZoomDialog([this](ZoomToModel& model) { return CZoomTo::Run(model, this); });
    });

    table_->setColumnCount(5);
    table_->setHorizontalHeaderLabels(
        {ResourceString(TextId::kColourHeader), ResourceString(TextId::kOverlayColumnSession),
         ResourceString(TextId::kOverlayColumnStart), ResourceString(TextId::kOverlayColumnPeriod),
         ResourceString(TextId::kOverlayColumnCursor)});
    table_->verticalHeader()->hide();
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionMode(QAbstractItemView::NoSelection);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->setColumnWidth(kColourColumn, 60);
    table_->setColumnWidth(kNameColumn, 200);
    table_->setColumnWidth(kStartColumn, 160);
    table_->setColumnWidth(kPeriodColumn, 110);

    scroll_->setRange(0, kScrollRange);
    connect(scroll_, &QScrollBar::valueChanged, this, &CVXOverlayWindow::OnScroll);
    connect(graph_, &COverlayGraphWidget::Drawn, this, [this] {
        UpdateReadings();
        UpdateScrollBar();
    });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tools);
    layout->addWidget(graph_, 1);
    layout->addWidget(scroll_);
    layout->addWidget(table_);

    graph_->Graph().SetSessions(sessions);
    FillTable();
    doc_.AddObserver(this);
    resize(FittedToScreen(QSize(1000, 640), screen()));
}

CVXOverlayWindow::~CVXOverlayWindow() {
    doc_.RemoveObserver(this);
}

std::vector<const CRecSession*> CVXOverlayWindow::LiveSessions() const {
    std::vector<const CRecSession*> out;
    for (const uint32_t n : numbers_)
        if (const CRecSession* s = doc_.FindSession(n))
            out.push_back(s);
    return out;
}

void CVXOverlayWindow::FillTable() {
    const COverlayGraph& g = graph_->Graph();
    table_->setRowCount(g.SessionCount());
    for (int s = 0; s < g.SessionCount(); ++s) {
        const CRecSession& session = g.SessionAt(s);
        auto* swatch = new QTableWidgetItem;
        swatch->setBackground(QtCanvas::ToQColor(g.TraceColour(s)));
        table_->setItem(s, kColourColumn, swatch);
        table_->setItem(s, kNameColumn, new QTableWidgetItem(OverlayName(session)));
        table_->setItem(s, kStartColumn, new QTableWidgetItem(OverlayStartText(session)));
        table_->setItem(s, kPeriodColumn, new QTableWidgetItem(session.StoragePeriodText()));
        table_->setItem(s, kCursorColumn, new QTableWidgetItem);
    }
    const int rows = table_->verticalHeader()->length() + table_->horizontalHeader()->height();
    table_->setFixedHeight(rows + 2 * table_->frameWidth() + 4);
}

void CVXOverlayWindow::UpdateReadings() {
    const COverlayGraph& g = graph_->Graph();
    for (int s = 0; s < g.SessionCount() && s < table_->rowCount(); ++s) {
        table_->item(s, kCursorColumn)->setText(g.CursorReading(s));
        table_->item(s, kColourColumn)->setBackground(QtCanvas::ToQColor(g.TraceColour(s)));
    }
}

void CVXOverlayWindow::UpdateScrollBar() {
    const COverlayGraph& g = graph_->Graph();
    const double free = g.TotalSpan() - g.ViewSpan();
    const QSignalBlocker block(scroll_);
    scroll_->setEnabled(free > 0.0);
    scroll_->setValue(free > 0.0 ? static_cast<int>(g.ViewStart() / free * kScrollRange) : 0);
}

void CVXOverlayWindow::OnScroll(int position) {
    COverlayGraph& g = graph_->Graph();
    const double free = g.TotalSpan() - g.ViewSpan();
    if (free <= 0.0)
        return;
    g.SetViewWindow(static_cast<double>(g.SessionStart()) + free * position / kScrollRange,
                    g.ViewSpan(), 0, 0);
    graph_->Render();
}

void CVXOverlayWindow::OnDocumentUpdate(UpdateHintType hint) {
    switch (hint) {
    case UpdateHintType::SessionRemoved:
        // The graph points into the sessions: one gone, the overlay goes with it.
        if (LiveSessions().size() != numbers_.size())
            close();
        break;
    case UpdateHintType::DisplaySettings:
        // Temperatures were converted in place, perhaps to another unit.
        graph_->Graph().SetSessions(LiveSessions());
        FillTable();
        graph_->Render();
        break;
    case UpdateHintType::Colours:
        graph_->Render();
        break;
    default:
        break;
    }
}
