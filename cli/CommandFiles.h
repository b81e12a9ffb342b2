#pragma once

#include "core/common/Outcome.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>

class QIODevice;

// The files a command reads and writes, under one set of rules for every command.
namespace CommandFiles {

// Whether a command may write `out`: never onto one of its `inputs` (even with `force`), and
// onto an existing file only with `force`. "-" is standard output and always may.
Outcome CheckOutput(const QString& out, const QStringList& inputs, bool force);

// Refuses what is not a plain file (a folder, a FIFO, a device) without waiting on it, and a
// file longer than `limit` bytes.
Outcome CheckInput(const QString& path, qint64 limit);

// The whole plain file at `path`, refused as CheckInput() refuses it; never more than `limit`
// bytes are read, even from a file that grows meanwhile.
Outcome ReadInput(const QString& path, qint64 limit, QByteArray& bytes);

// Has `write` fill a file beside `path` and renames it over `path` only when `write` returned
// true and every byte reached the disk; otherwise the file beside goes and `path` stays as it
// was. Stop signals wait meanwhile, so that nothing half written is left behind.
bool WriteWhole(const QString& path, const std::function<bool(QIODevice&)>& write);

} // namespace CommandFiles
