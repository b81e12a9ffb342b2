#include "core/instrument/FirmwareOffer.h"

#include "core/app/UserInterface.h"
#include "core/app/VersionsFile.h"
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
    if (!state.connected || running_)
        return false;
    return checkedConnection_ != connection || downloadFailed_ || !settled_;
}

void FirmwareOffer::Wait(const QString& text) const {
    if (userAsked_ && wait_)
        wait_(text);
}

void FirmwareOffer::Cancel() {
    ++check_;
    task_.reset();
    upgrade_ = {};
    done_ = {};
    if (running_) {
        running_ = false;
        Wait({});
    }
}

void FirmwareOffer::CheckFirmware(bool userAsked, const InstrumentState& state, int connection,
                                  Upgrade upgrade, Finished done) {
    Cancel();
    if ((!startupFinished_ && !userAsked) || FirmwareBlocker(state) != CommandBlockerType::None) {
        done(FirmwareCheckEndType::NotNow);
        return;
    }
    const int check = check_;
    checkedConnection_ = connection;
    downloadFailed_ = false;
    settled_ = false;
    running_ = true;
    userAsked_ = userAsked;
    upgrade_ = std::move(upgrade);
    done_ = std::move(done);
    Wait(ResourceString(TextId::kServerWaitVersions));
    if (WebTaskHandle task =
            web_.FetchVersions(!userAsked, [this, check, installed = state.status.version](
                                               bool fetched) { Offer(check, fetched, installed); }))
        task_ = std::move(task);
}

void FirmwareOffer::Offer(int check, bool fetched, const QString& installed) {
    Wait({});
    if (!fetched) {
        End(check, FirmwareCheckEndType::NoVersions);
        return;
    }
    const QString latest = web_.Versions().firmware;
    if (!IsOlderVersion(installed, EntryVersion(latest))) {
        settled_ = true;
        if (userAsked_)
            ui_.ShowMessage(ResourceString(TextId::kFirmwareUpToDate),
                            MessageIconType::Information);
        End(check, FirmwareCheckEndType::UpToDate);
        return;
    }
    const QString address = EntryAddress(latest);
    if (address.isEmpty()) {
        downloadFailed_ = true;
        End(check, FirmwareCheckEndType::NoAddress);
        return;
    }
    const bool agreed = ui_.AskYesNo(ResourceString(TextId::kNewerFirmware));
    if (check != check_)
        return;
    if (!agreed) {
        downloadFailed_ = true;
        End(check, FirmwareCheckEndType::Declined);
        return;
    }
    Wait(ResourceString(TextId::kServerWaitFirmware));
    if (WebTaskHandle task = web_.FetchText(
            address, WebUpdate::kMaxFirmwareTextBytes, WebUpdate::kFirmwareTextLimits,
            [this, check](const DownloadResult& got, const QByteArray& hex) {
                Hand(check, got, hex);
            }))
        task_ = std::move(task);
}

void FirmwareOffer::Hand(int check, const DownloadResult& got, const QByteArray& hex) {
    Wait({});
    if (!got) {
        downloadFailed_ = true;
        ui_.ShowMessage(got.message, MessageIconType::Error);
        End(check, FirmwareCheckEndType::DownloadFailed);
        return;
    }
    // The reply reached us through the event loop, outside the network's own handlers, so the
    // upgrade's window may take its time here.
    const Upgrade upgrade = upgrade_;
    const FirmwareCheckEndType end = EndOf(upgrade(hex));
    if (check != check_)
        return;
    settled_ = end == FirmwareCheckEndType::Upgraded;
    End(check, end);
}

void FirmwareOffer::End(int check, FirmwareCheckEndType end) {
    if (check != check_)
        return;
    running_ = false;
    upgrade_ = {};
    const Finished done = std::exchange(done_, {});
    if (done)
        done(end);
}
