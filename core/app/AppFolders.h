#pragma once

#include "core/common/InterfaceLanguage.h"

#include <QString>
#include <QUrl>

// Where the program keeps what is its own rather than the user's, never in the documents: the
// help pages the update server sends (kept) and a new program on its way in (cache).
struct OwnFolders {
    QString data;
    QString cache;
    // The desktop's per-user data and cache folders for this program.
    static OwnFolders OfSystem();
};

// The folders the program keeps its files in: the user's under one documents folder, its own
// apart. The folder getters create what they name when it is missing; a folder that cannot be
// created shows up later as a failure to write the file inside it.
class AppFolders {
public:
    // `documentsFolder` empty means the temp folder.
    explicit AppFolders(const QString& documentsFolder, OwnFolders own = OwnFolders::OfSystem());

    // The user's documents folder, or the temp folder when the system names none.
    static QString SystemDocumentsFolder();

    // Always end with "/".
    QString DocumentsFolder() const { return documents_; }
    // documents + "Vexlo"
    QString ProgramFolder() const;
    // documents + "Vexlo/DataFiles": session files, downloads and exports.
    QString DataFolder() const;
    // The help pages the update check downloads: one HTML file in the program's own folder,
    // which is made only when they come.
    QString DownloadedHelpPath() const;
    // Where a new program is downloaded before it replaces the running one.
    QString ProgramDownloadFolder() const;

private:
    QString documents_;
    OwnFolders own_;
};

// The help page installed with the programs, beside their folder `programFolder`, in a
// language, or in the interface's.
QString InstalledHelpPath(const QString& programFolder, InterfaceLanguageType language);
QString InstalledHelpPath(const QString& programFolder);

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
