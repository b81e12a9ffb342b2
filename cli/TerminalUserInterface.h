#pragma once

#include "core/app/UserInterface.h"

#include <cstdio>
#include <functional>

// How a question of the core gets its answer on the command line.
enum class AnswerSourceType {
    Terminal,  // asked on the terminal, answered "o"/"oui"/"y"/"yes" or "n"/"non"/"no"
    AssumeYes, // --yes: every question is answered yes
    None,      // neither: the question cannot be answered and counts as declined
};

// The core's messages and questions on a terminal: messages on `out`, answers read from the
// descriptor `in`. While waiting for an answer it keeps calling `whileWaiting`, as the
// desktop's timers keep running under a message box; when that returns false the question is
// given up (cancelled).
class TerminalUserInterface final : public UserInterface {
public:
    TerminalUserInterface(AnswerSourceType source, int in, std::FILE* out);

    void SetWhileWaiting(std::function<bool()> whileWaiting) {
        whileWaiting_ = std::move(whileWaiting);
    }
    // The last question that nobody could answer; empty when there was none.
    const QString& UnansweredQuestion() const { return unanswered_; }
    // Progress text on the terminal, rewritten in place; nothing when `out` is no terminal.
    void ShowProgress(const QString& text);
    // Ends a line of progress text.
    void EndProgress();

    void ShowMessage(const QString& text, MessageIconType icon) override;
    AnswerType AskYesNoCancel(const QString& text) override;
    bool AskOkCancel(const QString& text) override;
    // No file dialog on a command line: the path comes from the options.
    QString AskSavePath(const SavePathRequest& request) override;
    FileExistsChoiceType AskFileExists(const QString& text) override;
    JobEndType RunModalJob(StepJob& job, const QString& title) override;

private:
    // Yes, No, or Cancel when the input ended or nobody can answer.
    AnswerType Ask(const QString& text);
    // One line of input without its end; false at the end of the input.
    bool ReadLine(QByteArray& line);
    void Print(const QString& text);

    AnswerSourceType source_;
    int in_;
    std::FILE* out_;
    bool outIsTerminal_;
    bool progressShown_ = false;
    QString unanswered_;
    std::function<bool()> whileWaiting_;
};
