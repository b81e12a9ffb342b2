#include "core/app/LeftoverExecutable.h"

#include <QFile>
#include <QFileInfo>

QString LeftoverExecutablePath(const QString& programPath) {
    return programPath + u'~';
}

LeftoverRemovalType RemoveLeftoverExecutable(const QString& programPath) {
    if (programPath.isEmpty())
        return LeftoverRemovalType::NothingLeft;
    const QString leftover = LeftoverExecutablePath(programPath);
    const QFileInfo info(leftover);
    // A symbolic link is removed itself, never what it points to.
    if (!info.exists() && !info.isSymLink())
        return LeftoverRemovalType::NothingLeft;
    if (info.isDir())
        return LeftoverRemovalType::Failed;
    return QFile::remove(leftover) ? LeftoverRemovalType::Removed : LeftoverRemovalType::Failed;
}
