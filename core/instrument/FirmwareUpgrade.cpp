#include "core/instrument/FirmwareUpgrade.h"

#include "core/app/UserInterface.h"
#include "core/common/Clock.h"
#include "core/common/StringTable.h"
#include "core/instrument/CInstComm.h"
#include "core/instrument/CInstrumentMonitor.h"
#include "core/instrument/FlashLink.h"
#include "core/instrument/FlashUpgradeJob.h"
#include "core/instrument/IntelHexImage.h"

namespace {

constexpr qint64 kIdleWaitMs = 2000;

// Suspends the monitor for as long as it lives.
class BusyMonitor {
public:
    explicit BusyMonitor(CInstrumentMonitor& monitor) : monitor_(monitor) {
        monitor_.SetBusy(true);
    }
    ~BusyMonitor() { monitor_.SetBusy(false); }
    BusyMonitor(const BusyMonitor&) = delete;
    BusyMonitor& operator=(const BusyMonitor&) = delete;

private:
    CInstrumentMonitor& monitor_;
};

UpgradeEndType EndOf(FlashStateType state) {
    switch (state) {
    case FlashStateType::Finished:
        return UpgradeEndType::Finished;
    case FlashStateType::Failed:
        return UpgradeEndType::Failed;
    case FlashStateType::Running:
    case FlashStateType::Cancelled:
        break;
    }
    return UpgradeEndType::Cancelled;
}

} // namespace

UpgradeEndType UpgradeFirmware(CInstrumentMonitor& monitor, QByteArrayView hexText,
                               UserInterface& ui, const Clock& clock,
                               const std::function<void()>& waitTurn, const UpgradeWindow& window) {
    CInstComm* link = monitor.Link();
    if (!link || !monitor.IsConnected())
        return UpgradeEndType::NotStarted;
    // Busy first, so that the monitor posts nothing new while its last read finishes.
    const BusyMonitor busy(monitor);
    const qint64 start = clock.MonotonicMs();
    while (!link->IsIdle() && clock.MonotonicMs() - start < kIdleWaitMs)
        waitTurn();
    if (!link->IsIdle()) {
        ui.ShowMessage(ResourceString(TextId::kLinkStillBusy), MessageIconType::Error);
        return UpgradeEndType::NotStarted;
    }
    const IntelHexReadResult read = ReadIntelHex(hexText);
    if (!read.outcome) {
        ui.ShowMessage(read.outcome.message, MessageIconType::Information);
        return UpgradeEndType::Refused;
    }
    if (const Outcome fits = read.image.CheckCompatibility(); !fits) {
        ui.ShowMessage(fits.message, MessageIconType::Information);
        return UpgradeEndType::Refused;
    }
    CommFlashLink flashLink(*link);
    FlashUpgradeJob job(flashLink, read.image, clock);
    window(job);
    // A window closed while the job ran is a cancel.
    job.Cancel();
    return EndOf(job.State());
}
