#pragma once

#include <QDialog>

// "À propos": the program's name and version.
class CAboutDlg final : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    // Modal, until OK.
    static void Run(QWidget* parent);

    // "Vexlo, version 1.1.0000"
    static QString VersionText();
};
