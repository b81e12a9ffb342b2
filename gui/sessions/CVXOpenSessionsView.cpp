#include "gui/sessions/CVXOpenSessionsView.h"

#include "core/common/StringTable.h"
#include "core/doc/CVexloDoc.h"
#include "core/graph/PagePrintouts.h"
#include "core/session/CRecSession.h"
#include "core/session/SessionParams.h"
#include "gui/app/ColumnWidths.h"
#include "gui/app/ListText.h"
#include "gui/sessions/PageTitle.h"

#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <array>

namespace {
struct Column {
    int labelId;
    int width;
};
constexpr Column kColumns[] = {{TextId::kLoggerName, 140},
                               {TextId::kSessionName, 200},
                               {TextId::kStartDateTime, 125},
                               {TextId::kEndDateTime, 125},
                               {TextId::kStoragePeriod, 125}};
} // namespace

CVXOpenSessionsView::CVXOpenSessionsView(CVexloDoc& doc, QWidget* parent)
    : CDisplayDataView(parent), doc_(doc),
      title_(MakePageTitle(ResourceString(TextId::kOpenSessions), this)),
      list_(new QTreeWidget(this)) {
    list_->setObjectName(QStringLiteral("openSessionsList"));
    list_->setAccessibleName(ResourceString(TextId::kOpenSessionsListName));
    list_->setRootIsDecorated(false);
    list_->setAllColumnsShowFocus(true);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setAlternatingRowColors(true);
    QStringList headers;
    for (const Column& c : kColumns)
        headers << ResourceString(c.labelId);
    list_->setHeaderLabels(headers);
    list_->header()->setStretchLastSection(false);
    // Grid lines, as a report list has them.
    list_->setStyleSheet(QStringLiteral(
        "QTreeView::item { border-right: 1px solid palette(mid); border-bottom: 1px solid "
        "palette(midlight); }"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title_);
    layout->addWidget(list_);
    doc_.AddObserver(this);
    Refill();
}

CVXOpenSessionsView::~CVXOpenSessionsView() {
    doc_.RemoveObserver(this);
}

void CVXOpenSessionsView::OnDocumentUpdate(UpdateHintType hint) {
    if (hint == UpdateHintType::SessionAdded || hint == UpdateHintType::SessionRemoved ||
        hint == UpdateHintType::Refresh)
        Refill();
}

void CVXOpenSessionsView::Refill() {
    list_->clear();
    for (const CRecSession* s : doc_.Sessions()) {
        new QTreeWidgetItem(list_, QStringList{
                                       s->InstrumentName(),
                                       s->SessionName(),
                                       LocalDateAndTimeText(s->HeaderValue(HeaderKeyType::Start)),
                                       LocalDateAndTimeText(s->EndText()),
                                       s->StoragePeriodText(),
                                   });
    }
    std::array<int, std::size(kColumns)> widths{};
    std::transform(std::begin(kColumns), std::end(kColumns), widths.begin(),
                   [](const Column& c) { return c.width; });
    FitColumnsToContents(*list_, widths);
}

QString CVXOpenSessionsView::CopyText() const {
    return ListText(*list_, true);
}

std::unique_ptr<Printout> CVXOpenSessionsView::MakePrintout() {
    std::vector<QString> headers;
    for (int c = 0; c < list_->columnCount(); ++c)
        headers.push_back(list_->headerItem()->text(c));
    std::vector<std::vector<QString>> rows;
    for (int r = 0; r < list_->topLevelItemCount(); ++r) {
        std::vector<QString> row;
        for (int c = 0; c < list_->columnCount(); ++c)
            row.push_back(list_->topLevelItem(r)->text(c));
        rows.push_back(std::move(row));
    }
    return std::make_unique<ListPrintout>(title_->text(), std::move(headers), std::move(rows));
}
