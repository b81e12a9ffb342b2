#include "platform/XdgFileAssociation.h"

#include "core/app/AppIdentity.h"
#include "platform/XdgTemplates.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>

namespace {
constexpr int kToolTimeoutMs = 30000;

// Characters that oblige a desktop entry argument to be quoted.
bool NeedsQuoting(const QString& s) {
    static constexpr char16_t kReserved[] = u" \t\n\"'\\><~|&;$*?#()`";
    for (const QChar c : s) {
        if (QStringView(kReserved).contains(c))
            return true;
    }
    return s.isEmpty();
}

QString Canonical(const QString& path) {
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}

bool WriteFile(const QString& path, const QByteArray& content) {
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(content) != content.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

// True when the tool exists and succeeded.
bool RunIfPresent(const QString& program, const QStringList& arguments) {
    const QString found = QStandardPaths::findExecutable(program);
    if (found.isEmpty())
        return false;
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(found, arguments);
    if (!process.waitForFinished(kToolTimeoutMs)) {
        process.kill();
        process.waitForFinished();
        return false;
    }
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

bool MakeDefault() {
    return RunIfPresent(QStringLiteral("xdg-mime"),
                        {QStringLiteral("default"), XdgFileAssociation::DesktopFileName(),
                         XdgFileAssociation::MimeType()});
}

// Files of the versions that named them after the program rather than its id; left beside the
// new ones they would show the program twice in the menus.
void RemoveOlderNames(const QString& dataHome) {
    QFile::remove(dataHome + QStringLiteral("/applications/vexlo.desktop"));
    QFile::remove(dataHome + QStringLiteral("/mime/packages/vexlo-session.xml"));
}

// The Exec value of the [Desktop Entry] group, with the string escapes undone.
QString ExecValueOf(const QByteArray& desktopFile) {
    bool inEntry = false;
    for (const QByteArray& raw : desktopFile.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.startsWith('[')) {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        if (!inEntry || !line.startsWith("Exec"))
            continue;
        const qsizetype eq = line.indexOf('=');
        if (eq < 0 || line.left(eq).trimmed() != "Exec")
            continue;
        const QString value = QString::fromUtf8(line.mid(eq + 1)).trimmed();
        QString unescaped;
        for (qsizetype i = 0; i < value.size(); ++i) {
            if (value[i] != u'\\' || i + 1 == value.size()) {
                unescaped += value[i];
                continue;
            }
            const QChar next = value[++i];
            if (next == u's')
                unescaped += u' ';
            else if (next == u'n')
                unescaped += u'\n';
            else if (next == u't')
                unescaped += u'\t';
            else if (next == u'r')
                unescaped += u'\r';
            else if (next == u'\\')
                unescaped += u'\\';
            else // not a string escape: left for the argument quoting
                unescaped += QString(u'\\') + next;
        }
        return unescaped;
    }
    return {};
}
} // namespace

QString ExecProgramField(const QString& program) {
    QString field = program;
    field.replace(u'%', QStringLiteral("%%"));
    if (NeedsQuoting(program)) {
        QString quoted = QStringLiteral("\"");
        for (const QChar c : field) {
            if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
                quoted += u'\\';
            quoted += c;
        }
        field = quoted + u'"';
    }
    // The value is also a desktop entry string, whose own escape is the backslash.
    field.replace(u'\\', QStringLiteral("\\\\"));
    return field;
}

QString ProgramOfExecValue(const QString& execValue) {
    // `execValue` has its string escapes undone already.
    QString program;
    qsizetype i = 0;
    if (execValue.startsWith(u'"')) {
        for (i = 1; i < execValue.size() && execValue[i] != u'"'; ++i) {
            if (execValue[i] == u'\\' && i + 1 < execValue.size())
                ++i;
            program += execValue[i];
        }
    } else {
        for (; i < execValue.size() && execValue[i] != u' ' && execValue[i] != u'\t'; ++i)
            program += execValue[i];
    }
    return program.replace(QStringLiteral("%%"), QStringLiteral("%"));
}

QString XdgFileAssociation::DefaultDataHome() {
    const QString configured = qEnvironmentVariable("XDG_DATA_HOME");
    if (!configured.isEmpty() && QDir::isAbsolutePath(configured))
        return configured;
    return QDir::homePath() + QStringLiteral("/.local/share");
}

QString XdgFileAssociation::DesktopFileName() {
    return AppIdentity::ApplicationId() + QStringLiteral(".desktop");
}

QString XdgFileAssociation::MimeFileName() {
    return AppIdentity::ApplicationId() + QStringLiteral(".xml");
}

QStringList XdgFileAssociation::DefaultDataDirs() {
    QStringList dirs;
    for (const QString& dir :
         qEnvironmentVariable("XDG_DATA_DIRS").split(u':', Qt::SkipEmptyParts)) {
        if (QDir::isAbsolutePath(dir))
            dirs.append(dir);
    }
    if (dirs.isEmpty())
        dirs = {QStringLiteral("/usr/local/share"), QStringLiteral("/usr/share")};
    return dirs;
}

XdgFileAssociation::XdgFileAssociation(QString executablePath, QString dataHome,
                                       QStringList dataDirs)
    : executable_(std::move(executablePath)), dataHome_(std::move(dataHome)),
      dataDirs_(std::move(dataDirs)) {}

QString XdgFileAssociation::SystemDesktopEntry() const {
    for (const QString& dir : dataDirs_) {
        const QString entry = dir + QStringLiteral("/applications/") + DesktopFileName();
        // The user's own folder may be listed too; what is there is not installed.
        if (QFileInfo(entry).isFile() && Canonical(dir) != Canonical(dataHome_))
            return entry;
    }
    return {};
}

bool XdgFileAssociation::ShouldRegisterAtStart() const {
    return SystemDesktopEntry().isEmpty() && !IsRegisteredHandler();
}

AssociationResult XdgFileAssociation::Associate() const {
    if (const QString system = SystemDesktopEntry(); !system.isEmpty())
        return {AssociationResult::Type::SystemEntry, system, {}, MakeDefault()};
    if (!WriteFile(MimeFilePath(), MimeInfo()))
        return {AssociationResult::Type::Failed, MimeFilePath(), {}, false};
    if (!WriteFile(DesktopFilePath(), DesktopEntry()))
        return {AssociationResult::Type::Failed, DesktopFilePath(), {}, false};
    RemoveOlderNames(dataHome_);
    RunIfPresent(QStringLiteral("update-mime-database"), {dataHome_ + QStringLiteral("/mime")});
    RunIfPresent(QStringLiteral("update-desktop-database"),
                 {dataHome_ + QStringLiteral("/applications")});
    return {AssociationResult::Type::UserEntry, DesktopFilePath(), MimeFilePath(), MakeDefault()};
}

QString XdgFileAssociation::MimeFilePath() const {
    return dataHome_ + QStringLiteral("/mime/packages/") + MimeFileName();
}

QString XdgFileAssociation::DesktopFilePath() const {
    return dataHome_ + QStringLiteral("/applications/") + DesktopFileName();
}

QByteArray XdgFileAssociation::MimeInfo() const {
    return QByteArray(XdgTemplates::kMimeInfo);
}

QByteArray XdgFileAssociation::DesktopEntry() const {
    QByteArray entry(XdgTemplates::kDesktopEntry);
    entry.replace("@EXEC@", ExecProgramField(Canonical(executable_)).toUtf8());
    return entry;
}

bool XdgFileAssociation::IsRegisteredHandler() const {
    QFile file(DesktopFilePath());
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QString program = ProgramOfExecValue(ExecValueOf(file.readAll()));
    return !program.isEmpty() && Canonical(program) == Canonical(executable_);
}

bool XdgFileAssociation::Register() const {
    if (!WriteFile(MimeFilePath(), MimeInfo()) || !WriteFile(DesktopFilePath(), DesktopEntry()))
        return false;
    RemoveOlderNames(dataHome_);
    return true;
}
