#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// What "associate .vx files" did.
struct AssociationResult {
    enum class Type {
        SystemEntry, // the installed desktop entry was made the default; nothing written
        UserEntry,   // a desktop entry and a mime type were written for this user
        Failed,      // `entry` could not be written
    };
    Type type = Type::Failed;
    QString entry;            // the desktop entry used or written, or the file that failed
    QString mimeFile;         // the mime type written (UserEntry)
    bool madeDefault = false; // the desktop's default-application tool accepted the choice
};

// Makes this executable the user's program for session files (".vx") the freedesktop way:
// a shared-mime-info type, a desktop entry that runs the executable on the file, and the
// desktop's default-application choice. Everything is per user, so no elevation is needed.
// An installed program has its entry and type in the system's data folders already: then
// nothing is written for the user, which would hide them and pin the program to one path.
class XdgFileAssociation {
public:
    static QString MimeType() { return QStringLiteral("application/x-vexlo-session"); }
    // Named after the application id, as the installed ones are.
    static QString DesktopFileName();
    static QString MimeFileName();
    // $XDG_DATA_HOME, or ~/.local/share when it is unset or not absolute.
    static QString DefaultDataHome();
    // The absolute folders of $XDG_DATA_DIRS, or /usr/local/share and /usr/share.
    static QStringList DefaultDataDirs();

    explicit XdgFileAssociation(QString executablePath, QString dataHome = DefaultDataHome(),
                                QStringList dataDirs = DefaultDataDirs());

    // The installed desktop entry of the program, empty when there is none.
    QString SystemDesktopEntry() const;
    // Whether the first start is to write the user's entry: no installed entry, and the
    // user's does not run this executable.
    bool ShouldRegisterAtStart() const;
    // The menu command: the installed entry made the default, else the user's files written.
    AssociationResult Associate() const;

    QString MimeFilePath() const;    // <data home>/mime/packages/<id>.xml
    QString DesktopFilePath() const; // <data home>/applications/<id>.desktop

    QByteArray MimeInfo() const;
    QByteArray DesktopEntry() const;

    // True when the desktop entry exists and runs this executable.
    bool IsRegisteredHandler() const;
    // The start-up registration: only the two files, quickly. False when one could not be
    // written; the files take effect once the desktop rereads them.
    bool Register() const;

private:
    QString executable_;
    QString dataHome_;
    QStringList dataDirs_;
};

// How a program path is written as the first word of a desktop entry's Exec value, and back.
QString ExecProgramField(const QString& program);
QString ProgramOfExecValue(const QString& execValue);
