#pragma once

#include "core/app/UserInterface.h"

#include <QMessageBox>
#include <QPointer>
#include <QStringList>
#include <QWidget>

// "Fichiers Vexlo (*.vx)|*.vx||" as a Qt file dialog takes it: one "description (patterns)"
// per description|patterns pair.
QStringList QtFileFilters(const QString& pairedFilter);

// The core's questions as message boxes, file and progress dialogs over the main window.
class QtUserInterface final : public UserInterface {
public:
    explicit QtUserInterface(QWidget* parent = nullptr);

    // The window the dialogs are modal to; the document exists before it.
    void SetParent(QWidget* parent);

    void ShowMessage(const QString& text, MessageIconType icon) override;
    AnswerType AskYesNoCancel(const QString& text) override;
    bool AskOkCancel(const QString& text) override;
    QString AskSavePath(const SavePathRequest& request) override;
    FileExistsChoiceType AskFileExists(const QString& text) override;
    JobEndType RunModalJob(StepJob& job, const QString& title) override;
    bool AskYesNo(const QString& text) override;
    bool OpenExternally(const QString& path) override;

private:
    // The index in `buttons` of the one pressed; the last one also answers Escape and closing.
    int Ask(QMessageBox::Icon icon, const QString& text, const QStringList& buttons,
            int defaultIndex) const;

    QPointer<QWidget> parent_;
};
