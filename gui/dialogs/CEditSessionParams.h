#pragma once

#include "core/session/SessionParamsEditModel.h"
#include "gui/dialogs/DialogButtons.h"

#include <QDialog>
#include <optional>
#include <utility>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QFormLayout;
class QGridLayout;
class QLineEdit;
class QPlainTextEdit;
class QTimeEdit;

// "Paramètres de session": controls bound to a SessionParamsEditModel, shown for the kind of
// channel the model describes. OK writes them back and stays open on the first field the
// model refuses, with its message.
class CEditSessionParams final : public QDialog {
    Q_OBJECT
public:
    CEditSessionParams(SessionParamsEditModel& model, const HelpOpener& openHelp,
                       QWidget* parent = nullptr);

    // Modal; true on OK, the model then holding the accepted values.
    static bool Run(SessionParamsEditModel& model, QWidget* parent, HelpOpener openHelp);

    // The refusal shown at the last OK, if any.
    const std::optional<FieldProblem>& LastProblem() const { return lastProblem_; }

    void accept() override;

private:
    void AddTextRow(QFormLayout& form, const QString& label, SessionParamsFieldType field,
                    const QString& name);
    void AddScaleRow(QGridLayout& grid, int row, const QString& label, const QString& rangeText,
                     SessionParamsFieldType field, const QString& name);
    QWidget* MakeThermocoupleGroup();
    QWidget* MakeScaleGroup();
    QWidget* MakeFilterGroup();
    CalendarDateTime PickedStart() const;
    void WriteBack();
    void ShowProblem(const FieldProblem& problem);
    QWidget* EditOf(SessionParamsFieldType field) const;

    SessionParamsEditModel& model_;
    std::vector<std::pair<SessionParamsFieldType, QLineEdit*>> lineEdits_;
    QPlainTextEdit* comments_ = nullptr;
    QDateEdit* date_ = nullptr;
    QTimeEdit* time_ = nullptr;
    CalendarDateTime shownStart_;
    QButtonGroup* tcButtons_ = nullptr;
    QCheckBox* cjc_ = nullptr;
    QCheckBox* polarity_ = nullptr;
    QComboBox* filter_ = nullptr;
    std::optional<FieldProblem> lastProblem_;
};
