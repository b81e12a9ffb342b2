#pragma once

#include "core/instrument/EraseProgressModel.h"

#include <QDialog>
#include <QTimer>

class InstrumentPort;
class QLabel;
class QProgressBar;
class UserInterface;

// "Effacement de la mémoire": modeless, opened and closed by the connection monitor while
// the logger erases; it follows the free memory every few milliseconds.
class CEraseMemDlg final : public QDialog {
    Q_OBJECT
public:
    CEraseMemDlg(qint64 totalMemory, const InstrumentPort& instrument, UserInterface& ui,
                 QWidget* parent = nullptr);

    QString Text() const;
    int Position() const;
    // The erase ended: the window goes without telling the user anything.
    void CloseFinished();

signals:
    // OK or the close box while the logger still erases.
    void DismissedByUser();

protected:
    void done(int result) override;

private:
    void Tick();

    EraseProgressModel model_;
    const InstrumentPort& instrument_;
    UserInterface& ui_;
    QProgressBar* bar_;
    QLabel* text_;
    QTimer timer_;
    bool closedByMonitor_ = false;
};
