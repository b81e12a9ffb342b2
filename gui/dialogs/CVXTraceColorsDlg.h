#pragma once

#include "core/app/TraceColours.h"
#include "gui/dialogs/DialogButtons.h"

#include <QDialog>
#include <QVector>

class QMenu;
class QToolButton;
class QTreeWidget;

// "Couleurs d’affichage": one row per colour entry, its label and a swatch that opens the
// palette. Choices go to the model, which keeps them from its entries until Accept().
class CVXTraceColorsDlg final : public QDialog {
    Q_OBJECT
public:
    CVXTraceColorsDlg(TraceColorsDlgModel& model, const HelpOpener& openHelp,
                      QWidget* parent = nullptr);

    // Modal; true on OK.
    static bool Run(TraceColorsDlgModel& model, QWidget* parent, HelpOpener openHelp);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OpenPalette(int row);
    void ChooseOtherColour();
    void RefreshSwatches();
    void SizeColumns();

    TraceColorsDlgModel& model_;
    QTreeWidget* list_;
    QVector<QToolButton*> swatches_;
    QMenu* paletteMenu_;
    int paletteRow_ = 0;
};
