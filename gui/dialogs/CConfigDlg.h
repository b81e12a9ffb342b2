#pragma once

#include "core/instrument/ConfigurationModel.h"
#include "core/instrument/InstrumentClock.h"
#include "gui/dialogs/DialogButtons.h"

#include <QDialog>
#include <QTimer>
#include <functional>
#include <memory>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTimeEdit;
class UserInterface;

// Runs the set-clock window and hands back the setting it started; null when cancelled.
using ClockSetRunner = std::function<std::unique_ptr<InstrumentClockSetter>()>;

// "Configurer l’instrument": controls bound to a ConfigurationModel. The model follows the
// document's latest status, so the window looks at it again every quarter second; OK sends
// the settings or stays open with the model's message.
class CConfigDlg final : public QDialog {
    Q_OBJECT
public:
    CConfigDlg(ConfigurationModel& model, UserInterface& ui, ClockSetRunner setClock,
               const HelpOpener& openHelp, QWidget* parent = nullptr);

    // Modal; true when the settings were sent.
    static bool Run(ConfigurationModel& model, UserInterface& ui, ClockSetRunner setClock,
                    const HelpOpener& openHelp, QWidget* parent);

    void accept() override;

private:
    QWidget* MakeRecordingGroup();
    QWidget* MakeMemoryGroup();
    QWidget* MakeClockGroup();
    QWidget* MakeScaleGroup();
    QWidget* MakeThermocoupleGroup();
    QWidget* MakeFilterGroup();

    void ShowDates();
    void DatesEdited();
    void DurationChosen(int entry);
    void EraseClicked();
    void SetClockClicked();
    void WriteBack();
    // Enabling, memory comparison and texts from the model.
    void Refresh();
    void Tick();
    // While a clock setting is under way: its next whole second, then its command.
    void ClockTick();

    ConfigurationModel& model_;
    UserInterface& ui_;
    ClockSetRunner setClock_;
    std::unique_ptr<InstrumentClockSetter> clockSetter_;
    QTimer clockTimer_;
    QTimer timer_;
    bool showingDates_ = false;

    QRadioButton* now_ = nullptr;
    QRadioButton* schedule_ = nullptr;
    QDateEdit* startDate_ = nullptr;
    QTimeEdit* startTime_ = nullptr;
    QDateEdit* endDate_ = nullptr;
    QTimeEdit* endTime_ = nullptr;
    QComboBox* duration_ = nullptr;
    QLabel* durationNote_ = nullptr;
    QPushButton* reset_ = nullptr;
    QLabel* needed_ = nullptr;
    QLabel* sign_ = nullptr;
    QLabel* memoryNote_ = nullptr;
    QPushButton* erase_ = nullptr;
    QLabel* clockText_ = nullptr;
    QPushButton* setClockButton_ = nullptr;
    QLineEdit* low_ = nullptr;
    QLineEdit* high_ = nullptr;
    QLineEdit* units_ = nullptr;
    QButtonGroup* tcButtons_ = nullptr;
    QCheckBox* cjc_ = nullptr;
    QCheckBox* rising_ = nullptr;
    QComboBox* filter_ = nullptr;
    QPushButton* ok_ = nullptr;
};
