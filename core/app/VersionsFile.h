#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>

// The entries of the update server's versions file for this program's language, each
// "version;address" as the file gives it, empty when the file does not give it.
struct VersionsFile {
    // Bytes of one line; further bytes start the next line.
    static constexpr qsizetype kMaxLineLength = 1022;
    static constexpr qsizetype kMaxValueLength = 638;
    static constexpr qsizetype kMaxAddressLength = 2000;

    QString firmware; // "VxHex"
    QString program;  // "VxExe"
    QString help;     // "Help"
    QString manual;   // "Manual"

    bool IsEmpty() const;

    // Reads the section "[Vexlo<language>]" ("[Vexlo]" for "EN"), named in any case; keys match
    // in their exact case and a later line overrides an earlier one.
    static VersionsFile Parse(QByteArrayView body, QStringView language);
};

// The parts of one entry: the version before the first ";", the address after it up to the
// next ";".
QString EntryVersion(const QString& entry);
QString EntryAddress(const QString& entry);

// A version text "a.b.c" as one number that orders versions: (a × 256 + b) × 65536 + c, each
// part read as C's atoi reads it; a missing part counts as 0, so "2.0" is "2.0.0".
qint64 VersionNumber(QStringView text);
bool IsOlderVersion(QStringView installed, QStringView latest);

// Whether the installed help file may be shown as it is: it exists, is not older than the
// server's and was installed for the interface language.
bool IsHelpCurrent(bool fileExists, qint64 installedVersion, QStringView installedLanguage,
                   qint64 latestVersion);
