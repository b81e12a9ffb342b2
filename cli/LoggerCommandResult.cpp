#include "cli/LoggerCommandResult.h"

#include "cli/InstrumentConnection.h"
#include "cli/TerminalUserInterface.h"
#include "core/common/StringTable.h"

QString NoAnswerText(const InstrumentConnection& link, int seconds) {
    if (link.ClockStoodStill())
        return ResourceString(TextId::kCliClockStandsStill);
    return FormatResource(TextId::kCliNoAnswer, {QString::number(seconds)});
}

QString BlockerText(CommandBlockerType blocker) {
    switch (blocker) {
    case CommandBlockerType::None:
        return QString();
    case CommandBlockerType::NotConnected:
        return ResourceString(TextId::kCliNotConnected);
    case CommandBlockerType::Recording:
        return ResourceString(TextId::kCliStopRecordingFirst);
    case CommandBlockerType::Erasing:
        return ResourceString(TextId::kCliInstrumentErasing);
    case CommandBlockerType::MemoryInUse:
        return ResourceString(TextId::kCliEraseFirst);
    case CommandBlockerType::MemoryEmpty:
        return ResourceString(TextId::kCliMemoryEmpty);
    }
    return QString();
}

int RefuseBlocked(CommandBlockerType blocker) {
    return blocker == CommandBlockerType::None ? CliExit::kDone
                                               : Refuse(CliExit::kNotNow, BlockerText(blocker));
}

int ReportResult(CommandResultType result, const LoggerCommandContext& context, const QString& sent,
                 CommandBlockerType blockerNow) {
    switch (result) {
    case CommandResultType::Sent:
        PrintLine(sent);
        return CliExit::kDone;
    case CommandResultType::Declined:
        if (const QString& question = context.ui.UnansweredQuestion(); !question.isEmpty())
            return Refuse(CliExit::kNotNow,
                          FormatResource(TextId::kCliQuestionUnanswered, {question}));
        return Refuse(CliExit::kDeclined, ResourceString(TextId::kCliNothingSent));
    case CommandResultType::Refused:
        return Refuse(CliExit::kNotNow, BlockerText(blockerNow));
    case CommandResultType::Gone:
        return Refuse(CliExit::kNotNow, ResourceString(TextId::kLoggerGone));
    case CommandResultType::WriteFailed:
        return Refuse(CliExit::kRefused, ResourceString(TextId::kCannotWriteCommand));
    }
    return CliExit::kRefused;
}
