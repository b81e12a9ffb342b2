#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>
#include <string>

// The reference outputs kept in tests/data. When a change of an output is intended, run the
// tests once with VEXLO_UPDATE_GOLDEN=1 (for example
// `VEXLO_UPDATE_GOLDEN=1 ctest --test-dir build -R Golden`): each reference is rewritten from
// what the code now writes; review the difference before committing it.
namespace golden {

// VEXLO_GOLDEN_DIR is set by the build: a path from __FILE__ would depend on how the
// compiler was called.
inline QString ReferencePath(const QString& name) {
    return QStringLiteral(VEXLO_GOLDEN_DIR "/") + name;
}

// Empty when `actual` is the reference `name`; otherwise where they part.
inline std::string Compare(const QString& name, const QByteArray& actual) {
    const QString path = ReferencePath(name);
    if (qEnvironmentVariable("VEXLO_UPDATE_GOLDEN") == QStringLiteral("1")) {
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly) || out.write(actual) != actual.size())
            return "cannot rewrite " + path.toStdString();
        return {};
    }
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        return "no reference " + path.toStdString() + " (VEXLO_UPDATE_GOLDEN=1 writes it)";
    const QByteArray expected = in.readAll();
    if (expected == actual)
        return {};
    const QList<QByteArray> want = expected.split('\n');
    const QList<QByteArray> got = actual.split('\n');
    for (qsizetype i = 0; i < std::max(want.size(), got.size()); ++i) {
        const QByteArray w = i < want.size() ? want[i] : QByteArray("<end>");
        const QByteArray g = i < got.size() ? got[i] : QByteArray("<end>");
        if (w != g)
            return name.toStdString() + " line " + std::to_string(i + 1) +
                   ":\n  reference: " + w.left(300).toStdString() +
                   "\n  now:       " + g.left(300).toStdString();
    }
    return name.toStdString() + " differs";
}

// Bytes as text a reviewer can read: offset, 16 bytes in hex, their printable characters;
// a run of lines equal to the one before is one "*".
inline QByteArray HexDump(const QByteArray& bytes) {
    QByteArray out;
    QByteArray previous;
    bool skipping = false;
    for (qsizetype at = 0; at < bytes.size(); at += 16) {
        const QByteArray row = bytes.mid(at, 16);
        if (row == previous && at + 16 < bytes.size()) {
            if (!skipping)
                out += "*\n";
            skipping = true;
            continue;
        }
        skipping = false;
        previous = row;
        QByteArray text;
        out += QByteArray::number(at, 16).rightJustified(8, '0') + ' ';
        for (qsizetype i = 0; i < 16; ++i) {
            out += i < row.size() ? ' ' + QByteArray(1, row[i]).toHex() : QByteArray("   ");
            if (i < row.size())
                text += row[i] >= 0x20 && row[i] < 0x7F ? row[i] : '.';
        }
        out += "  " + text + '\n';
    }
    return out + QByteArray::number(bytes.size(), 16).rightJustified(8, '0') + '\n';
}

} // namespace golden
