#include "gui/app/CLeftView.h"

#include "core/common/StringTable.h"
#include "gui/app/AppIcons.h"

#include <algorithm>

namespace {
constexpr int kDataRole = Qt::UserRole;
constexpr uint32_t kInstrumentData = 0x40000000u;
constexpr uint32_t kSessionsData = 0x80000000u;
} // namespace

CLeftView::CLeftView(QWidget* parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setAccessibleName(ResourceString(TextId::kNavigationTreeName));
    setRootIsDecorated(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setIconSize(QSize(16, 16));
    instrument_ = new QTreeWidgetItem(this, QStringList{ResourceString(TextId::kInstrumentBranch)});
    instrument_->setIcon(0, AppIcon(QString::fromUtf16(AppIconName::kInstrument)));
    instrument_->setData(0, kDataRole, kInstrumentData);
    sessions_ = new QTreeWidgetItem(this, QStringList{ResourceString(TextId::kMyOpenSessions)});
    sessions_->setIcon(0, AppIcon(QString::fromUtf16(AppIconName::kSessions)));
    sessions_->setData(0, kDataRole, kSessionsData);
    instrument_->setExpanded(true);
    connect(this, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem*) { OnCurrentItemChanged(current); });
}

uint32_t CLeftView::DataOf(const QTreeWidgetItem* item) {
    return item ? item->data(0, kDataRole).toUInt() : 0;
}

void CLeftView::SelectInstrument() {
    setCurrentItem(instrument_);
}

void CLeftView::RefreshSessions(const std::vector<std::pair<uint32_t, QString>>& sessions) {
    const uint32_t selectedBefore = DataOf(currentItem());
    suppress_ = true;
    for (int i = sessions_->childCount() - 1; i >= 0; --i) {
        const uint32_t id = TreeSelection::FromData(DataOf(sessions_->child(i))).sessionId;
        const bool open = std::any_of(sessions.begin(), sessions.end(),
                                      [id](const auto& s) { return s.first == id; });
        if (!open)
            delete sessions_->takeChild(i);
    }
    const QIcon sessionIcon = AppIcon(QString::fromUtf16(AppIconName::kSession));
    const QIcon trendIcon = AppIcon(QString::fromUtf16(AppIconName::kTrend));
    for (const auto& [id, name] : sessions) {
        bool present = false;
        for (int i = 0; i < sessions_->childCount() && !present; ++i)
            present = TreeSelection::FromData(DataOf(sessions_->child(i))).sessionId == id;
        if (present)
            continue;
        auto* item = new QTreeWidgetItem(sessions_, QStringList{name});
        item->setIcon(0, sessionIcon);
        item->setData(0, kDataRole, TreeSelection::SessionData(id, false));
        auto* trend = new QTreeWidgetItem(item, QStringList{ResourceString(TextId::kTrend)});
        trend->setIcon(0, trendIcon);
        trend->setData(0, kDataRole, TreeSelection::SessionData(id, true));
        item->setExpanded(true);
        sessions_->setExpanded(true);
    }
    suppress_ = false;
    // The selected session may have gone with its item: the page follows the new selection.
    if (!currentItem())
        SelectInstrument();
    else if (DataOf(currentItem()) != selectedBefore)
        emit SelectionChanged(CurrentSelection());
}

void CLeftView::RenameSessions(const std::function<QString(uint32_t)>& nameOf) {
    for (int i = 0; i < sessions_->childCount(); ++i) {
        QTreeWidgetItem* item = sessions_->child(i);
        const QString name = nameOf(TreeSelection::FromData(DataOf(item)).sessionId);
        if (!name.isEmpty() && item->text(0) != name)
            item->setText(0, name);
    }
}

void CLeftView::SelectSession(uint32_t id) {
    for (int i = 0; i < sessions_->childCount(); ++i) {
        QTreeWidgetItem* item = sessions_->child(i);
        if (TreeSelection::FromData(DataOf(item)).sessionId == id) {
            setCurrentItem(item);
            return;
        }
    }
}

TreeSelection CLeftView::CurrentSelection() const {
    return TreeSelection::FromData(DataOf(currentItem()));
}

void CLeftView::OnCurrentItemChanged(QTreeWidgetItem* current) {
    if (!current || suppress_)
        return;
    emit SelectionChanged(TreeSelection::FromData(DataOf(current)));
}
