#include "core/app/AppFolders.h"

#include "core/app/AppIdentity.h"
#include "core/app/BuildInfo.h"
#include "core/common/StringTable.h"

#include <QDir>
#include <QStandardPaths>

namespace {
QString WithTrailingSlash(QString folder) {
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder;
}

QString Created(const QString& folder) {
    QDir().mkpath(folder);
    return folder;
}
} // namespace

OwnFolders OwnFolders::OfSystem() {
    return {QStandardPaths::writableLocation(QStandardPaths::AppDataLocation),
            QStandardPaths::writableLocation(QStandardPaths::CacheLocation)};
}

AppFolders::AppFolders(const QString& documentsFolder, OwnFolders own)
    : documents_(WithTrailingSlash(QDir::fromNativeSeparators(
          documentsFolder.isEmpty() ? QDir::tempPath() : documentsFolder))),
      own_(std::move(own)) {}

QString AppFolders::SystemDocumentsFolder() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return documents.isEmpty() ? QDir::tempPath() : documents;
}

QString AppFolders::ProgramFolder() const {
    return Created(documents_ + AppIdentity::ApplicationName());
}

QString AppFolders::DataFolder() const {
    return Created(documents_ + AppIdentity::ApplicationName() + QStringLiteral("/DataFiles"));
}

QString AppFolders::DownloadedHelpPath() const {
    return own_.data + u'/' + AppIdentity::ApplicationName() + QStringLiteral(".html");
}

QString AppFolders::ProgramDownloadFolder() const {
    return Created(own_.cache);
}

QString InstalledHelpPath(const QString& programFolder, InterfaceLanguageType language) {
    const QString page = language == InterfaceLanguageType::English
                             ? QStringLiteral("/help/vexlo-en.html")
                             : QStringLiteral("/help/vexlo.html");
    return QDir::cleanPath(programFolder + u'/' + QLatin1String(BuildInfo::kDataFromPrograms) +
                           page);
}

QString InstalledHelpPath(const QString& programFolder) {
    return InstalledHelpPath(programFolder, CurrentInterfaceLanguage());
}

QUrl HelpPageUrl(const QString& helpFilePath, quint32 contextId) {
    QUrl url = QUrl::fromLocalFile(helpFilePath);
    if (contextId != 0)
        url.setFragment(QStringLiteral("ctx-") + QString::number(contextId, 16));
    return url;
}
