#include "cli/ExportCommand.h"

#include "cli/CommandLine.h"
#include "cli/ConsoleOutput.h"
#include "cli/ExitStatus.h"
#include "cli/InterruptWatch.h"
#include "cli/SessionInput.h"
#include "core/app/AppFolders.h"
#include "core/common/StringTable.h"
#include "core/export/CXLSData.h"
#include "core/export/CsvExport.h"
#include "core/export/SessionExport.h"
#include "core/export/SessionExportCommand.h"
#include "core/session/CRecSession.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QString>
#include <cstdio>
#include <optional>
#include <unistd.h>

namespace {

constexpr const char* kUsage =
    "usage : vexlo-cli export FICHIER.vx [CLASSEUR.xlsx|VALEURS.csv] [--force]\n"
    "  Écrit la session dans une feuille de calcul : une feuille Configuration et une feuille\n"
    "  de valeurs (ou d’événements). Sans CLASSEUR.xlsx, le nom de la session dans le dossier\n"
    "  des données du programme. Un classeur qui existe n’est remplacé qu’avec --force.\n"
    "  Le chemin écrit s’affiche sur la sortie standard. Un fichier .csv reçoit les colonnes\n"
    "  de la feuille de valeurs et l’horodatage ISO 8601, séparées comme le tableur de la\n"
    "  langue les attend.\n";

struct ExportArguments {
    QString session;
    QString out;
    bool force = false;
};

// Returns an exit status when the arguments are not usable or only help was asked for.
std::optional<int> Parse(int argc, char** argv, ExportArguments& args) {
    CommandLine line{"vexlo-cli export", kUsage, {}, {}};
    line.options.push_back(FlagOption("--force", args.force));
    line.other = [&args](std::string_view word) -> UsageProblem {
        QString& next = args.session.isEmpty() ? args.session : args.out;
        if (!next.isEmpty())
            return "trop d’arguments";
        next = QString::fromLocal8Bit(word.data(), static_cast<qsizetype>(word.size()));
        return std::nullopt;
    };
    if (const std::optional<int> status = line.Parse(argc, argv, 2))
        return status;
    if (args.session.isEmpty())
        return line.UsageError("fichier de session manquant");
    return std::nullopt;
}

// As the desktop proposes it; a name with nothing safe left takes the session file's.
QString DefaultOutput(const CRecSession& session, const QString& sessionPath) {
    QString name = DefaultExportFileName(session.SessionName());
    if (name == QStringLiteral(".xlsx"))
        name = QFileInfo(sessionPath).completeBaseName() + name;
    const AppFolders folders(AppFolders::SystemDocumentsFolder());
    return folders.DataFolder() + u'/' + name;
}

// Whether the workbook may take `path`; an existing file is replaced only once the new one
// is whole.
Outcome MakeRoom(const QString& path, bool force) {
    if (!QFileInfo::exists(path))
        return Outcome::Success();
    if (!force)
        return Outcome::Failure(FormatResource(TextId::kFileExists, {path}) +
                                QStringLiteral(" --force le remplace."));
    QFile existing(path);
    if (!existing.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::ExistingOnly))
        return Outcome::Failure(FormatResource(TextId::kCannotWrite, {path}));
    return Outcome::Success();
}

// Steps the job to its end, with a progress line for a user watching the terminal. An
// interrupt stops it between two steps; dropping the job then removes the unfinished file.
StepProgress RunJob(StepJob& job, const InterruptWatch& interrupt) {
    const bool showProgress = isatty(STDERR_FILENO) == 1;
    int shown = -1;
    for (;;) {
        if (interrupt.Pending()) {
            if (showProgress)
                std::fputc('\n', stderr);
            return {JobStateType::Failed, shown};
        }
        const StepProgress p = job.Step();
        if (showProgress && p.percent != shown) {
            shown = p.percent;
            std::fprintf(stderr, "\r%s : %3d %%",
                         SessionExportCommand::ProgressTitle().toLocal8Bit().constData(), shown);
        }
        if (p.state != JobStateType::Running) {
            if (showProgress)
                std::fputc('\n', stderr);
            return p;
        }
    }
}

} // namespace

namespace ExportCommand {

int Run(int argc, char** argv) {
    // Before the compressor threads start, which inherit the held-back signals.
    const InterruptWatch interrupt;
    ExportArguments args;
    if (const auto status = Parse(argc, argv, args))
        return *status;

    UserSessionFile file;
    if (const Outcome read = file.Read(args.session); !read)
        return Refuse(CliExit::kRefused, read.message);
    CRecSession& session = file.session;

    const QString out = QDir::cleanPath(
        QFileInfo(args.out.isEmpty() ? DefaultOutput(session, args.session) : args.out)
            .absoluteFilePath());
    if (const Outcome room = MakeRoom(out, args.force); !room)
        return Refuse(CliExit::kRefused, room.message);
    if (out.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive)) {
        CsvExportJob csv(session, out, CsvFormat::Of(QLocale()));
        if (!csv.Open())
            return Refuse(CliExit::kRefused, csv.FailureMessage());
        if (RunJob(csv, interrupt).state != JobStateType::Done)
            return csv.FailureMessage().isEmpty() ? CliExit::kInterrupted
                                                  : Refuse(CliExit::kRefused, csv.FailureMessage());
        std::printf("%s\n", out.toLocal8Bit().constData());
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    CXLSData workbook;
    if (const Outcome opened = workbook.Open(out); !opened)
        return Refuse(CliExit::kRefused, opened.message);
    SessionExportJob job(session, workbook);
    if (RunJob(job, interrupt).state != JobStateType::Done)
        return job.FailureMessage().isEmpty() ? CliExit::kInterrupted
                                              : Refuse(CliExit::kRefused, job.FailureMessage());
    std::printf("%s\n", out.toLocal8Bit().constData());
    return std::fflush(stdout) == 0 ? 0 : 1;
}

} // namespace ExportCommand
