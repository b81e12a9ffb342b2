#pragma once

#include <QByteArrayView>
#include <functional>

class CInstrumentMonitor;
class Clock;
class FlashUpgradeJob;
class UserInterface;

enum class UpgradeEndType {
    NotStarted, // no logger, or its link stayed busy
    Refused,    // the HEX text or the image was refused; nothing was sent
    Finished,
    Failed, // the logger holds an incomplete firmware
    Cancelled,
};

// The upgrade window: it steps the job on its 10 ms timer, asks before a cancel, and returns
// once it has closed.
using UpgradeWindow = std::function<void(FlashUpgradeJob& job)>;

// The upgrade of the connected logger from Intel HEX text. The monitor is suspended for the
// whole upgrade; `waitTurn` lets about 10 ms pass while the link finishes a read of its own.
// A refused text or image is told to the user and nothing reaches the logger.
UpgradeEndType UpgradeFirmware(CInstrumentMonitor& monitor, QByteArrayView hexText,
                               UserInterface& ui, const Clock& clock,
                               const std::function<void()>& waitTurn, const UpgradeWindow& window);
