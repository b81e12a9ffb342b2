#include "core/instrument/FirmwareUpgrade.h"

#include "core/app/UserInterface.h"
#include "core/common/Clock.h"
#include "core/common/StringTable.h"
#include "core/instrument/CInstrumentMonitor.h"
#include "core/instrument/FlashUpgradeJob.h"
#include "core/instrument/IntelHexImage.h"

namespace {

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
    case FlashStateType::Refused:
        return UpgradeEndType::Refused;
    case FlashStateType::Running:
    case FlashStateType::Cancelled:
        break;
    }
    return UpgradeEndType::Cancelled;
}

} // namespace

UpgradeEndType UpgradeFirmware(CInstrumentMonitor& monitor, QByteArrayView hexText,
                               UserInterface& ui, const Clock& clock, const UpgradeWindow& window) {
    if (!monitor.Link() || !monitor.IsConnected() || monitor.NotAnswering())
        return UpgradeEndType::NotStarted;
    const IntelHexReadResult read = ReadIntelHex(hexText);
    if (!read.outcome) {
        ui.ShowMessage(read.outcome.message, MessageIconType::Information);
        return UpgradeEndType::Refused;
    }
    if (const Outcome fits = read.image.CheckCompatibility(); !fits) {
        ui.ShowMessage(fits.message, MessageIconType::Information);
        return UpgradeEndType::Refused;
    }
    const BusyMonitor busy(monitor);
    FlashUpgradeJob job(monitor.Channel(), read.image, clock);
    window(job);
    // A window closed while the job ran is a cancel.
    job.Cancel();
    if (job.State() == FlashStateType::Finished)
        monitor.SetFirmwareIncomplete(false);
    else if (job.LeftIncomplete())
        monitor.SetFirmwareIncomplete(true);
    // The window showed the other endings in its own text line.
    if (job.State() == FlashStateType::Cancelled)
        ui.ShowMessage(job.Text(), job.LeftIncomplete() ? MessageIconType::Warning
                                                        : MessageIconType::Information);
    return EndOf(job.State());
}
