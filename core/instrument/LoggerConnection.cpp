#include "core/instrument/LoggerConnection.h"

#include "core/common/Clock.h"
#include "core/instrument/CInstComm.h"
#include "core/instrument/DriveBackend.h"
#include "core/instrument/LinkLog.h"

#include <algorithm>
#include <chrono>

namespace {

constexpr int kPollSpacingMs = 50;

} // namespace

TransferTicket ConnectionChannel::PostTransfer(TransferRequest request) {
    return link_ ? link_->PostTransfer(std::move(request))
                 : failure_.PostTransfer(std::move(request));
}

std::optional<TransferResult> ConnectionChannel::TakeTransfer(TransferTicket ticket) {
    return link_ ? link_->TakeTransfer(ticket) : failure_.TakeTransfer(ticket);
}

void ConnectionChannel::AbandonTransfer(TransferTicket ticket) {
    if (link_)
        link_->AbandonTransfer(ticket);
    else
        failure_.AbandonTransfer(ticket);
}

LoggerConnection::LoggerConnection(DriveBackend& drives, const Clock& clock,
                                   LoggerConnectionListener& listener)
    : drives_(drives), clock_(clock), listener_(listener), presence_(channel_, clock) {}

LoggerConnection::~LoggerConnection() {
    presence_.Cancel();
    // A worker caught in a drive call is left behind rather than waited for.
    if (link_)
        link_->Stop();
}

void LoggerConnection::Connect() {
    if (!link_)
        link_ = std::make_shared<CInstComm>(drives_, std::chrono::milliseconds(passIntervalMs_));
    listener_.OnConnectStarted();
    link_->Start();
    link_->Resume();
    connected_ = false;
    notAnswering_ = false;
    phase_ = MonitorPhaseType::Scanning;
    pollToggle_ = 0;
    clockVerified_ = false;
    clockSeen_ = false;
    firstClock_ = 0;
    stallCount_ = 0;
    qCDebug(LinkLog).noquote() << "connect: scanning the drives";
    link_->RequestScan();
    listener_.RefreshViews();
}

void LoggerConnection::Drop() {
    connected_ = false;
    notAnswering_ = false;
    presence_.Cancel();
    if (link_)
        link_->ClearDrive();
    listener_.OnDropped();
    listener_.RefreshViews();
}

void LoggerConnection::Disconnect() {
    qCDebug(LinkLog).noquote() << "disconnect asked";
    Drop();
}

void LoggerConnection::OnDeviceChange() {
    deviceChanged_ = true;
    ++deviceChanges_;
    if (link_)
        link_->Pause();
}

void LoggerConnection::SetNotAnswering(bool on) {
    if (notAnswering_ == on)
        return;
    notAnswering_ = on;
    if (on)
        qCInfo(LinkLog).noquote() << "the logger drive" << link_->DriveRoot()
                                  << "does not answer within" << kTransferLimitMs << "ms";
    else
        qCInfo(LinkLog).noquote() << "the logger drive answers again";
    listener_.RefreshViews();
}

bool LoggerConnection::FollowDeviceChange() {
    if (deviceChanged_) {
        deviceChanged_ = false;
        if (!connected_) {
            Connect();
            return true;
        }
        // Asked of the worker: the drive's own calls may hang, the window must not.
        presence_.Start(TransferRequest::Presence());
    }
    switch (presence_.Poll()) {
    case LinkTransferStateType::Waiting:
        return false;
    case LinkTransferStateType::Done:
        if (presence_.Result().bytes == 0) {
            qCInfo(LinkLog).noquote()
                << "device change: logger drive" << link_->DriveRoot() << "is gone";
            Drop();
        } else {
            SetNotAnswering(false);
        }
        break;
    case LinkTransferStateType::TimedOut:
        SetNotAnswering(true);
        break;
    case LinkTransferStateType::Idle:
        break;
    }
    presence_.Cancel();
    link_->Resume();
    return true;
}

