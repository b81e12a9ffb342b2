#include "core/app/VersionsFile.h"

#include "core/app/AppIdentity.h"
#include "core/common/LeadingNumber.h"

namespace {

QByteArrayView NextLine(QByteArrayView body, qsizetype& pos) {
    const qsizetype start = pos;
    while (pos < body.size() && pos - start < VersionsFile::kMaxLineLength) {
        if (body[pos++] == '\n')
            break;
    }
    QByteArrayView line = body.sliced(start, pos - start);
    for (const char end : {'\n', '\r'}) {
        if (const qsizetype at = line.indexOf(end); at >= 0)
            line = line.first(at);
    }
    return line;
}

QString WantedSection(QStringView language) {
    if (language.compare(u"EN", Qt::CaseInsensitive) == 0)
        return QStringLiteral("[Vexlo]");
    return QStringLiteral("[Vexlo") + language.toString() + u']';
}

QString* Slot(VersionsFile& file, const QString& key) {
    if (key == u"VxHex")
        return &file.firmware;
    if (key == u"VxExe")
        return &file.program;
    if (key == u"Help")
        return &file.help;
    if (key == u"Manual")
        return &file.manual;
    return nullptr;
}

} // namespace

bool VersionsFile::IsEmpty() const {
    return firmware.isEmpty() && program.isEmpty() && help.isEmpty() && manual.isEmpty();
}

VersionsFile VersionsFile::Parse(QByteArrayView body, QStringView language) {
    const QString wanted = WantedSection(language);
    VersionsFile file;
    bool inWanted = false;
    qsizetype pos = 0;
    while (pos < body.size()) {
        const QString line = QString::fromLatin1(NextLine(body, pos));
        if (line.startsWith(u'[')) {
            inWanted = line.compare(wanted, Qt::CaseInsensitive) == 0;
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (!inWanted || equals < 0)
            continue;
        if (QString* slot = Slot(file, line.first(equals)))
            *slot = line.sliced(equals + 1).left(kMaxValueLength);
    }
    return file;
}

QString EntryVersion(const QString& entry) {
    return entry.section(u';', 0, 0);
}

QString EntryAddress(const QString& entry) {
    return entry.section(u';', 1, 1).left(VersionsFile::kMaxAddressLength);
}

qint64 VersionNumber(QStringView text) {
    const qsizetype first = text.indexOf(u'.');
    const qsizetype second = first < 0 ? -1 : text.indexOf(u'.', first + 1);
    const qint64 a = LeadingInt(text, LeadingBlankType::CSpace);
    const qint64 b = first < 0 ? 0 : LeadingInt(text.sliced(first + 1), LeadingBlankType::CSpace);
    const bool hasThird = second >= 0 && second + 1 < text.size() && text[second + 1] >= u'0' &&
                          text[second + 1] <= u'9';
    const qint64 c = hasThird ? LeadingInt(text.sliced(second + 1), LeadingBlankType::CSpace) : 0;
    return (a * 256 + b) * 65536 + c;
}

bool IsOlderVersion(QStringView installed, QStringView latest) {
    return VersionNumber(installed) < VersionNumber(latest);
}

bool IsHelpCurrent(bool fileExists, qint64 installedVersion, QStringView installedLanguage,
                   qint64 latestVersion) {
    return fileExists && installedVersion >= latestVersion &&
           installedLanguage.compare(AppIdentity::InterfaceLanguage(), Qt::CaseInsensitive) == 0;
}
