#include "gui/dialogs/CConfigDlg.h"

#include "core/app/AppFolders.h"
#include "core/app/UserInterface.h"
#include "core/common/StringTable.h"
#include "core/instrument/RecordingDurations.h"
#include "gui/app/Accessibility.h"
#include "gui/dialogs/ChannelControls.h"
#include "gui/dialogs/PickerValues.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace {

constexpr int kClockTickMs = 10;

namespace RD = RecordingDurations;

// Without digit grouping, which typed numbers may not carry.
QString ScaleText(double v) {
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(v, 'g', 7);
}

QDateEdit* MakeDatePicker(QWidget* parent, const QString& name) {
    auto* picker = new QDateEdit(parent);
    picker->setObjectName(name);
    picker->setDisplayFormat(PickerDateFormat());
    picker->setCalendarPopup(true);
    return picker;
}

QTimeEdit* MakeTimePicker(QWidget* parent, const QString& name) {
    auto* picker = new QTimeEdit(parent);
    picker->setObjectName(name);
    picker->setDisplayFormat(PickerTimeFormat());
    return picker;
}

} // namespace

CConfigDlg::CConfigDlg(ConfigurationModel& model, UserInterface& ui, ClockSetRunner setClock,
                       const HelpOpener& openHelp, QWidget* parent)
    : QDialog(parent), model_(model), ui_(ui), setClock_(std::move(setClock)) {
    setWindowTitle(ResourceString(TextId::kConfigureInstrumentTitle));
    const ConfigGroups groups = model_.Groups();

    auto* left = new QVBoxLayout;
    left->addWidget(MakeRecordingGroup());
    left->addWidget(MakeMemoryGroup());
    left->addWidget(MakeClockGroup());
    left->addStretch();

    rising_ = new QCheckBox(ResourceString(TextId::kEventsStartRising), this);
    rising_->setObjectName(QStringLiteral("risingEdge"));
    rising_->setChecked(model_.RisingEdge());
    rising_->setHidden(!groups.edge);

    auto* right = new QVBoxLayout;
    right->addWidget(MakeScaleGroup());
    right->addWidget(MakeThermocoupleGroup());
    right->addWidget(rising_);
    right->addWidget(MakeFilterGroup());
    right->addStretch();

    auto* columns = new QHBoxLayout;
    columns->addLayout(left);
    columns->addLayout(right);

    QDialogButtonBox* buttons = MakeDialogButtons(*this, openHelp, HelpContext::kConfigureDialog);
    ok_ = buttons->findChild<QPushButton*>(QStringLiteral("okButton"));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // The edge box is made before the right-hand groups but shows below them.
    ChainTabOrder({cjc_, rising_, filter_});

    ShowDates();
    Refresh();
    connect(&timer_, &QTimer::timeout, this, &CConfigDlg::Tick);
    timer_.start(ConfigurationModel::kEraseWatchIntervalMs);
    connect(&clockTimer_, &QTimer::timeout, this, &CConfigDlg::ClockTick);
}

bool CConfigDlg::Run(ConfigurationModel& model, UserInterface& ui, ClockSetRunner setClock,
                     const HelpOpener& openHelp, QWidget* parent) {
    CConfigDlg dialog(model, ui, std::move(setClock), openHelp, parent);
    return dialog.exec() == QDialog::Accepted;
}

