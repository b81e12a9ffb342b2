#pragma once

#include "core/instrument/InstrumentClock.h"

#include <QDialog>

class QDateEdit;
class QTimeEdit;

// "Date/heure": the time to give the logger, or "Synchroniser avec l’horloge du PC".
class CDateTimeDlg final : public QDialog {
    Q_OBJECT
public:
    CDateTimeDlg(DateTimeDlgModel& model, QWidget* parent = nullptr);
    // How the window ended; the model holds the chosen date and time.
    static DateTimeDlgEndType Run(DateTimeDlgModel& model, QWidget* parent);

    DateTimeDlgEndType End() const { return end_; }

private:
    void ReadPickers();
    void ShowProblem(const QString& text);

    DateTimeDlgModel& model_;
    QDateEdit* date_;
    QTimeEdit* time_;
    DateTimeDlgEndType end_ = DateTimeDlgEndType::Cancel;
};
