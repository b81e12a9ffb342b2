#pragma once

#include <QString>
#include <QUrl>

// The folders the program keeps its files in, all under one documents folder.
// The folder getters create what they name when it is missing; a folder that cannot be
// created shows up later as a failure to write the file inside it.
class AppFolders {
public:
    // `documentsFolder` empty means the temp folder.
    explicit AppFolders(const QString& documentsFolder);

    // The user's documents folder, or the temp folder when the system names none.
    static QString SystemDocumentsFolder();

    // Always end with "/".
    QString DocumentsFolder() const { return documents_; }
    // documents + "Vexlo"
    QString ProgramFolder() const;
    // documents + "Vexlo/DataFiles": session files, downloads and exports.
    QString DataFolder() const;
    // The help pages the update check installs: one HTML file in the program folder.
    QString HelpFilePath() const;

private:
    QString documents_;
};

// The help page at the topic of `contextId` (one anchor per context id, "ctx-" and the id in
// lower-case hexadecimal: 0x40001 gives "#ctx-40001"); 0 opens the page at its start.
QUrl HelpPageUrl(const QString& helpFilePath, quint32 contextId);

// Help contexts of the right-hand views, the one when no view was chosen yet, and those of
// the dialogs' "Aide" buttons.
namespace HelpContext {
inline constexpr quint32 kRealtimeView = 0x40001;
inline constexpr quint32 kSessionTrend = 0x40002;
inline constexpr quint32 kOpenSessions = 0x40003;
inline constexpr quint32 kSessionTable = 0x40004;
inline constexpr quint32 kNone = 128;
inline constexpr quint32 kSessionParamsDialog = 0x20136;
inline constexpr quint32 kOptionsDialog = 0x20137;
inline constexpr quint32 kColoursDialog = 0x20143;
inline constexpr quint32 kConfigureDialog = 0x20082;
inline constexpr quint32 kReportOptionsDialog = 0x2014A;
inline constexpr quint32 kAlarmLimitsDialog = 0x20150;
} // namespace HelpContext
