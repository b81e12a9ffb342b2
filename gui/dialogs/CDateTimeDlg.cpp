#include "gui/dialogs/CDateTimeDlg.h"

#include "core/common/StringTable.h"
#include "gui/dialogs/DialogButtons.h"
#include "gui/dialogs/PickerValues.h"

#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>
#include <QTimeEdit>
#include <QVBoxLayout>

CDateTimeDlg::CDateTimeDlg(DateTimeDlgModel& model, QWidget* parent)
    : QDialog(parent), model_(model), date_(new QDateEdit(this)), time_(new QTimeEdit(this)) {
    setWindowTitle(ResourceString(TextId::kDateTimeTitle));
    date_->setObjectName(QStringLiteral("date"));
    time_->setObjectName(QStringLiteral("time"));
    date_->setCalendarPopup(true);
    date_->setDisplayFormat(PickerDateFormat());
    time_->setDisplayFormat(PickerTimeFormat());
    date_->setDate(PickerDate(model.Date()));
    time_->setTime(PickerTime(model.Time()));

    auto* form = new QFormLayout;
    form->addRow(ResourceString(TextId::kClockDateField), date_);
    form->addRow(ResourceString(TextId::kClockTimeField), time_);
    auto* sync = new QPushButton(ResourceString(TextId::kSyncWithPcClock), this);
    sync->setObjectName(QStringLiteral("synchronise"));
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(ResourceString(TextId::kButtonOk), QDialogButtonBox::AcceptRole);
    buttons->addButton(ResourceString(TextId::kServerWaitCancel), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        ReadPickers();
        if (const QString problem = model_.Problem(); !problem.isEmpty()) {
            ShowProblem(problem);
            return;
        }
        end_ = DateTimeDlgEndType::Ok;
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(sync, &QPushButton::clicked, this, [this] {
        end_ = DateTimeDlgEndType::Synchronise;
        accept();
    });
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(sync);
    layout->addWidget(buttons);
}

void CDateTimeDlg::ReadPickers() {
    model_.SetDate(CalendarDay(date_->date()));
    model_.SetTime(CalendarMoment(date_->date(), time_->time()));
}

void CDateTimeDlg::ShowProblem(const QString& text) {
    ShowDialogProblem(*this, nullptr, text);
}

DateTimeDlgEndType CDateTimeDlg::Run(DateTimeDlgModel& model, QWidget* parent) {
    CDateTimeDlg dialog(model, parent);
    dialog.exec();
    return dialog.End();
}
