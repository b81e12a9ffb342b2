#include "gui/dialogs/CEditSessionParams.h"

#include "core/app/AppFolders.h"
#include "core/common/StringTable.h"
#include "gui/app/Accessibility.h"
#include "gui/dialogs/ChannelControls.h"
#include "gui/dialogs/PickerValues.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace {

using F = SessionParamsFieldType;

} // namespace

CEditSessionParams::CEditSessionParams(SessionParamsEditModel& model, const HelpOpener& openHelp,
                                       QWidget* parent)
    : QDialog(parent), model_(model) {
    setWindowTitle(ResourceString(TextId::kSessionParams));

    auto* form = new QFormLayout;
    AddTextRow(*form, ResourceString(TextId::kInstrumentNameLabel), F::InstrumentName,
               QStringLiteral("instrumentName"));
    AddTextRow(*form, ResourceString(TextId::kInstrumentLocationLabel), F::Location,
               QStringLiteral("location"));
    AddTextRow(*form, ResourceString(TextId::kSessionNameLabel), F::SessionName,
               QStringLiteral("sessionName"));
    AddTextRow(*form, ResourceString(TextId::kHeaderLabel), F::Header, QStringLiteral("header"));
    AddTextRow(*form, ResourceString(TextId::kFooterLabel), F::Footer, QStringLiteral("footer"));

    comments_ = new QPlainTextEdit(model_.Text(F::Comments), this);
    comments_->setObjectName(QStringLiteral("comments"));
    comments_->setTabChangesFocus(true);
    comments_->setFixedHeight(comments_->fontMetrics().lineSpacing() * 4 + 12);
    form->addRow(ResourceString(TextId::kCommentsLabel), comments_);

    const CalendarDateTime& start = model_.CorrectedStart();
    date_ = new QDateEdit(this);
    date_->setObjectName(QStringLiteral("startDate"));
    date_->setDisplayFormat(PickerDateFormat());
    date_->setCalendarPopup(true);
    date_->setDate(PickerDate(start));
    time_ = new QTimeEdit(this);
    time_->setObjectName(QStringLiteral("startTime"));
    time_->setDisplayFormat(PickerTimeFormat());
    time_->setTime(PickerTime(start));
    shownStart_ = PickedStart();
    form->addRow(ResourceString(TextId::kStartDateLabel), date_);
    form->addRow(ResourceString(TextId::kStartTimeLabel), time_);

    cjc_ = new QCheckBox(ResourceString(TextId::kEnableCjc), this);
    cjc_->setObjectName(QStringLiteral("cjc"));
    cjc_->setChecked(model_.Cjc());
    cjc_->setHidden(!model_.ShowsThermocouple());

    polarity_ = new QCheckBox(ResourceString(TextId::kEventsStartRising), this);
    polarity_->setObjectName(QStringLiteral("risingEvents"));
    polarity_->setChecked(model_.RisingEvents());
    polarity_->setHidden(!model_.ShowsPolarity());

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(MakeThermocoupleGroup());
    layout->addWidget(cjc_);
    layout->addWidget(MakeScaleGroup());
    layout->addWidget(polarity_);
    layout->addWidget(MakeFilterGroup());
    layout->addWidget(MakeDialogButtons(*this, openHelp, HelpContext::kSessionParamsDialog));
    layout->setSizeConstraint(QLayout::SetFixedSize);
    // The two check boxes are made before the groups they show between.
    ChainTabOrder({tcButtons_->buttons().constLast(), cjc_});
    ChainTabOrder({findChild<QLineEdit*>(QStringLiteral("units")), polarity_});
}

bool CEditSessionParams::Run(SessionParamsEditModel& model, QWidget* parent, HelpOpener openHelp) {
    CEditSessionParams dialog(model, openHelp, parent);
    return dialog.exec() == QDialog::Accepted;
}

void CEditSessionParams::AddTextRow(QFormLayout& form, const QString& label,
                                    SessionParamsFieldType field, const QString& name) {
    auto* edit = new QLineEdit(this);
    edit->setObjectName(name);
    edit->setMaxLength(SessionParamsEditModel::LimitOf(field));
    edit->setText(model_.Text(field));
    form.addRow(label, edit);
    lineEdits_.emplace_back(field, edit);
}

