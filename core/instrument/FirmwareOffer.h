#pragma once

#include "core/instrument/FirmwareUpgrade.h"

#include <QByteArrayView>
#include <functional>

class UserInterface;
class WebUpdate;
struct InstrumentState;

enum class FirmwareCheckEndType {
    NotNow,         // start-up unfinished, no logger, a recording or an erase
    NoVersions,     // the server could not be read or gave nothing usable
    UpToDate,       // the logger's firmware is not older than the server's
    Declined,       // the user answered no
    NoAddress,      // newer firmware named without an address
    DownloadFailed, // refused address, failed or cut download: nothing reached the logger
    Upgraded,
    UpgradeRefused, // the downloaded text or image was refused
    UpgradeFailed,  // the logger holds an incomplete firmware
    UpgradeCancelled,
    UpgradeNotStarted,
};

// The offer of newer firmware for the connected logger: automatic once per connection after
// a status read, or asked for with "Mise a jour micrologiciel". The downloaded Intel HEX text
// reaches the upgrade only when it arrived whole.
class FirmwareOffer {
public:
    using Upgrade = std::function<UpgradeEndType(QByteArrayView hexText)>;

    FirmwareOffer(WebUpdate& web, UserInterface& ui);

    // The automatic check waits for the end of start-up.
    void SetStartupFinished(bool on) { startupFinished_ = on; }

    // `connection` tells connections apart (the monitor's connection number).
    FirmwareCheckEndType CheckFirmware(bool userAsked, const InstrumentState& state, int connection,
                                       const Upgrade& upgrade);
    // Enabled with a logger, unless a check of this connection found nothing to do or
    // upgraded it.
    bool CommandEnabled(const InstrumentState& state, int connection) const;

private:
    WebUpdate& web_;
    UserInterface& ui_;
    bool startupFinished_ = false;
    int checkedConnection_ = -1;
    bool downloadFailed_ = false;
    bool settled_ = false;
};
