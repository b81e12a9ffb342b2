#include "gui/dialogs/CZoomTo.h"

#include "core/app/AppFolders.h"
#include "core/common/StringTable.h"
#include "core/graph/ZoomToModel.h"
#include "gui/dialogs/PickerValues.h"

#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QMessageBox>
#include <QPushButton>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace {

QDate DayOf(qint64 stamp) {
    return PickerDate(CalendarDateTime::FromLocalTimeStamp(stamp));
}

QTime TimeOfDay(int second) {
    return QTime(0, 0).addSecs(second);
}

// The time picker allows what its day allows; a day outside the range leaves it as it is,
// since the date picker is about to be brought back inside.
void BoundTime(QTimeEdit& time, const QDate& day, const ZoomToModel::PickerRange& range) {
    const ZoomToModel::TimesOfDay allowed = ZoomToModel::TimesOnDay(range, CalendarDay(day));
    if (allowed.first <= allowed.last)
        time.setTimeRange(TimeOfDay(allowed.first), TimeOfDay(allowed.last));
}

// The labels of its two pickers, with mnemonics of their own in each group.
struct PickerLabels {
    int date;
    int time;
};

QGroupBox* PickerGroup(const QString& title, PickerLabels labels, QDateEdit* date, QTimeEdit* time,
                       QWidget* parent) {
    auto* group = new QGroupBox(title, parent);
    auto* form = new QFormLayout(group);
    date->setCalendarPopup(true);
    date->setDisplayFormat(PickerDateFormat());
    time->setDisplayFormat(PickerTimeFormat());
    form->addRow(ResourceString(labels.date), date);
    form->addRow(ResourceString(labels.time), time);
    return group;
}

} // namespace

CZoomTo::CZoomTo(ZoomToModel& model, const HelpOpener& openHelp, QWidget* parent)
    : QDialog(parent), model_(model), startDate_(new QDateEdit(this)),
      startTime_(new QTimeEdit(this)), endDate_(new QDateEdit(this)),
      endTime_(new QTimeEdit(this)) {
    setWindowTitle(ZoomToModel::Title());
    startDate_->setObjectName(QStringLiteral("startDate"));
    startTime_->setObjectName(QStringLiteral("startTime"));
    endDate_->setObjectName(QStringLiteral("endDate"));
    endTime_->setObjectName(QStringLiteral("endTime"));
    auto* whole = new QPushButton(ZoomToModel::WholeDurationText(), this);
    whole->setObjectName(QStringLiteral("wholeRange"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PickerGroup(ZoomToModel::StartGroupText(),
                                  {TextId::kZoomDateLabel, TextId::kZoomTimeLabel}, startDate_,
                                  startTime_, this));
    layout->addWidget(PickerGroup(ZoomToModel::EndGroupText(),
                                  {TextId::kZoomEndDateField, TextId::kZoomEndTimeField}, endDate_,
                                  endTime_, this));
    layout->addWidget(whole, 0, Qt::AlignLeft);
    layout->addWidget(MakeDialogButtons(*this, openHelp, HelpContext::kSessionTrend));

    connect(whole, &QPushButton::clicked, this, [this] {
        model_.ChooseWholeRange();
        ShowModel();
    });
    for (QDateTimeEdit* edit :
         {static_cast<QDateTimeEdit*>(startDate_), static_cast<QDateTimeEdit*>(startTime_),
          static_cast<QDateTimeEdit*>(endDate_), static_cast<QDateTimeEdit*>(endTime_)}) {
        connect(edit, &QDateTimeEdit::dateTimeChanged, this, [this] {
            if (showing_)
                return;
            ReadPickers();
            RefreshRanges();
        });
    }
    ShowModel();
}

bool CZoomTo::Run(ZoomToModel& model, QWidget* parent, HelpOpener openHelp) {
    CZoomTo dialog(model, openHelp, parent);
    return dialog.exec() == QDialog::Accepted;
}

void CZoomTo::ShowModel() {
    showing_ = true;
    startDate_->setDate(PickerDate(model_.StartDate()));
    startTime_->setTime(PickerTime(model_.StartTime()));
    endDate_->setDate(PickerDate(model_.EndDate()));
    endTime_->setTime(PickerTime(model_.EndTime()));
    showing_ = false;
    RefreshRanges();
}

void CZoomTo::ReadPickers() {
    model_.SetStartDate(CalendarDay(startDate_->date()));
    model_.SetStartTime(CalendarMoment(startDate_->date(), startTime_->time()));
    model_.SetEndDate(CalendarDay(endDate_->date()));
    model_.SetEndTime(CalendarMoment(endDate_->date(), endTime_->time()));
}

void CZoomTo::RefreshRanges() {
    showing_ = true;
    const ZoomToModel::PickerRange start = model_.StartRange();
    startDate_->setDateRange(DayOf(start.first), DayOf(start.last));
    BoundTime(*startTime_, startDate_->date(), start);
    // The end's bounds follow the start as bounded; the model keeps what the pickers show.
    ReadPickers();
    const ZoomToModel::PickerRange end = model_.EndRange();
    endDate_->setDateRange(DayOf(end.first), DayOf(end.last));
    BoundTime(*endTime_, endDate_->date(), end);
    ReadPickers();
    showing_ = false;
}

void CZoomTo::accept() {
    ReadPickers();
    const ZoomToResultType result = model_.Accept();
    ShowModel();
    if (result == ZoomToResultType::Accepted)
        QDialog::accept();
    else
        QMessageBox::warning(this, ZoomToModel::Title(), model_.RefusalText(result));
}
