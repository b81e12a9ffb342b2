#pragma once

#include "core/app/OptionsModel.h"
#include "gui/dialogs/DialogButtons.h"

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QVBoxLayout;
class QLineEdit;

// "Options": the check boxes, the temperature unit and ΔH/R, bound to an OptionsModel;
// OK writes them back, or says what is wrong and stays open.
class CToolsOptions final : public QDialog {
    Q_OBJECT
public:
    CToolsOptions(OptionsModel& model, const HelpOpener& openHelp, QWidget* parent = nullptr);

    // Modal; true on OK, the model then holding the chosen values.
    static bool Run(OptionsModel& model, QWidget* parent, HelpOpener openHelp);

    void accept() override;

private:
    QCheckBox* AddCheckBox(const QString& text, const QString& name, bool checked);
    // "Langue de l’interface", with a note that it applies from the next start.
    void AddLanguageRow(QVBoxLayout& layout);

    OptionsModel& model_;
    QCheckBox* checkFirmware_;
    QCheckBox* checkSoftware_;
    QCheckBox* dashedOverload_;
    QButtonGroup* units_;
    QCheckBox* saveRawDump_;
    QLineEdit* mktActivation_;
    QComboBox* language_;
};
