#pragma once

#include "core/common/Outcome.h"
#include "core/common/StringTable.h"

#include <QLocale>
#include <QString>
#include <functional>

class CRecSession;
class CXLSData;
class StepJob;
class UserInterface;

enum class ExportFormatType { Workbook, Csv };

// The session's name made safe for a file name, with the format's extension.
QString DefaultExportFileName(const QString& sessionName,
                              ExportFormatType format = ExportFormatType::Workbook);

// "Exporter vers une feuille de calcul" and "Exporter en CSV" as the user runs them: the file
// asked for (an existing one replaced only when the user says so), the export behind a
// progress window, then the offer to show the written file.
class SessionExportCommand {
public:
    // `dataFolder` is where the save dialog opens, when it exists.
    SessionExportCommand(UserInterface& ui, QString dataFolder);

    // True when the whole file was written.
    bool Run(const CRecSession& session) const;
    // With the separator and decimal mark a spreadsheet program expects in `locale`.
    bool RunCsv(const CRecSession& session, const QLocale& locale) const;
    // Asks for a path until the workbook is open on one the user accepted; empty when the
    // user gives up.
    QString ChooseFile(const QString& sessionName, CXLSData& workbook) const;

    static QString ProgressTitle() { return ResourceString(TextId::kExportProgressTitle); }

private:
    // Asks for a path until `open` accepts one; empty when the user gives up.
    QString ChooseFile(const QString& sessionName, ExportFormatType format,
                       const std::function<Outcome(const QString&)>& open) const;
    // Runs the opened job behind the progress window; true when it wrote the whole file.
    bool Write(StepJob& job, const std::function<QString()>& failure) const;
    void OfferToShow(const QString& path) const;

    UserInterface& ui_;
    QString dataFolder_;
};
