#include "gui/instrument/DeviceChangeSource.h"

#include "core/instrument/CInstrumentMonitor.h"
#include "platform/PosixDriveBackend.h"

#include <QSocketNotifier>

DeviceChangeSource::DeviceChangeSource(CInstrumentMonitor& monitor, QObject* parent)
    : DeviceChangeSource(monitor, DriveRootsFromEnvironment(), parent) {}

DeviceChangeSource::DeviceChangeSource(CInstrumentMonitor& monitor, QStringList extraRoots,
                                       QObject* parent)
    : QObject(parent), monitor_(monitor), watcher_(std::move(extraRoots)) {
    if (watcher_.IsValid()) {
        notifier_ = new QSocketNotifier(watcher_.Fd(), QSocketNotifier::Exception, this);
        connect(notifier_, &QSocketNotifier::activated, this, &DeviceChangeSource::Look);
    }
    connect(&timer_, &QTimer::timeout, this, &DeviceChangeSource::Look);
    timer_.start(kLookIntervalMs);
}

void DeviceChangeSource::Look() {
    if (watcher_.Changed())
        monitor_.OnDeviceChange();
}
