#include "sessions/CVXSessionView.h"

#include "session/CRecSession.h"
#include "session/CVexloDoc.h"
#include "session/SessionParams.h"
#include "sessions/PageTitle.h"

#include <QHeaderView>
#include <QTreeWidget>
#include <QVBoxLayout>

CVXSessionView::CVXSessionView(CVexloDoc& doc, QWidget* parent)
    : QWidget(parent), doc_(doc), title_(MakePageTitle(QString(), this)),
      list_(new QTreeWidget(this)) {
    list_->setObjectName(QStringLiteral("sessionParamsList"));
    list_->setColumnCount(2);
    list_->setRootIsDecorated(false);
    list_->setHeaderHidden(true);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title_);
    layout->addWidget(list_);
    doc_.AddObserver(this);
}

CVXSessionView::~CVXSessionView() {
    doc_.RemoveObserver(this);
}

CRecSession* CVXSessionView::Session() const {
    return number_ ? doc_.FindSession(number_) : nullptr;
}

void CVXSessionView::ShowSession(uint32_t number) {
    number_ = number;
    Refresh();
}

void CVXSessionView::OnDocumentUpdate(UpdateHintType hint) {
    switch (hint) {
    case UpdateHintType::Refresh:
    case UpdateHintType::DisplaySettings:
    case UpdateHintType::SessionAdded:
    case UpdateHintType::SessionRemoved:
        Refresh();
        break;
    default:
        break;
    }
}

void CVXSessionView::Refresh() {
    list_->clear();
    const CRecSession* session = Session();
    if (!session) {
        // The session was closed: nothing of it stays on the page.
        number_ = 0;
        title_->clear();
        return;
    }
    title_->setText(session->SessionName());
    QFont bold = list_->font();
    bold.setBold(true);
    for (const SessionParamsRow& row : doc_.BuildSessionParams(*session)) {
        auto* item = new QTreeWidgetItem(list_, QStringList{row.label, row.value});
        if (row.header) {
            item->setFont(0, bold);
            item->setFirstColumnSpanned(true);
        }
    }
}

QString CVXSessionView::CopyText() const {
    QString text;
    for (int r = 0; r < list_->topLevelItemCount(); ++r) {
        const QTreeWidgetItem* item = list_->topLevelItem(r);
        text += item->text(0) + u'\t' + item->text(1) + u'\n';
    }
    return text;
}
