#pragma once

#include <QString>
#include <QtGlobal>

// Faults of the logger itself, for trying what users see when hardware misbehaves.
struct LoggerFaults {
    bool stallClock = false;     // the instrument clock stands still
    bool eraseNeverEnds = false; // an erase, once begun, goes on for ever
    bool noAcks = false;         // code pages are never acknowledged
    bool garbageStatus = false;  // STATUS.INI holds nonsense
    qint64 ackDelayMs = 0;       // a code page is acknowledged this long after it arrived
};

// Faults of the drive's files as the computer reaches them.
struct DriveFaults {
    qint64 unplugAfterMs = 0; // 0: never
    bool eioRecord = false;   // reads of RECORD.VX fail with EIO
    bool shortRecord = false; // RECORD.VX ends before the memory the status announces
    qint64 slowReadsMs = 0;   // every read waits this long first
    qint64 hangAfterMs = 0;   // 0: never; then every call on the mounted drive hangs
    qint64 hangForMs = 0;     // how long the hang lasts; 0: until the drive is stopped
};

struct SimulatedFaults {
    LoggerFaults logger;
    DriveFaults drive;
};

// Adds one `--fault` value ("stall-clock", "unplug-after=SECONDS", "slow-reads=MS",
// "ack-delay=MS", "hang-after=SECONDS", "hang-for=SECONDS", …) to
// `faults`. False, with `faults` unchanged, for a name or a value it does not know.
bool AddFault(const QString& text, SimulatedFaults& faults);

// What the logger writes as STATUS.INI under the garbage-status fault: bad numbers, missing
// keys, NUL bytes and a line of 512 bytes without an end.
QByteArray GarbageStatusText();
