#include "gui/sessions/COverlayChooser.h"

#include "core/common/StringTable.h"
#include "core/graph/OverlaySessions.h"
#include "core/session/CRecSession.h"
#include "gui/app/Accessibility.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QVBoxLayout>

COverlayChooser::COverlayChooser(const std::vector<const CRecSession*>& candidates,
                                 const QString& unit, QWidget* parent)
    : QDialog(parent), candidates_(candidates), list_(new QListWidget(this)) {
    setObjectName(QStringLiteral("overlayChooser"));
    setWindowTitle(ResourceString(TextId::kOverlayChooserTitle));
    auto* layout = new QVBoxLayout(this);
    auto* prompt = new QLabel(FormatResource(TextId::kOverlayChooserPrompt, {unit}), this);
    prompt->setBuddy(list_);
    // A list takes no name from its label.
    list_->setAccessibleName(WithoutMnemonic(prompt->text()));
    layout->addWidget(prompt);
    for (const CRecSession* s : candidates_) {
        auto* item = new QListWidgetItem(
            OverlayName(*s) + QStringLiteral(" — ") + OverlayStartText(*s), list_);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
    }
    list_->setMinimumWidth(list_->sizeHintForColumn(0) + 4 * list_->frameWidth() + 24);
    layout->addWidget(list_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

std::vector<const CRecSession*> COverlayChooser::Chosen() const {
    std::vector<const CRecSession*> out;
    for (int i = 0; i < list_->count(); ++i)
        if (list_->item(i)->checkState() == Qt::Checked)
            out.push_back(candidates_[static_cast<std::size_t>(i)]);
    return out;
}

void COverlayChooser::accept() {
    if (const std::optional<QString> refusal = OverlayRefusal(Chosen())) {
        QMessageBox::warning(this, windowTitle(), *refusal);
        return;
    }
    QDialog::accept();
}
