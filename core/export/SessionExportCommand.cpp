#include "core/export/SessionExportCommand.h"

#include "core/app/UserInterface.h"
#include "core/common/FileNames.h"
#include "core/common/StringTable.h"
#include "core/export/CXLSData.h"
#include "core/export/CsvExport.h"
#include "core/export/SessionExport.h"
#include "core/session/CRecSession.h"

#include <QFile>
#include <QFileInfo>
#include <memory>
#include <utility>

namespace {

// Another program may hold the file; on this system that shows as a file that cannot be
// opened for writing.
bool CanOpenForWriting(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::ExistingOnly);
}

} // namespace

QString DefaultExportFileName(const QString& sessionName, ExportFormatType format) {
    QString name = sessionName;
    MakeSafeName(name);
    return name +
           (format == ExportFormatType::Csv ? QStringLiteral(".csv") : QStringLiteral(".xlsx"));
}

SessionExportCommand::SessionExportCommand(UserInterface& ui, QString dataFolder)
    : ui_(ui), dataFolder_(std::move(dataFolder)) {}

bool SessionExportCommand::Run(const CRecSession& session) const {
    CXLSData workbook;
    const QString path = ChooseFile(session.SessionName(), workbook);
    if (path.isEmpty())
        return false;
    bool written = false;
    {
        // Dropped unfinished, the job gives up what it wrote.
        SessionExportJob job(session, workbook);
        written = Write(job, [&job] { return job.FailureMessage(); });
    }
    if (written)
        OfferToShow(path);
    return written;
}

bool SessionExportCommand::RunCsv(const CRecSession& session, const QLocale& locale) const {
    std::unique_ptr<CsvExportJob> job;
    const QString path =
        ChooseFile(session.SessionName(), ExportFormatType::Csv, [&](const QString& chosen) {
            job = std::make_unique<CsvExportJob>(session, chosen, CsvFormat::Of(locale));
            return job->Open() ? Outcome::Success()
                               : Outcome::Failure(OutcomeType::CannotWrite, job->FailureMessage());
        });
    if (path.isEmpty())
        return false;
    const bool written = Write(*job, [&job] { return job->FailureMessage(); });
    job.reset();
    if (written)
        OfferToShow(path);
    return written;
}

bool SessionExportCommand::Write(StepJob& job, const std::function<QString()>& failure) const {
    const JobEndType end = ui_.RunModalJob(job, ProgressTitle());
    if (end == JobEndType::Failed)
        ui_.ShowMessage(failure(), MessageIconType::Error);
    return end == JobEndType::Done;
}

QString SessionExportCommand::ChooseFile(const QString& sessionName, CXLSData& workbook) const {
    return ChooseFile(sessionName, ExportFormatType::Workbook,
                      [&workbook](const QString& path) { return workbook.Open(path); });
}

QString SessionExportCommand::ChooseFile(const QString& sessionName, ExportFormatType format,
                                         const std::function<Outcome(const QString&)>& open) const {
    const bool csv = format == ExportFormatType::Csv;
    const bool haveFolder = !dataFolder_.isEmpty() && QFileInfo(dataFolder_).isDir();
    QString proposal = haveFolder ? dataFolder_ : QString();
    if (!proposal.isEmpty() && !proposal.endsWith(u'/'))
        proposal += u'/';
    const SavePathRequest request{
        proposal + DefaultExportFileName(sessionName, format), haveFolder ? dataFolder_ : QString(),
        csv ? ResourceString(TextId::kCsvFileFilter) : ResourceString(TextId::kXlsxFileFilter),
        csv ? QStringLiteral("csv") : QStringLiteral("xlsx")};
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
            // "Remplacer": the finished file takes the old one's place, so an export that is
            // cancelled or fails keeps it.
            if (choice == FileExistsChoiceType::SelectOther)
                continue;
        }
        if (const Outcome opened = open(path); !opened) {
            ui_.ShowMessage(opened.message, MessageIconType::Error);
            continue;
        }
        return path;
    }
}

void SessionExportCommand::OfferToShow(const QString& path) const {
    if (!ui_.AskYesNo(FormatResource(TextId::kShowSavedFile, {path})))
        return;
    if (!ui_.OpenExternally(path))
        ui_.OpenExternally(QFileInfo(path).absolutePath());
}
