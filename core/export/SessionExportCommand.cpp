#include "export/SessionExportCommand.h"

#include "app/UserInterface.h"
#include "common/FileNames.h"
#include "common/StringTable.h"
#include "export/CXLSData.h"
#include "export/SessionExport.h"
#include "session/CRecSession.h"

#include <QFile>
#include <QFileInfo>
#include <utility>

namespace {

constexpr int kFileExists = 606;
constexpr int kCannotWrite = 1012;

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
    : m_ui(ui), m_dataFolder(std::move(dataFolder)) {}

bool SessionExportCommand::Run(const CRecSession& session) const {
    CXLSData workbook;
    const QString path = ChooseFile(session.SessionName(), workbook);
    if (path.isEmpty())
        return false;
    JobEndType end = JobEndType::Cancelled;
    {
        // Dropped unfinished, the job gives up what it wrote.
        SessionExportJob job(session, workbook);
        end = m_ui.RunModalJob(job, ProgressTitle());
        if (end == JobEndType::Failed)
            m_ui.ShowMessage(job.FailureMessage(), MessageIconType::Error);
    }
    if (end != JobEndType::Done)
        return false;
    OfferToShow(path);
    return true;
}

QString SessionExportCommand::ChooseFile(const QString& sessionName, CXLSData& workbook) const {
    const bool haveFolder = !m_dataFolder.isEmpty() && QFileInfo(m_dataFolder).isDir();
    QString proposal = haveFolder ? m_dataFolder : QString();
    if (!proposal.isEmpty() && !proposal.endsWith(u'/'))
        proposal += u'/';
    const SavePathRequest request{
        proposal + DefaultExportFileName(sessionName), haveFolder ? m_dataFolder : QString(),
        QStringLiteral("Fichiers Microsoft Excel (*.xlsx)|*.xlsx||"), QStringLiteral("xlsx")};
    for (;;) {
        const QString path = m_ui.AskSavePath(request);
        if (path.isEmpty())
            return {};
        if (QFileInfo::exists(path)) {
            if (!CanOpenForWriting(path)) {
                m_ui.ShowMessage(FormatResource(kCannotWrite, {path}), MessageIconType::Error);
                continue;
            }
            const FileExistsChoiceType choice =
                m_ui.AskFileExists(FormatResource(kFileExists, {path}));
            if (choice == FileExistsChoiceType::Cancel)
                return {};
            // "Remplacer": the finished workbook takes the old file's place, so an export
            // that is cancelled or fails keeps it.
            if (choice == FileExistsChoiceType::SelectOther)
                continue;
        }
        if (const Outcome opened = workbook.Open(path); !opened) {
            m_ui.ShowMessage(opened.message, MessageIconType::Error);
            continue;
        }
        return path;
    }
}

void SessionExportCommand::OfferToShow(const QString& path) const {
    if (!m_ui.AskYesNo(QStringLiteral("Afficher le fichier enregistré? %1").arg(path)))
        return;
    if (!m_ui.OpenExternally(path))
        m_ui.OpenExternally(QFileInfo(path).absolutePath());
}
