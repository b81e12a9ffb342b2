#include "gui/instrument/DeviceChangeSource.h"

#include "core/instrument/CInstrumentMonitor.h"
#include "platform/PosixDriveBackend.h"

DeviceChangeSource::DeviceChangeSource(CInstrumentMonitor& monitor, QObject* parent)
    : DeviceChangeSource(monitor, DriveRootsFromEnvironment(), parent) {}

DeviceChangeSource::DeviceChangeSource(CInstrumentMonitor& monitor, QStringList extraRoots,
                                       QObject* parent)
    : QObject(parent), monitor_(monitor), watch_(std::move(extraRoots), kLookIntervalMs, [this] {
          QMetaObject::invokeMethod(
              this, [this] { monitor_.OnDeviceChange(); }, Qt::QueuedConnection);
      }) {}
