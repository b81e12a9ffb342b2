#include "core/instrument/DriveBackend.h"

QString DriveFileName(DriveFileType file) {
    switch (file) {
    case DriveFileType::Status:
        return QStringLiteral("STATUS.INI");
    case DriveFileType::Config:
        return QStringLiteral("CONFIG.INI");
    case DriveFileType::Control:
        return QStringLiteral("CONTROL.DAT");
    case DriveFileType::Record:
        break;
    }
    return QStringLiteral("RECORD.VX");
}
