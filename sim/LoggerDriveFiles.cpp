#include "sim/LoggerDriveFiles.h"

#include <algorithm>
#include <cstring>

namespace {

qint64 WholeSectors(qint64 bytes) {
    return (bytes + kDriveSector - 1) / kDriveSector * kDriveSector;
}

qint64 PaddedTextSize(const QByteArray& text) {
    return std::max<qint64>(kDriveSector, WholeSectors(text.size()));
}

QByteArray TextOf(const LoggerEmulator& logger, DriveFileType file) {
    switch (file) {
    case DriveFileType::Status:
        return logger.StatusText();
    case DriveFileType::Config:
        return logger.ConfigText();
    case DriveFileType::Control:
        return logger.ControlReadBack();
    case DriveFileType::Record:
        break;
    }
    return {};
}

} // namespace

qint64 LoggerFileSize(const LoggerEmulator& logger, DriveFileType file) {
    if (file == DriveFileType::Record)
        return WholeSectors(logger.MemorySize());
    return PaddedTextSize(TextOf(logger, file));
}

qint64 ReadableBytes(qint64 length, qint64 offset, qint64 size) {
    return offset < 0 || size <= 0 || offset >= length ? 0 : std::min(size, length - offset);
}

qint64 ReadPaddedText(const QByteArray& text, qint64 offset, char* buffer, qint64 size) {
    const qint64 n = ReadableBytes(PaddedTextSize(text), offset, size);
    if (n == 0)
        return 0;
    std::memset(buffer, 0, static_cast<std::size_t>(n));
    if (offset < text.size())
        std::memcpy(buffer, text.constData() + offset,
                    static_cast<std::size_t>(std::min<qint64>(n, text.size() - offset)));
    return n;
}

qint64 ReadLoggerFile(const LoggerEmulator& logger, DriveFileType file, qint64 offset, char* buffer,
                      qint64 size) {
    if (file != DriveFileType::Record)
        return ReadPaddedText(TextOf(logger, file), offset, buffer, size);
    const qint64 n = ReadableBytes(LoggerFileSize(logger, file), offset, size);
    if (n == 0)
        return 0;
    std::memset(buffer, RecordingMemory::kErasedByte, static_cast<std::size_t>(n));
    logger.ReadRecord(offset, buffer, n);
    return n;
}
