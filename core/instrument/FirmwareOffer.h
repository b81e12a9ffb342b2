#pragma once

#include "core/app/WebUpdate.h"
#include "core/instrument/FirmwareUpgrade.h"

#include <QByteArrayView>
#include <QString>
#include <functional>

class UserInterface;
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
// a status read, or asked for with "Mise à jour du micrologiciel". The check runs without
// waiting for the server; the downloaded Intel HEX text reaches the upgrade only when it
// arrived whole.
class FirmwareOffer {
public:
    using Upgrade = std::function<UpgradeEndType(QByteArrayView hexText)>;
    using Finished = std::function<void(FirmwareCheckEndType)>;

    FirmwareOffer(WebUpdate& web, UserInterface& ui);

    // The automatic check waits for the end of start-up.
    void SetStartupFinished(bool on) { startupFinished_ = on; }
    // Hears what a check the user asked for waits for from the server.
    void SetWaitObserver(WebUpdate::WaitObserver observer) { wait_ = std::move(observer); }

    // `connection` tells connections apart (the monitor's connection number). A check still
    // running is dropped first. `done` hears how the check ended, possibly before this returns.
    void CheckFirmware(bool userAsked, const InstrumentState& state, int connection,
                       Upgrade upgrade, Finished done);
    // Drops the running check: nothing more is asked, fetched or sent, and its `done` is not
    // called.
    void Cancel();
    bool Running() const { return running_; }
    // Enabled with a logger and no check running, unless a check of this connection found
    // nothing to do or upgraded it.
    bool CommandEnabled(const InstrumentState& state, int connection) const;

private:
    void Offer(int check, bool fetched, const QString& installed);
    void Hand(int check, const DownloadResult& got, const QByteArray& hex);
    void End(int check, FirmwareCheckEndType end);
    void Wait(const QString& text) const;

    WebUpdate& web_;
    UserInterface& ui_;
    WebUpdate::WaitObserver wait_;
    bool startupFinished_ = false;
    int checkedConnection_ = -1;
    bool downloadFailed_ = false;
    bool settled_ = false;
    // Tells the running check from one a question outlived.
    int check_ = 0;
    bool running_ = false;
    bool userAsked_ = false;
    Upgrade upgrade_;
    Finished done_;
    WebTaskHandle task_;
};
