#pragma once

#include <QByteArray>
#include <QString>

// Makes this executable the user's program for session files (".vx") the freedesktop way:
// a shared-mime-info type, a desktop entry that runs the executable on the file, and the
// desktop's default-application choice. Everything is per user, so no elevation is needed.
class XdgFileAssociation {
public:
    static QString MimeType() { return QStringLiteral("application/x-vexlo-session"); }
    static QString DesktopFileName() { return QStringLiteral("vexlo.desktop"); }
    static QString MimeFileName() { return QStringLiteral("vexlo-session.xml"); }
    // $XDG_DATA_HOME, or ~/.local/share when it is unset or not absolute.
    static QString DefaultDataHome();

    enum class ToolsType {
        Run,  // refresh the mime database and set the default application when the tools exist
        Skip, // only write the two files
    };

    explicit XdgFileAssociation(QString executablePath, QString dataHome = DefaultDataHome());

    QString MimeFilePath() const;    // <data home>/mime/packages/vexlo-session.xml
    QString DesktopFilePath() const; // <data home>/applications/vexlo.desktop

    QByteArray MimeInfo() const;
    QByteArray DesktopEntry() const;

    // True when the desktop entry exists and runs this executable.
    bool IsRegisteredHandler() const;
    // False when one of the two files could not be written; a missing or failing tool is
    // not a failure, the files alone take effect once the desktop rereads them.
    bool Register(ToolsType tools) const;

private:
    QString executable_;
    QString dataHome_;
};

// How a program path is written as the first word of a desktop entry's Exec value, and back.
QString ExecProgramField(const QString& program);
QString ProgramOfExecValue(const QString& execValue);
