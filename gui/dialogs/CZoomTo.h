#pragma once

#include "gui/dialogs/DialogButtons.h"

#include <QDialog>

class QDateEdit;
class QTimeEdit;
class ZoomToModel;

// "Sélectionner les DataPoints à afficher": the start and end of the view window typed as
// dates and times; the model keeps them inside the recording and on its sampling grid.
class CZoomTo final : public QDialog {
    Q_OBJECT
public:
    CZoomTo(ZoomToModel& model, const HelpOpener& openHelp, QWidget* parent = nullptr);
    static bool Run(ZoomToModel& model, QWidget* parent, HelpOpener openHelp = {});

    void accept() override;

private:
    void ShowModel();
    void ReadPickers();
    void RefreshRanges();

    ZoomToModel& model_;
    QDateEdit* startDate_;
    QTimeEdit* startTime_;
    QDateEdit* endDate_;
    QTimeEdit* endTime_;
    bool showing_ = false;
};
