#pragma once

#include "core/session/AlarmLimitsEditModel.h"
#include "gui/dialogs/DialogButtons.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;

// "Limites d’alarme" of one session, bound to an AlarmLimitsEditModel; OK applies the typed
// limits or says what is wrong and stays open.
class CAlarmLimitsDlg final : public QDialog {
    Q_OBJECT
public:
    CAlarmLimitsDlg(AlarmLimitsEditModel& model, const HelpOpener& openHelp,
                    QWidget* parent = nullptr);

    // Modal; true on OK, the model then holding the applied figures.
    static bool Run(AlarmLimitsEditModel& model, QWidget* parent, HelpOpener openHelp);

    void accept() override;

private:
    QLineEdit* AddLimitBox(const QString& text, const QString& name);

    AlarmLimitsEditModel& model_;
    // Made in the order they show, which Tab follows.
    QLineEdit* high_;
    QLineEdit* low_;
    QCheckBox* mkt_ = nullptr;
};
