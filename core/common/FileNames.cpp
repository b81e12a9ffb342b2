#include "core/common/FileNames.h"

#include "core/common/StringTable.h"

#include <QFileInfo>
#include <algorithm>

namespace {

constexpr unsigned kLastSeriesNumber = 9999998;
// Nine digits at most, so the number always fits in 32 bits.
constexpr int kMaxNumberDigits = 9;

struct SplitName {
    QString stem;
    QString ext;
    bool hasExt = false;
};

// The extension starts at the last "." of the file name, unless that is its first character
// (a hidden file is all stem).
SplitName SplitExtension(const QString& path) {
    const qsizetype dot = path.lastIndexOf(u'.');
    const qsizetype nameStart = path.lastIndexOf(u'/') + 1;
    if (dot <= nameStart)
        return {path, QString(), false};
    return {path.left(dot), path.mid(dot + 1), true};
}

struct TrailingNumber {
    unsigned value = 0;
    qsizetype start = 0; // index of the first digit; the stem's length when there are none
};

TrailingNumber ReadTrailingNumber(const QString& stem) {
    TrailingNumber n{0, stem.size()};
    unsigned place = 1;
    for (int digits = 0; digits < kMaxNumberDigits && n.start > 0; ++digits) {
        const QChar c = stem[n.start - 1];
        if (c < u'0' || c > u'9')
            break;
        n.value += static_cast<unsigned>(c.unicode() - u'0') * place;
        place *= 10;
        --n.start;
    }
    return n;
}

QString Joined(const SplitName& name) {
    return name.hasExt ? name.stem + u'.' + name.ext : name.stem;
}

QString Numbered(const SplitName& name, unsigned number) {
    return Joined({name.stem + u'_' + QString::number(number), name.ext, name.hasExt});
}

bool Exists(const QString& path) {
    return QFileInfo::exists(path);
}

// First free name of stem_N from `first` on; the last one tried when all are taken.
QString FirstFreeNumbered(const SplitName& name, unsigned first) {
    for (unsigned n = first;; ++n) {
        const QString candidate = Numbered(name, n);
        if (!Exists(candidate) || n >= kLastSeriesNumber)
            return candidate;
    }
}

void RemoveAll(QString& text, const QString& characters) {
    text.removeIf([&characters](QChar c) { return characters.contains(c); });
}

} // namespace

void MakeSafeName(QString& text) {
    text.replace(QStringLiteral(": "), QStringLiteral(" "));
    RemoveAll(text, QStringLiteral(":\\?|><*/\""));
    const QString missing = ResourceString(TextId::kNoValue);
    if (!missing.isEmpty())
        text.replace(missing, QStringLiteral("NA"));
    RemoveAll(text, QStringLiteral("-."));
}

QString NextFreeFileName(const QString& path) {
    SplitName name = SplitExtension(path);
    const TrailingNumber number = ReadTrailingNumber(name.stem);
    const bool numbered =
        number.start < name.stem.size() && number.start > 0 && name.stem[number.start - 1] == u'_';
    if (numbered)
        name.stem.truncate(number.start - 1);
    else if (!Exists(Joined(name)))
        return Joined(name);
    return FirstFreeNumbered(name, numbered ? number.value + 1 : 1);
}

QString UniqueFileName(const QString& path) {
    const SplitName name = SplitExtension(path);
    if (!Exists(Joined(name)))
        return Joined(name);
    return FirstFreeNumbered(name, 1);
}

QString AppendNameNumber(const QString& name, unsigned lowest) {
    SplitName split = SplitExtension(name);
    const TrailingNumber number = ReadTrailingNumber(split.stem);
    split.stem.truncate(number.start);
    split.stem += QString::number(std::max(number.value + 1, lowest));
    return Joined(split);
}

QString StripExtension(const QString& path) {
    const qsizetype dot = path.lastIndexOf(u'.');
    return dot < 0 ? path : path.left(dot);
}

QString FileNameOfPath(const QString& path) {
    return path.mid(path.lastIndexOf(u'/') + 1);
}

QString ParentFolder(const QString& path) {
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash < 0 ? QString() : path.left(slash);
}

bool FolderExists(const QString& path) {
    // The root keeps its only "/".
    const QString folder = path.size() > 1 && path.endsWith(u'/') ? path.chopped(1) : path;
    return !folder.isEmpty() && QFileInfo(folder).isDir();
}
