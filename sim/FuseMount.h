#pragma once

#include "sim/LoggerEmulator.h"
#include "sim/SimulatedFaults.h"

#include <QString>
#include <functional>

class Clock;
class StopSignals;

// The emulated logger's drive as a FUSE file system: the four files reach the emulator as
// sector I/O reaches a real logger. Runs in the calling thread until the drive is unmounted
// from outside, a stop signal arrives or the unplug fault is due, then unmounts itself.
// Returns 0 after a stop, or a French message on stderr and 1.
struct FuseMountRun {
    QString mountPoint;
    DriveFaults faults;
    std::function<void(const ReceivedCommand&)> onCommand;
};
int RunFuseMount(const FuseMountRun& run, LoggerEmulator& logger, const Clock& clock,
                 const StopSignals& stop);