QWidget* CConfigDlg::MakeRecordingGroup() {
    auto* group = new QGroupBox(ResourceString(TextId::kRecording), this);
    auto* grid = new QGridLayout(group);
    now_ = new QRadioButton(ResourceString(TextId::kRecordNow), group);
    now_->setObjectName(QStringLiteral("recordNow"));
    schedule_ = new QRadioButton(ResourceString(TextId::kScheduleRecording), group);
    schedule_->setObjectName(QStringLiteral("schedule"));
    grid->addWidget(now_, 0, 0, 1, 3);
    grid->addWidget(schedule_, 1, 0, 1, 3);

    startDate_ = MakeDatePicker(group, QStringLiteral("startDate"));
    startTime_ = MakeTimePicker(group, QStringLiteral("startTime"));
    endDate_ = MakeDatePicker(group, QStringLiteral("endDate"));
    endTime_ = MakeTimePicker(group, QStringLiteral("endTime"));
    startTime_->setAccessibleName(ResourceString(TextId::kStartTimeName));
    endTime_->setAccessibleName(ResourceString(TextId::kEndTimeName));
    grid->addWidget(BuddyLabel(ResourceString(TextId::kStartLabel), startDate_, group), 2, 0);
    grid->addWidget(startDate_, 2, 1);
    grid->addWidget(startTime_, 2, 2);
    grid->addWidget(BuddyLabel(ResourceString(TextId::kEndLabel), endDate_, group), 3, 0);
    grid->addWidget(endDate_, 3, 1);
    grid->addWidget(endTime_, 3, 2);

    duration_ = new QComboBox(group);
    duration_->setObjectName(QStringLiteral("duration"));
    for (int entry = 0; entry < RD::kEntryCount; ++entry)
        duration_->addItem(RD::EntryText(entry));
    durationNote_ = new QLabel(group);
    durationNote_->setObjectName(QStringLiteral("durationNote"));
    grid->addWidget(BuddyLabel(ResourceString(TextId::kDurationLabel), duration_, group), 4, 0);
    grid->addWidget(duration_, 4, 1);
    grid->addWidget(durationNote_, 4, 2);

    reset_ = new QPushButton(ResourceString(TextId::kResetDateTime), group);
    reset_->setObjectName(QStringLiteral("resetDates"));
    grid->addWidget(reset_, 5, 1, 1, 2);

    connect(now_, &QRadioButton::toggled, this, [this](bool on) {
        if (on && model_.SetRecordMode(RecordModeType::Now))
            Refresh();
    });
    connect(schedule_, &QRadioButton::toggled, this, [this](bool on) {
        if (on && model_.SetRecordMode(RecordModeType::Schedule))
            Refresh();
    });
    for (QDateEdit* picker : {startDate_, endDate_})
        connect(picker, &QDateEdit::dateChanged, this, &CConfigDlg::DatesEdited);
    for (QTimeEdit* picker : {startTime_, endTime_})
        connect(picker, &QTimeEdit::timeChanged, this, &CConfigDlg::DatesEdited);
    connect(duration_, &QComboBox::activated, this, &CConfigDlg::DurationChosen);
    connect(reset_, &QPushButton::clicked, this, [this] {
        model_.ResetDates();
        ShowDates();
        Refresh();
    });
    return group;
}

QWidget* CConfigDlg::MakeMemoryGroup() {
    auto* group = new QGroupBox(ResourceString(TextId::kMemoryGroup), this);
    auto* grid = new QGridLayout(group);
    needed_ = new QLabel(group);
    needed_->setObjectName(QStringLiteral("memoryNeeded"));
    sign_ = new QLabel(group);
    sign_->setObjectName(QStringLiteral("memorySign"));
    sign_->setAlignment(Qt::AlignCenter);
    QFont bold = sign_->font();
    bold.setBold(true);
    sign_->setFont(bold);
    auto* total = new QLabel(model_.TotalText(), group);
    total->setObjectName(QStringLiteral("memoryTotal"));
    grid->addWidget(needed_, 0, 0, Qt::AlignRight);
    grid->addWidget(sign_, 0, 1);
    grid->addWidget(total, 0, 2);
    grid->addWidget(new QLabel(ResourceString(TextId::kMemoryRequired), group), 1, 0,
                    Qt::AlignRight);
    grid->addWidget(new QLabel(ResourceString(TextId::kTotal), group), 1, 2);
    grid->setColumnMinimumWidth(1, 24);

    memoryNote_ = new QLabel(ConfigurationModel::MemoryNoteText(), group);
    memoryNote_->setObjectName(QStringLiteral("memoryNote"));
    memoryNote_->setWordWrap(true);
    memoryNote_->setStyleSheet(QStringLiteral("color: #c62828;"));
    grid->addWidget(memoryNote_, 2, 0, 1, 3);

    erase_ = new QPushButton(ResourceString(TextId::kEraseMemoryButton), group);
    erase_->setObjectName(QStringLiteral("eraseMemory"));
    grid->addWidget(erase_, 3, 0, 1, 3, Qt::AlignLeft);
    connect(erase_, &QPushButton::clicked, this, &CConfigDlg::EraseClicked);
    return group;
}

