#pragma once

#include "gui/dialogs/DialogButtons.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class ReportOptionsModel;

// "Options du rapport": what a printed session report holds, bound to its model.
class CReportOptions final : public QDialog {
    Q_OBJECT
public:
    CReportOptions(ReportOptionsModel& model, const HelpOpener& openHelp,
                   QWidget* parent = nullptr);
    static bool Run(ReportOptionsModel& model, QWidget* parent, HelpOpener openHelp = {});

private:
    void ShowModel();

    ReportOptionsModel& model_;
    QCheckBox* header_;
    QCheckBox* footer_;
    QCheckBox* comments_;
    QCheckBox* sampleTable_;
    QLabel* averagingLabel_;
    QComboBox* averaging_;
};
