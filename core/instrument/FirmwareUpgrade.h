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

// The upgrade window: it steps the job on its 10 ms timer, asks before a cancel, steps on
// while a cancel takes the logger out of flash mode, and returns once it has closed.
using UpgradeWindow = std::function<void(FlashUpgradeJob& job)>;

// The upgrade of the connected logger from Intel HEX text. The monitor is suspended for the
// whole upgrade. A refused text or image is told to the user and nothing reaches the logger; a
// cancel is told as what it left on the logger; a logger left with part of an image is shown
// so on the instrument page until an upgrade completes.
UpgradeEndType UpgradeFirmware(CInstrumentMonitor& monitor, QByteArrayView hexText,
                               UserInterface& ui, const Clock& clock, const UpgradeWindow& window);
