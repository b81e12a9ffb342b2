#pragma once

#include <QString>

enum class MessageIconType { Information, Warning, Error };
enum class AnswerType { Yes, No, Cancel };
enum class FileExistsChoiceType { Replace, SelectOther, Cancel };
enum class JobStateType { Running, Done, Failed };
enum class JobEndType { Done, Failed, Cancelled };

struct StepProgress {
    JobStateType state = JobStateType::Running;
    int percent = 0; // 0..100
};

// A long operation cut into bounded pieces; whoever runs it calls Step() until it is no
// longer Running. Dropping the job between two steps cancels it.
class StepJob {
public:
    virtual ~StepJob() = default;
    virtual StepProgress Step() = 0;
};

struct SavePathRequest {
    QString proposal;         // full path offered as the file name
    QString folder;           // where the dialog opens; empty when it does not exist
    QString filter;           // "Fichiers Vexlo (*.vx)|*.vx||"
    QString defaultExtension; // without the dot
};

// How the core asks the user. Texts arrive ready to show; the caption is the program's title.
class UserInterface {
public:
    virtual ~UserInterface() = default;
    virtual void ShowMessage(const QString& text, MessageIconType icon) = 0;
    virtual AnswerType AskYesNoCancel(const QString& text) = 0;
    // True for OK.
    virtual bool AskOkCancel(const QString& text) = 0;
    // The chosen path, or empty when the user gives up.
    virtual QString AskSavePath(const SavePathRequest& request) = 0;
    // "Remplacer", "Sélectionner un autre fichier" or "Annuler" under `text`.
    virtual FileExistsChoiceType AskFileExists(const QString& text) = 0;
    // Runs `job` modally behind a progress bar with an "Annuler" button.
    virtual JobEndType RunModalJob(StepJob& job, const QString& title) = 0;
    // "Oui" or "Non" only; where there is no such question, the three-button one stands in.
    virtual bool AskYesNo(const QString& text) { return AskYesNoCancel(text) == AnswerType::Yes; }
    // Opens a file or a folder with the desktop's program for it; false when nothing could.
    virtual bool OpenExternally(const QString&) { return false; }
};
