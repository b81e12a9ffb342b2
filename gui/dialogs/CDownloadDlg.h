#pragma once

#include <QDialog>
#include <QTimer>

class DownloadJob;
class QLabel;
class QProgressBar;

// The download window: the copy of the logger's recording, 10 ms at a time, with its
// progress bar and text line. "Annuler" or the close box end the job at once, so a logger
// that stops answering never holds the window.
class CDownloadDlg final : public QDialog {
    Q_OBJECT
public:
    CDownloadDlg(DownloadJob& job, QWidget* parent = nullptr);

    // Modal; true when the whole recording was copied.
    static bool Run(DownloadJob& job, QWidget* parent);

    QString Text() const;
    int Position() const;

    void reject() override;

private:
    void Tick();

    DownloadJob& job_;
    QProgressBar* bar_;
    QLabel* text_;
    QTimer timer_;
};
