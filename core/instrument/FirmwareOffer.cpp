#include "core/instrument/FirmwareOffer.h"

#include "core/app/UserInterface.h"
#include "core/app/VersionsFile.h"
#include "core/app/WebUpdate.h"
#include "core/common/StringTable.h"
#include "core/instrument/InstrumentCommands.h"
#include "core/instrument/InstrumentPort.h"

namespace {

FirmwareCheckEndType EndOf(UpgradeEndType end) {
    switch (end) {
    case UpgradeEndType::Finished:
        return FirmwareCheckEndType::Upgraded;
    case UpgradeEndType::Refused:
        return FirmwareCheckEndType::UpgradeRefused;
    case UpgradeEndType::Failed:
        return FirmwareCheckEndType::UpgradeFailed;
    case UpgradeEndType::Cancelled:
        return FirmwareCheckEndType::UpgradeCancelled;
    case UpgradeEndType::NotStarted:
        break;
    }
    return FirmwareCheckEndType::UpgradeNotStarted;
}

} // namespace

FirmwareOffer::FirmwareOffer(WebUpdate& web, UserInterface& ui) : web_(web), ui_(ui) {}

bool FirmwareOffer::CommandEnabled(const InstrumentState& state, int connection) const {
    if (!state.connected)
        return false;
    return checkedConnection_ != connection || downloadFailed_ || !settled_;
}

FirmwareCheckEndType FirmwareOffer::CheckFirmware(bool userAsked, const InstrumentState& state,
                                                  int connection, const Upgrade& upgrade) {
    if ((!startupFinished_ && !userAsked) || FirmwareBlocker(state) != CommandBlockerType::None)
        return FirmwareCheckEndType::NotNow;
    checkedConnection_ = connection;
    downloadFailed_ = false;
    settled_ = false;
    if (!web_.FetchVersions(!userAsked))
        return FirmwareCheckEndType::NoVersions;

    const QString& latest = web_.Versions().firmware;
    if (!IsOlderVersion(state.status.version, EntryVersion(latest))) {
        settled_ = true;
        if (userAsked)
            ui_.ShowMessage(ResourceString(TextId::kFirmwareUpToDate),
                            MessageIconType::Information);
        return FirmwareCheckEndType::UpToDate;
    }
    const QString address = EntryAddress(latest);
    if (address.isEmpty()) {
        downloadFailed_ = true;
        return FirmwareCheckEndType::NoAddress;
    }
    if (!ui_.AskYesNo(ResourceString(TextId::kNewerFirmware))) {
        downloadFailed_ = true;
        return FirmwareCheckEndType::Declined;
    }
    QByteArray hex;
    if (const DownloadResult got = web_.FetchText(address, hex, WebUpdate::kMaxFirmwareTextBytes);
        !got) {
        downloadFailed_ = true;
        ui_.ShowMessage(got.message, MessageIconType::Error);
        return FirmwareCheckEndType::DownloadFailed;
    }
    const FirmwareCheckEndType end = EndOf(upgrade(hex));
    settled_ = end == FirmwareCheckEndType::Upgraded;
    return end;
}
