#pragma once

#include <QString>

class CRecSession;
class CXLSData;
class UserInterface;

// The session's name made safe for a file name, with the workbook extension.
QString DefaultExportFileName(const QString& sessionName);

// "Exporter vers une feuille de calcul" as the user runs it: the file asked for (an existing
// one replaced only when the user says so), the export behind a progress window, then the
// offer to show the written file.
class SessionExportCommand {
public:
    // `dataFolder` is where the save dialog opens, when it exists.
    SessionExportCommand(UserInterface& ui, QString dataFolder);

    // True when the whole file was written.
    bool Run(const CRecSession& session) const;
    // Asks for a path until the workbook is open on one the user accepted; empty when the
    // user gives up.
    QString ChooseFile(const QString& sessionName, CXLSData& workbook) const;

    static QString ProgressTitle() { return QStringLiteral("Enregistrement du fichier en cours"); }

private:
    void OfferToShow(const QString& path) const;

    UserInterface& ui_;
    QString dataFolder_;
};
