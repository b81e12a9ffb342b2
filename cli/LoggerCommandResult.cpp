#include "cli/LoggerCommandResult.h"

#include "cli/InstrumentConnection.h"
#include "cli/TerminalUserInterface.h"
#include "core/common/StringTable.h"

QString NoAnswerText(const InstrumentConnection& link, int seconds) {
    if (link.ClockStoodStill())
        return QStringLiteral("un instrument Vexlo a été trouvé, mais son horloge n’avance pas ; "
                              "débranchez-le puis rebranchez-le.");
    return QStringLiteral("aucun instrument Vexlo n’a répondu en %1 secondes.").arg(seconds);
}

QString BlockerText(CommandBlockerType blocker) {
    switch (blocker) {
    case CommandBlockerType::None:
        return QString();
    case CommandBlockerType::NotConnected:
        return QStringLiteral("aucun instrument Vexlo n’est connecté.");
    case CommandBlockerType::Recording:
        return QStringLiteral("un enregistrement est en cours ; arrêtez-le d’abord "
                              "(vexlo-cli record stop).");
    case CommandBlockerType::Erasing:
        return QStringLiteral("l’instrument efface sa mémoire ; attendez la fin de l’effacement.");
    case CommandBlockerType::MemoryInUse:
        return QStringLiteral("la mémoire doit être effacée avant qu’un enregistrement puisse "
                              "démarrer (vexlo-cli erase).");
    case CommandBlockerType::MemoryEmpty:
        return QStringLiteral("la mémoire de l’instrument ne contient aucune donnée.");
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
                          QStringLiteral("« %1 » attend une réponse : lancez la commande depuis "
                                         "un terminal ou ajoutez --yes. Rien n’a été envoyé.")
                              .arg(question));
        return Refuse(CliExit::kDeclined, QStringLiteral("rien n’a été envoyé."));
    case CommandResultType::Refused:
        return Refuse(CliExit::kNotNow, BlockerText(blockerNow));
    case CommandResultType::Gone:
        return Refuse(CliExit::kNotNow, ResourceString(TextId::kLoggerGone));
    case CommandResultType::WriteFailed:
        return Refuse(CliExit::kRefused, ResourceString(TextId::kCannotWriteCommand));
    }
    return CliExit::kRefused;
}
