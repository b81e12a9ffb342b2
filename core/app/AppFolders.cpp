#include "core/app/AppFolders.h"

#include "core/app/AppIdentity.h"

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

AppFolders::AppFolders(const QString& documentsFolder)
    : documents_(WithTrailingSlash(QDir::fromNativeSeparators(
          documentsFolder.isEmpty() ? QDir::tempPath() : documentsFolder))) {}

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

QString AppFolders::HelpFilePath() const {
    return ProgramFolder() + u'/' + AppIdentity::ApplicationName() + QStringLiteral(".html");
}

QUrl HelpPageUrl(const QString& helpFilePath, quint32 contextId) {
    QUrl url = QUrl::fromLocalFile(helpFilePath);
    if (contextId != 0)
        url.setFragment(QStringLiteral("ctx-") + QString::number(contextId, 16));
    return url;
}
