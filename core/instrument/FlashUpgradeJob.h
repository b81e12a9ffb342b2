#pragma once

#include "core/instrument/IntelHexImage.h"

#include <QString>
#include <QtGlobal>

class Clock;
class FlashLink;

enum class FlashStepType {
    EnterMode,
    RequestStatus,
    AwaitStatus,
    SendPage,
    ConfirmPage,
    EndMode,
    Done
};

enum class FlashStateType { Running, Finished, Failed, Cancelled };

// The programming of a compatible firmware image under the upgrade window: flash mode, each
// page sent and confirmed from the acknowledgement map, then the end of flash mode. A page
// that stays unconfirmed or a logger that stops answering ends the job instead of keeping the
// window open for ever; the logger then holds an incomplete firmware.
class FlashUpgradeJob {
public:
    // Tries of one block beyond the first (a page refused or lost, a write that failed).
    static constexpr int kMaxResends = 3;
    // Without any transfer that succeeds for this long the logger counts as gone.
    static constexpr qint64 kSilenceLimitMs = 10000;

    FlashUpgradeJob(FlashLink& link, IntelHexImage image, const Clock& clock);

    // One bounded piece of work, for the window's 10 ms timer; re-entry does nothing.
    FlashStateType Step();
    // Closing the window: no further transfer.
    void Cancel();

    FlashStateType State() const { return state_; }
    bool Running() const { return state_ == FlashStateType::Running; }
    FlashStepType CurrentStep() const { return step_; }
    // Bytes confirmed, out of Total().
    qint64 Done() const { return address_; }
    qint64 Total() const { return image_.Size(); }
    int CodePageSize() const { return pageSize_; }
    // The window's text line; the failure once the job has failed.
    QString Text() const;

private:
    void EnterMode();
    void AwaitStatus();
    void SendPage();
    void ConfirmPage();
    void EndMode();
    // Notes the time of a transfer that succeeded.
    bool Answered(bool ok);
    void CountFailedTry();
    void Fail();

    FlashLink& link_;
    const IntelHexImage image_;
    const Clock& clock_;
    FlashStepType step_ = FlashStepType::EnterMode;
    FlashStateType state_ = FlashStateType::Running;
    qint64 address_ = 0;
    int pageSize_ = 0;
    int failedTries_ = 0;
    qint64 lastAnswerMs_;
    bool inStep_ = false;
};
