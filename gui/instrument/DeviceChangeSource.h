#pragma once

#include "platform/MountWatchThread.h"

#include <QObject>
#include <QStringList>

class CInstrumentMonitor;

// Device changes for the monitor: the mount table's notification when it comes, and a look at
// the table and the extra roots every kLookIntervalMs, since an event loop may swallow the
// notification and a folder coming or going sends none. The looks run on a thread of their own
// (a hung drive may hold them); the monitor hears of a change on the window's thread.
class DeviceChangeSource : public QObject {
    Q_OBJECT
public:
    static constexpr int kLookIntervalMs = 250;

    DeviceChangeSource(CInstrumentMonitor& monitor, QObject* parent);
    // For tests: the roots watched besides the mount table.
    DeviceChangeSource(CInstrumentMonitor& monitor, QStringList extraRoots, QObject* parent);

private:
    CInstrumentMonitor& monitor_;
    // Last: it stops before the rest goes.
    MountWatchThread watch_;
};
