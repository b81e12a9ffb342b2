#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <utility>

// vexlo-cli (or another of our programs) run as a user would, with the time zone and the
// locale fixed and its settings in a private home, so that the user's never reach a test.
struct CliRun {
    int status = -1;
    QByteArray out;
    QString err;
    QJsonObject Json() const { return QJsonDocument::fromJson(out).object(); }
};

struct CliSetting {
    CliSetting(QString homeFolder, QStringList driveRoots = {},
               QString localeName = QStringLiteral("fr_FR.UTF-8"))
        : home(std::move(homeFolder)), drives(std::move(driveRoots)),
          locale(std::move(localeName)) {}

    QString home;       // holds config/ for the settings
    QStringList drives; // VEXLO_DRIVES
    QString locale;
};

inline QProcessEnvironment CliEnvironment(const CliSetting& setting) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), setting.locale);
    env.insert(QStringLiteral("LANG"), setting.locale);
    // The tester's preferred languages would outrank the locale for the words.
    env.remove(QStringLiteral("LANGUAGE"));
    env.insert(QStringLiteral("TZ"), QStringLiteral("Europe/Paris"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), setting.home + QStringLiteral("/config"));
    env.insert(QStringLiteral("HOME"), setting.home);
    // Set even when empty, so that the drives of whoever runs the tests never count.
    env.insert(QStringLiteral("VEXLO_DRIVES"), setting.drives.join(u':'));
    // Qt warns on the error stream without one, and a test reads that stream.
    const QString runtime = setting.home + QStringLiteral("/runtime");
    if (QDir().mkpath(runtime))
        QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                           QFileDevice::ExeOwner);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    return env;
}

// `program` in `env`, from `workingDirectory` when given, with `input` on its standard input.
inline CliRun RunProgram(const QString& program, const QStringList& args,
                         const QProcessEnvironment& env, const QString& workingDirectory = {},
                         const QByteArray& input = {}) {
    QProcess p;
    p.setProcessEnvironment(env);
    if (!workingDirectory.isEmpty())
        p.setWorkingDirectory(workingDirectory);
    p.start(program, args);
    p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(60000);
    CliRun r;
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

inline CliRun RunProgram(const QString& program, const QStringList& args,
                         const CliSetting& setting) {
    return RunProgram(program, args, CliEnvironment(setting));
}
