#pragma once

#include "platform/MountTableWatcher.h"

#include <QObject>
#include <QTimer>

class CInstrumentMonitor;
class QSocketNotifier;

// Device changes for the monitor: the mount table's notification when it comes, and a look at
// the table and the extra roots on a timer, since an event loop may swallow the notification
// and a folder coming or going sends none.
class DeviceChangeSource : public QObject {
    Q_OBJECT
public:
    static constexpr int kLookIntervalMs = 250;

    DeviceChangeSource(CInstrumentMonitor& monitor, QObject* parent);
    // For tests: the roots watched besides the mount table.
    DeviceChangeSource(CInstrumentMonitor& monitor, QStringList extraRoots, QObject* parent);

private:
    void Look();

    CInstrumentMonitor& monitor_;
    MountTableWatcher watcher_;
    QSocketNotifier* notifier_ = nullptr;
    QTimer timer_;
};