QWidget* CConfigDlg::MakeClockGroup() {
    auto* group = new QGroupBox(ResourceString(TextId::kClockStateGroup), this);
    auto* row = new QVBoxLayout(group);
    clockText_ = new QLabel(group);
    clockText_->setObjectName(QStringLiteral("clockText"));
    clockText_->setWordWrap(true);
    setClockButton_ = new QPushButton(ResourceString(TextId::kSetClockButton), group);
    setClockButton_->setObjectName(QStringLiteral("setClock"));
    row->addWidget(clockText_);
    row->addWidget(setClockButton_, 0, Qt::AlignLeft);
    connect(setClockButton_, &QPushButton::clicked, this, &CConfigDlg::SetClockClicked);
    return group;
}

QWidget* CConfigDlg::MakeScaleGroup() {
    const ConfigGroups groups = model_.Groups();
    auto* group = new QGroupBox(ResourceString(TextId::kScaleGroup), this);
    group->setObjectName(QStringLiteral("scaleGroup"));
    auto* grid = new QGridLayout(group);
    const auto addRow = [&](int row, const QString& label, const QString& input, double value,
                            const QString& name) {
        auto* inputText = new QLabel(input, group);
        inputText->setObjectName(name + QStringLiteral("Input"));
        auto* edit = new QLineEdit(ScaleText(value), group);
        edit->setObjectName(name);
        grid->addWidget(BuddyLabel(label, edit, group), row, 0);
        grid->addWidget(inputText, row, 1);
        grid->addWidget(new QLabel(QStringLiteral("="), group), row, 2);
        grid->addWidget(edit, row, 3);
        return edit;
    };
    low_ = addRow(0, ResourceString(TextId::kScaleLowLabel), model_.InputLowText(),
                  model_.ScaledLow(), QStringLiteral("scaledLow"));
    high_ = addRow(1, ResourceString(TextId::kScaleHighLabel), model_.InputHighText(),
                   model_.ScaledHigh(), QStringLiteral("scaledHigh"));
    units_ = new QLineEdit(model_.Units().left(ConfigurationModel::kUnitsLimit), group);
    units_->setObjectName(QStringLiteral("units"));
    units_->setMaxLength(ConfigurationModel::kUnitsLimit);
    grid->addWidget(BuddyLabel(ResourceString(TextId::kUnitsLabel), units_, group), 2, 0);
    grid->addWidget(units_, 2, 3);
    if (groups.pulseLabel) {
        auto* pulse = new QLabel(ConfigurationModel::PulseScaleLabel(), group);
        pulse->setObjectName(QStringLiteral("pulseLabel"));
        grid->addWidget(pulse, 3, 0, 1, 4);
    }
    group->setHidden(!groups.scale);
    return group;
}

QWidget* CConfigDlg::MakeThermocoupleGroup() {
    auto* group = new QGroupBox(ResourceString(TextId::kTcType), this);
    group->setObjectName(QStringLiteral("tcGroup"));
    auto* column = new QVBoxLayout(group);
    auto* letters = new QHBoxLayout;
    tcButtons_ = AddThermocoupleButtons(*group, *letters, model_.TcButton());
    cjc_ = new QCheckBox(ResourceString(TextId::kEnableCjc), group);
    cjc_->setObjectName(QStringLiteral("cjc"));
    cjc_->setChecked(model_.ColdJunction());
    column->addLayout(letters);
    column->addWidget(cjc_);
    group->setHidden(!model_.Groups().thermocouple);
    return group;
}

QWidget* CConfigDlg::MakeFilterGroup() {
    QGroupBox* group = ::MakeFilterGroup(*this, model_.FilterIndex(), filter_);
    group->setHidden(!model_.Groups().filter);
    return group;
}

