#pragma once

#include "core/instrument/DriveBackend.h"
#include "sim/LoggerEmulator.h"

#include <QByteArray>

// The four files as the logger presents them on its drive: texts padded with zeros to whole
// sectors, the mailbox one sector, the recording the whole memory rounded up to sectors.
// Shared by the in-process drive and the FUSE mount, so both show the same bytes.
qint64 LoggerFileSize(const LoggerEmulator& logger, DriveFileType file);
// Bytes of `file` at `offset`, at most `size`; 0 at or past its end.
qint64 ReadLoggerFile(const LoggerEmulator& logger, DriveFileType file, qint64 offset, char* buffer,
                      qint64 size);
// How many bytes a read of `size` at `offset` gets from a file of `length`.
qint64 ReadableBytes(qint64 length, qint64 offset, qint64 size);
// A text file's bytes: the text padded with zeros to whole sectors, one sector at least.
qint64 ReadPaddedText(const QByteArray& text, qint64 offset, char* buffer, qint64 size);
