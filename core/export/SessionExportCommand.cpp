#include "core/export/SessionExportCommand.h"

#include "core/app/UserInterface.h"
#include "core/common/FileNames.h"
#include "core/common/StringTable.h"
#include "core/export/CXLSData.h"
#include "core/export/SessionExport.h"
#include "core/session/CRecSession.h"

#include <QFile>
#include <QFileInfo>
#include <utility>

namespace {

// Another program may hold the file; on this system that shows as a file that cannot be
// opened for writing.
bool CanOpenForWriting(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::ExistingOnly);
}

} // namespace

QString DefaultExportFileName(const QString& sessionName) {
    QString name = sessionName;
    MakeSafeName(name);
    return name + QStringLiteral(".xlsx");
}

SessionExportCommand::SessionExportCommand(UserInterface& ui, QString dataFolder)
    : ui_(ui), dataFolder_(std::move(dataFolder)) {}

bool SessionExportCommand::Run(const CRecSession& session) const {
    CXLSData workbook;
    const QString path = ChooseFile(session.SessionName(), workbook);
    if (path.isEmpty())
        return false;
    JobEndType end = JobEndType::Cancelled;
    {
        // Dropped unfinished, the job gives up what it wrote.
        SessionExportJob job(session, workbook);
        end = ui_.RunModalJob(job, ProgressTitle());
        if (end == JobEndType::Failed)
            ui_.ShowMessage(job.FailureMessage(), MessageIconType::Error);
    }
    if (end != JobEndType::Done)
        return false;
    OfferToShow(path);
    return true;
}

QString SessionExportCommand::ChooseFile(const QString& sessionName, CXLSData& workbook) const {
    const bool haveFolder = !dataFolder_.isEmpty() && QFileInfo(dataFolder_).isDir();
    QString proposal = haveFolder ? dataFolder_ : QString();
    if (!proposal.isEmpty() && !proposal.endsWith(u'/'))
        proposal += u'/';
    const SavePathRequest request{
        proposal + DefaultExportFileName(sessionName), haveFolder ? dataFolder_ : QString(),
        QStringLiteral("Fichiers Microsoft Excel (*.xlsx)|*.xlsx||"), QStringLiteral("xlsx")};
    for (;;) {
        const QString path = ui_.AskSavePath(request);
        if (path.isEmpty())
            return {};
        if (QFileInfo::exists(path)) {
            if (!CanOpenForWriting(path)) {
                ui_.ShowMessage(FormatResource(TextId::kCannotWrite, {path}),
                                MessageIconType::Error);
                continue;
            }
            const FileExistsChoiceType choice =
                ui_.AskFileExists(FormatResource(TextId::kFileExists, {path}));
            if (choice == FileExistsChoiceType::Cancel)
                return {};
            // "Remplacer": the finished workbook takes the old file's place, so an export
            // that is cancelled or fails keeps it.
            if (choice == FileExistsChoiceType::SelectOther)
                continue;
        }
        if (const Outcome opened = workbook.Open(path); !opened) {
            ui_.ShowMessage(opened.message, MessageIconType::Error);
            continue;
        }
        return path;
    }
}

void SessionExportCommand::OfferToShow(const QString& path) const {
    if (!ui_.AskYesNo(QStringLiteral("Afficher le fichier enregistré? %1").arg(path)))
        return;
    if (!ui_.OpenExternally(path))
        ui_.OpenExternally(QFileInfo(path).absolutePath());
}