void CConfigDlg::ShowDates() {
    // Setting the pickers must not read them back half-updated.
    showingDates_ = true;
    startDate_->setDate(PickerDate(model_.Start()));
    startTime_->setTime(PickerTime(model_.Start()));
    endDate_->setDate(PickerDate(model_.End()));
    endTime_->setTime(PickerTime(model_.End()));
    showingDates_ = false;
}

void CConfigDlg::DatesEdited() {
    if (showingDates_)
        return;
    model_.SetStart(CalendarMoment(startDate_->date(), startTime_->time()));
    model_.SetEnd(CalendarMoment(endDate_->date(), endTime_->time()));
    Refresh();
}

void CConfigDlg::DurationChosen(int entry) {
    model_.SelectDuration(entry);
    ShowDates();
    Refresh();
}

void CConfigDlg::EraseClicked() {
    if (model_.StartErase(ui_))
        Refresh();
}

void CConfigDlg::SetClockClicked() {
    if (!model_.SetClockEnabled() || !setClock_ || clockSetter_)
        return;
    clockSetter_ = setClock_();
    if (!clockSetter_)
        return;
    setClockButton_->setEnabled(false);
    clockTimer_.start(kClockTickMs);
    ClockTick();
}

void CConfigDlg::ClockTick() {
    clockSetter_->Tick();
    if (clockSetter_->Pending())
        return;
    clockTimer_.stop();
    const ClockSetResult result = clockSetter_->Result();
    clockSetter_.reset();
    if (result.set) {
        model_.ClockWasSet(result.time);
        ShowDates();
    }
    Refresh();
    if (!result.problem.isEmpty())
        ui_.ShowMessage(result.problem, MessageIconType::Error);
}

void CConfigDlg::Refresh() {
    const bool radios = model_.RadiosEnabled();
    now_->setEnabled(radios);
    schedule_->setEnabled(radios);
    const bool dates = model_.DatesEditable();
    for (QWidget* picker :
         std::initializer_list<QWidget*>{startDate_, startTime_, endDate_, endTime_})
        picker->setEnabled(dates);
    duration_->setEnabled(model_.DurationListEnabled());
    duration_->setCurrentIndex(model_.DurationEntry());
    reset_->setEnabled(model_.ResetEnabled());
    durationNote_->setText(model_.DurationNote());

    needed_->setText(model_.MemoryNeededText());
    sign_->setText(model_.MemorySignText());
    memoryNote_->setVisible(model_.MemoryNoteShown());
    erase_->setVisible(model_.EraseShown());
    erase_->setEnabled(model_.EraseEnabled());
    ok_->setEnabled(model_.OkEnabled());

    clockText_->setText(model_.ClockText());
    setClockButton_->setEnabled(model_.SetClockEnabled() && !clockSetter_);
}

void CConfigDlg::Tick() {
    if (model_.EraseWatchRunning())
        model_.EraseWatchTick();
    Refresh();
}

void CConfigDlg::WriteBack() {
    model_.SetScaledLowText(low_->text());
    model_.SetScaledHighText(high_->text());
    model_.SetUnits(units_->text());
    model_.SetTcButton(tcButtons_->checkedId());
    model_.SetColdJunction(cjc_->isChecked());
    model_.SetRisingEdge(rising_->isChecked());
    model_.SetFilterIndex(filter_->currentIndex());
}

void CConfigDlg::accept() {
    WriteBack();
    // The window has closed by the time the settings are written: a problem is told then.
    const ConfigAcceptResult result = model_.Accept([&ui = ui_](const QString& problem) {
        if (!problem.isEmpty())
            QTimer::singleShot(0, qApp,
                               [&ui, problem] { ui.ShowMessage(problem, MessageIconType::Error); });
    });
    if (result.sent) {
        timer_.stop();
        QDialog::accept();
        return;
    }
    // A schedule that started too early was moved to its minimum: show what will be sent.
    ShowDates();
    Refresh();
    if (!result.message.isEmpty())
        ShowDialogProblem(*this, nullptr, result.message);
}
