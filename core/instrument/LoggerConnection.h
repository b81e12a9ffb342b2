#pragma once

#include "core/instrument/LinkTransfer.h"

#include <cstdint>
#include <memory>
#include <optional>

class CInstComm;
class Clock;
class DriveBackend;

enum class MonitorPhaseType : int { Idle = 0, Scanning = 1, PollStatus = 2, PollConfig = 3 };

// What the connection hands on: the texts it read and the moments the rest of the monitor
// follows. Called on the user-interface thread, from the connection's own calls.
class LoggerConnectionListener {
public:
    enum class StatusOutcomeType {
        NotALogger, // the drive's status is not a logger's: it is dropped
        Unchanged,  // the logger's clock text did not move: the status is read again
        Read,       // the configuration is read next
    };

    virtual ~LoggerConnectionListener() = default;
    // A connect begins: what the last connection showed is forgotten.
    virtual void OnConnectStarted() = 0;
    // The scan found a logger drive; its first status read follows at once.
    virtual void OnLoggerFound() = 0;
    // The logger is no longer in use: disconnected, unplugged, its clock stalled, or its status
    // no longer a logger's.
    virtual void OnDropped() = 0;
    // A status read brought no bytes; it is posted again on the next step.
    virtual void OnStatusUnread() = 0;
    virtual StatusOutcomeType OnStatusText(const char* text, int length) = 0;
    virtual void OnConfigText(const char* text, int length) = 0;
    // The logger's clock as its last status gave it, in instrument seconds.
    virtual int64_t LoggerClock() const = 0;
    virtual void RefreshViews() = 0;
};

// The link as jobs reach it: the connection's link once there is one; before that every
// transfer fails at once.
class ConnectionChannel final : public TransferChannel {
public:
    explicit ConnectionChannel(const std::shared_ptr<CInstComm>& link) : link_(link) {}
    TransferTicket PostTransfer(TransferRequest request) override;
    std::optional<TransferResult> TakeTransfer(TransferTicket ticket) override;
    void AbandonTransfer(TransferTicket ticket) override;

private:
    const std::shared_ptr<CInstComm>& link_;
    ImmediateFailure failure_;
};

// The connection state machine: owns the link, finds the logger drive, alternates
// status and configuration reads at least 50 ms apart, checks that the logger's clock runs, and
// drops a logger that is gone or whose clock stands still. It never waits on the drive: after a
// device change it asks the link whether the drive is still there, and a read or a presence
// check not answered within the link's limit marks the logger as not answering until it does.
class LoggerConnection {
public:
    LoggerConnection(DriveBackend& drives, const Clock& clock, LoggerConnectionListener& listener);
    ~LoggerConnection();
    LoggerConnection(const LoggerConnection&) = delete;
    LoggerConnection& operator=(const LoggerConnection&) = delete;

    // The link's wait between passes; tests shorten it.
    void SetLinkPassInterval(int milliseconds) { passIntervalMs_ = milliseconds; }

    void Connect();
    void Disconnect();
    void OnDeviceChange();
    // The main window's timer tick.
    void Tick();

    bool IsConnected() const { return connected_; }
    // Connected, but the last read or presence check outlived the link's limit.
    bool NotAnswering() const { return notAnswering_; }
    int DeviceChanges() const { return deviceChanges_; }
    bool IsBusy() const { return busy_; }
    void SetBusy(bool on) { busy_ = on; }
    MonitorPhaseType Phase() const { return phase_; }
    bool ClockVerified() const { return clockVerified_; }
    int StallCount() const { return stallCount_; }
    // The logger was dropped because its clock did not advance; until the next Connect().
    bool ClockStoodStill() const { return stallCount_ > kStallsBeforeDrop; }
    CInstComm* Link() { return link_.get(); }
    const CInstComm* Link() const { return link_.get(); }
    TransferChannel& Channel() { return channel_; }

private:
    // Polls without a clock advance that are borne before the logger is dropped.
    static constexpr int kStallsBeforeDrop = 6;

    void Drop();
    // After a device change: false while the presence check is out.
    bool FollowDeviceChange();
    void SetNotAnswering(bool on);
    // Asks for a text read on one call, then gives its length once the worker is done with it.
    std::optional<int> FinishedRead(void (CInstComm::*request)());
    void StatusStep();
    void ConfigStep();
    void CheckClock();

    DriveBackend& drives_;
    const Clock& clock_;
    LoggerConnectionListener& listener_;
    int passIntervalMs_ = 50;

    std::shared_ptr<CInstComm> link_;
    ConnectionChannel channel_{link_};
    LinkTransfer presence_;
    bool connected_ = false;
    bool busy_ = false;
    bool deviceChanged_ = false;
    int deviceChanges_ = 0;
    bool notAnswering_ = false;
    int64_t readPostedMs_ = 0;
    MonitorPhaseType phase_ = MonitorPhaseType::Idle;
    int pollToggle_ = 0;
    int64_t lastPollTime_ = 0;
    bool clockVerified_ = false;
    bool clockSeen_ = false;
    int64_t firstClock_ = 0;
    int stallCount_ = 0;
};