void LoggerConnection::Tick() {
    if (busy_ || !link_)
        return;
    if ((deviceChanged_ || presence_.Waiting()) && !FollowDeviceChange())
        return;
    const int64_t now = clock_.MonotonicMs();
    if (connected_ &&
        (phase_ == MonitorPhaseType::PollStatus || phase_ == MonitorPhaseType::PollConfig)) {
        if (pollToggle_ == 1 && now - readPostedMs_ >= kTransferLimitMs && !link_->IsIdle())
            SetNotAnswering(true);
        if (now - lastPollTime_ >= kPollSpacingMs) {
            const bool statusStep = phase_ == MonitorPhaseType::PollStatus;
            if (statusStep)
                StatusStep();
            else
                ConfigStep();
            lastPollTime_ = now;
            if (statusStep)
                listener_.RefreshViews();
        }
    } else if (phase_ == MonitorPhaseType::Scanning && link_->IsIdle()) {
        if (link_->DriveIndex() >= 0) {
            qCInfo(LinkLog).noquote() << "connected to the logger drive" << link_->DriveRoot();
            connected_ = true;
            listener_.OnLoggerFound();
            phase_ = MonitorPhaseType::PollStatus;
            pollToggle_ = 0;
            StatusStep();
            lastPollTime_ = now;
            listener_.RefreshViews();
        } else {
            qCInfo(LinkLog).noquote() << "no logger drive found";
            phase_ = MonitorPhaseType::Idle;
            connected_ = false;
            // The page said "Établir une connexion"; it now says there is no logger.
            listener_.RefreshViews();
        }
    }
}

std::optional<int> LoggerConnection::FinishedRead(void (CInstComm::*request)()) {
    if (pollToggle_ == 0) {
        ((*link_).*request)();
        pollToggle_ = 1;
        readPostedMs_ = clock_.MonotonicMs();
        return std::nullopt;
    }
    if (!link_->IsIdle())
        return std::nullopt;
    SetNotAnswering(false);
    pollToggle_ = 0;
    return std::min(link_->ReadLength(), CInstComm::kTextReadSize);
}

void LoggerConnection::StatusStep() {
    const std::optional<int> read = FinishedRead(&CInstComm::RequestStatusRead);
    if (!read)
        return;
    const int length = *read;
    if (length <= 0) {
        qCDebug(LinkLog).noquote() << "status read brought nothing; reading again";
        listener_.OnStatusUnread();
        return;
    }
    switch (listener_.OnStatusText(link_->StatusBuffer(), length)) {
    case LoggerConnectionListener::StatusOutcomeType::NotALogger:
        qCInfo(LinkLog).noquote() << "the status of" << link_->DriveRoot()
                                  << "is no longer a logger's: the drive is dropped";
        Drop();
        return;
    case LoggerConnectionListener::StatusOutcomeType::Unchanged:
        return;
    case LoggerConnectionListener::StatusOutcomeType::Read:
        phase_ = MonitorPhaseType::PollConfig;
        return;
    }
}

void LoggerConnection::ConfigStep() {
    const std::optional<int> length = FinishedRead(&CInstComm::RequestConfigRead);
    if (!length || *length <= 0)
        return;
    listener_.OnConfigText(link_->ConfigBuffer(), *length);
    CheckClock();
    phase_ = MonitorPhaseType::PollStatus;
}

void LoggerConnection::CheckClock() {
    if (clockVerified_)
        return;
    const int64_t t = listener_.LoggerClock();
    if (!clockSeen_) {
        firstClock_ = t;
        clockSeen_ = true;
    } else if (t > firstClock_) {
        clockVerified_ = true;
        clockSeen_ = false;
    } else {
        // The first poll stores the clock; seven more without an advance drop the logger.
        qCDebug(LinkLog).noquote()
            << "clock check: no advance yet, stall" << stallCount_ + 1 << "of 7";
        if (++stallCount_ > kStallsBeforeDrop) {
            qCInfo(LinkLog).noquote() << "the logger's clock stands still: the drive is dropped";
            Drop();
        }
    }
}
