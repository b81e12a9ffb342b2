#pragma once

#include <QString>
#include <cstdio>

class DriveBackend;
class InstrumentConnection;

// What vexlo-cli prints about the drives and the connected logger.
namespace InstrumentReport {

// Each candidate drive in scan order, and which one holds the logger.
int ListDrives(DriveBackend& drives, bool json, std::FILE* out);
// Connects as the program does and prints the instrument page once a full status has been
// processed; exit status 3 when no logger answers within 10 s. With `pdf`, the page's
// two-page print-out is written there instead.
int ShowStatus(InstrumentConnection& link, bool json, const QString& pdf, std::FILE* out);

} // namespace InstrumentReport
