#include "gui/dialogs/CAlarmLimitsDlg.h"

#include "core/app/AppFolders.h"
#include "core/common/StringTable.h"
#include "gui/app/Accessibility.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {
constexpr int kBoxCharacters = 12;
} // namespace

CAlarmLimitsDlg::CAlarmLimitsDlg(AlarmLimitsEditModel& model, const HelpOpener& openHelp,
                                 QWidget* parent)
    : QDialog(parent), model_(model), high_(AddLimitBox(model.HighText(), QStringLiteral("high"))),
      low_(AddLimitBox(model.LowText(), QStringLiteral("low"))) {
    setWindowTitle(AlarmLimitsEditModel::Title());
    auto* form = new QFormLayout;
    for (auto [label, box] :
         {std::pair{TextId::kAlarmHighField, high_}, std::pair{TextId::kAlarmLowField, low_}}) {
        auto* row = new QHBoxLayout;
        row->addWidget(box);
        row->addWidget(new QLabel(model.Unit(), this));
        row->addStretch();
        form->addRow(BuddyLabel(ResourceString(label), box, this), row);
    }
    auto* note = new QLabel(model.Note(), this);
    note->setWordWrap(true);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    if (model.OffersMkt()) {
        mkt_ = new QCheckBox(AlarmLimitsEditModel::MktLabel(), this);
        mkt_->setObjectName(QStringLiteral("showMkt"));
        mkt_->setChecked(model.ShowMkt());
        layout->addWidget(mkt_);
    }
    layout->addWidget(note);
    layout->addWidget(MakeDialogButtons(*this, openHelp, HelpContext::kAlarmLimitsDialog));
    setMinimumWidth(fontMetrics().averageCharWidth() * 60);
}

bool CAlarmLimitsDlg::Run(AlarmLimitsEditModel& model, QWidget* parent, HelpOpener openHelp) {
    CAlarmLimitsDlg dialog(model, openHelp, parent);
    return dialog.exec() == QDialog::Accepted;
}

QLineEdit* CAlarmLimitsDlg::AddLimitBox(const QString& text, const QString& name) {
    auto* box = new QLineEdit(text, this);
    box->setObjectName(name);
    box->setMaximumWidth(fontMetrics().averageCharWidth() * kBoxCharacters + 12);
    return box;
}

void CAlarmLimitsDlg::accept() {
    const Outcome applied = model_.Apply(low_->text(), high_->text(), mkt_ && mkt_->isChecked());
    if (!applied) {
        ShowDialogProblem(*this, model_.LastRefusalIsHigh() ? high_ : low_, applied.message);
        return;
    }
    QDialog::accept();
}
