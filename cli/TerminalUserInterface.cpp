#include "cli/TerminalUserInterface.h"

#include "cli/ConsoleOutput.h"
#include "core/common/StringTable.h"

#include <QByteArray>
#include <QString>
#include <cerrno>
#include <optional>
#include <poll.h>
#include <unistd.h>

namespace {

constexpr int kWaitTurnMs = 10;

std::optional<AnswerType> ParseAnswer(const QByteArray& line) {
    const QByteArray word = line.trimmed().toLower();
    if (word == "o" || word == "oui" || word == "y" || word == "yes")
        return AnswerType::Yes;
    if (word == "n" || word == "non" || word == "no")
        return AnswerType::No;
    return std::nullopt;
}

} // namespace

TerminalUserInterface::TerminalUserInterface(AnswerSourceType source, int in, std::FILE* out)
    : source_(source), in_(in), out_(out), outIsTerminal_(::isatty(fileno(out)) == 1) {}

void TerminalUserInterface::Print(const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), out_);
    std::fflush(out_);
}

void TerminalUserInterface::ShowProgress(const QString& text) {
    if (!outIsTerminal_)
        return;
    // "\r" and clearing to the end of the line rewrite the one line in place.
    Print(u'\r' + text + QStringLiteral("\x1b[K"));
    progressShown_ = true;
}

void TerminalUserInterface::EndProgress() {
    if (progressShown_)
        Print(QStringLiteral("\n"));
    progressShown_ = false;
}

void TerminalUserInterface::ShowMessage(const QString& text, MessageIconType) {
    EndProgress();
    // A message may quote what a file or a logger holds.
    Print(PrintableText(text, true) + u'\n');
}

bool TerminalUserInterface::ReadLine(QByteArray& line) {
    line.clear();
    for (;;) {
        pollfd fd = {in_, POLLIN, 0};
        const int ready = ::poll(&fd, 1, kWaitTurnMs);
        if (ready < 0 && errno != EINTR)
            return false;
        if (ready <= 0) {
            if (whileWaiting_ && !whileWaiting_())
                return false;
            continue;
        }
        // One byte at a time, so that nothing after the answer's line is taken.
        char c = 0;
        const ssize_t n = ::read(in_, &c, 1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return !line.isEmpty();
        if (c == '\n')
            return true;
        line.append(c);
    }
}

AnswerType TerminalUserInterface::Ask(const QString& text) {
    EndProgress();
    switch (source_) {
    case AnswerSourceType::AssumeYes:
        Print(text + ResourceString(TextId::kCliAssumedYes) + u'\n');
        return AnswerType::Yes;
    case AnswerSourceType::None:
        unanswered_ = text;
        return AnswerType::Cancel;
    case AnswerSourceType::Terminal:
        break;
    }
    Print(text + ResourceString(TextId::kCliAnswerPrompt));
    QByteArray line;
    for (;;) {
        if (!ReadLine(line)) {
            Print(QStringLiteral("\n"));
            return AnswerType::Cancel;
        }
        if (const std::optional<AnswerType> answer = ParseAnswer(line))
            return *answer;
        Print(ResourceString(TextId::kCliAnswerAgain));
    }
}

AnswerType TerminalUserInterface::AskYesNoCancel(const QString& text) {
    return Ask(text);
}

bool TerminalUserInterface::AskOkCancel(const QString& text) {
    return Ask(text) == AnswerType::Yes;
}

QString TerminalUserInterface::AskSavePath(const SavePathRequest&) {
    return QString();
}

FileExistsChoiceType TerminalUserInterface::AskFileExists(const QString& text) {
    ShowMessage(text, MessageIconType::Warning);
    return FileExistsChoiceType::Cancel;
}

JobEndType TerminalUserInterface::RunModalJob(StepJob& job, const QString& title) {
    for (;;) {
        const StepProgress p = job.Step();
        ShowProgress(QStringLiteral("%1 %2 %").arg(title).arg(p.percent));
        if (p.state != JobStateType::Running) {
            EndProgress();
            return p.state == JobStateType::Done ? JobEndType::Done : JobEndType::Failed;
        }
    }
}
