#pragma once

#include <QDialog>
#include <QTimer>

class FlashUpgradeJob;
class UserInterface;
class QLabel;
class QProgressBar;
class QPushButton;

// "Mise à niveau Flash": the programming of the logger, one step per 10 ms tick, with its text
// line and progress bar. "Annuler" or the close box ask before they stop it; the steps wait
// while the question is showing, and after a confirmed cancel go on until the logger has been
// taken out of flash mode. At the end OK closes the window.
class CFlashUpgradeDlg final : public QDialog {
    Q_OBJECT
public:
    CFlashUpgradeDlg(FlashUpgradeJob& job, UserInterface& ui, QWidget* parent = nullptr);

    // Modal; returns once the window has closed.
    static void Run(FlashUpgradeJob& job, UserInterface& ui, QWidget* parent);

    QString Text() const;
    int Position() const;
    bool OkEnabled() const;
    bool CancelEnabled() const;

    void reject() override;

private:
    void Tick();
    void ShowState();

    FlashUpgradeJob& job_;
    UserInterface& ui_;
    QLabel* text_;
    QProgressBar* bar_;
    QPushButton* ok_;
    QPushButton* cancel_;
    QTimer timer_;
    // Closes the window once the job has ended.
    bool closeWhenEnded_ = false;
};