void CEditSessionParams::AddScaleRow(QGridLayout& grid, int row, const QString& label,
                                     const QString& rangeText, SessionParamsFieldType field,
                                     const QString& name) {
    auto* range = new QLabel(rangeText, this);
    range->setObjectName(name + QStringLiteral("Range"));
    auto* edit = new QLineEdit(this);
    edit->setObjectName(name);
    edit->setMaxLength(SessionParamsEditModel::LimitOf(field));
    edit->setText(model_.Text(field));
    grid.addWidget(BuddyLabel(label, edit, this), row, 0);
    grid.addWidget(range, row, 1);
    grid.addWidget(new QLabel(QStringLiteral("="), this), row, 2);
    grid.addWidget(edit, row, 3);
    // Hidden scales keep the session's values untouched.
    if (model_.ShowsScales())
        lineEdits_.emplace_back(field, edit);
}

QWidget* CEditSessionParams::MakeThermocoupleGroup() {
    auto* group = new QGroupBox(ResourceString(TextId::kTcType), this);
    group->setObjectName(QStringLiteral("tcGroup"));
    auto* row = new QHBoxLayout(group);
    tcButtons_ = AddThermocoupleButtons(*group, *row, model_.TcButton());
    group->setHidden(!model_.ShowsThermocouple());
    return group;
}

QWidget* CEditSessionParams::MakeScaleGroup() {
    auto* group = new QGroupBox(ResourceString(TextId::kScaleGroup), this);
    group->setObjectName(QStringLiteral("scaleGroup"));
    auto* grid = new QGridLayout(group);
    AddScaleRow(*grid, 0, ResourceString(TextId::kScaleLowLabel), model_.RangeLowText(),
                F::LowScale, QStringLiteral("lowScale"));
    AddScaleRow(*grid, 1, ResourceString(TextId::kScaleHighLabel), model_.RangeHighText(),
                F::HighScale, QStringLiteral("highScale"));

    auto* units = new QLineEdit(this);
    units->setObjectName(QStringLiteral("units"));
    units->setMaxLength(SessionParamsEditModel::LimitOf(F::Units));
    units->setText(model_.Text(F::Units));
    if (model_.ShowsScales())
        lineEdits_.emplace_back(F::Units, units);
    grid->addWidget(BuddyLabel(ResourceString(TextId::kUnitsLabel), units, this), 2, 0);
    grid->addWidget(units, 2, 3);
    grid->addWidget(new QLabel(ResourceString(TextId::kUnitsNote), this), 3, 0, 1, 4);

    auto* pulseNote = new QLabel(ResourceString(TextId::kPulsesPerSecond), this);
    pulseNote->setObjectName(QStringLiteral("pulseNote"));
    pulseNote->setHidden(!model_.ShowsPulseNote());
    grid->addWidget(pulseNote, 0, 4);

    group->setHidden(!model_.ShowsScales());
    return group;
}

QWidget* CEditSessionParams::MakeFilterGroup() {
    QGroupBox* group = ::MakeFilterGroup(*this, model_.FilterIndex(), filter_);
    group->setHidden(!model_.ShowsFilter());
    return group;
}

CalendarDateTime CEditSessionParams::PickedStart() const {
    return CalendarMoment(date_->date(), time_->time());
}

void CEditSessionParams::WriteBack() {
    for (const auto& [field, edit] : lineEdits_)
        model_.SetText(field, edit->text());
    model_.SetText(F::Comments, comments_->toPlainText());
    // Setting the start drops its milliseconds: only a start the user changed is set.
    const CalendarDateTime picked = PickedStart();
    if (picked != shownStart_)
        model_.SetCorrectedStart(picked);
    model_.SetTcButton(tcButtons_->checkedId());
    model_.SetCjc(cjc_->isChecked());
    model_.SetRisingEvents(polarity_->isChecked());
    model_.SetFilterIndex(filter_->currentIndex());
}

QWidget* CEditSessionParams::EditOf(SessionParamsFieldType field) const {
    if (field == F::Comments)
        return comments_;
    if (field == F::CorrectedStart)
        return date_;
    for (const auto& [f, edit] : lineEdits_)
        if (f == field)
            return edit;
    return nullptr;
}

void CEditSessionParams::ShowProblem(const FieldProblem& problem) {
    ShowDialogProblem(*this, EditOf(problem.field), problem.message);
}

void CEditSessionParams::accept() {
    WriteBack();
    lastProblem_ = model_.Validate();
    if (lastProblem_) {
        ShowProblem(*lastProblem_);
        return;
    }
    QDialog::accept();
}
