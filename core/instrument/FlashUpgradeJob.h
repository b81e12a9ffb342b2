#pragma once

#include "core/instrument/ControlBlock.h"
#include "core/instrument/IntelHexImage.h"
#include "core/instrument/LinkTransfer.h"

#include <QString>
#include <QtGlobal>
#include <bitset>

class Clock;

enum class FlashStepType {
    CheckSizes,
    EnterMode,
    AwaitMode,
    ReadBaseline,
    SendPage,
    ConfirmPage,
    EndMode,
    Done
};

enum class FlashStateType {
    Running,
    Finished,
    Refused,   // the logger's page size or program memory does not suit the image; nothing sent
    Failed,    // see FailureText()
    Cancelled, // see FailureText()
};

// The programming of a compatible firmware image under the upgrade window: the logger's page
// size and program memory checked, flash mode, each page sent and confirmed from the
// acknowledgement map, then the end of flash mode. Every transfer goes through the link's
// channel and is picked up on a later step. A page is sent again while the logger answers
// without confirming it, up to a bound per page; a logger silent for kSilenceLimitMs, or that
// never reaches flash mode, ends the job, and each ending says what the logger holds.
class FlashUpgradeJob {
public:
    // The acknowledgement map has one bit per page of this size, a bit per byte of the block.
    static constexpr int kPageSize = ControlBlock::kMaxCodePage;
    static constexpr int kMapPages = ControlBlock::kSize * 8;
    // Without any transfer that succeeds for this long the logger counts as gone.
    static constexpr qint64 kSilenceLimitMs = 10000;
    // A logger that answers but does not report flash mode within this is given up.
    static constexpr qint64 kModeLimitMs = 10000;
    // One page that the logger keeps answering about without confirming it.
    static constexpr qint64 kPageLimitMs = 5000;
    // An unconfirmed page is sent again after this; meanwhile the map is read again.
    static constexpr qint64 kResendAfterMs = 250;

    FlashUpgradeJob(TransferChannel& channel, IntelHexImage image, const Clock& clock);

    // One bounded piece of work, for the window's 10 ms timer.
    FlashStateType Step();
    // The user confirmed "Annuler": before any page was written the logger is taken out of
    // flash mode (the job runs on until that is sent); after, it is left with part of an image.
    void Cancel();

    FlashStateType State() const { return state_; }
    bool Running() const { return state_ == FlashStateType::Running; }
    FlashStepType CurrentStep() const { return step_; }
    // Bytes confirmed, out of Total().
    qint64 Done() const { return address_; }
    qint64 Total() const { return image_.Size(); }
    int CodePageSize() const { return pageSize_; }
    int PagesWritten() const { return pagesWritten_; }
    // The logger was left in flash mode with part of the image: it must be programmed again.
    bool LeftIncomplete() const;
    // The window's text line; the ending once the job has ended.
    QString Text() const;

private:
    enum class FailureType { None, EnterMode, NothingWritten, EndMode, Incomplete };

    void CheckSizes();
    void EnterMode();
    void AwaitMode();
    void ReadBaseline();
    void SendPage();
    void ConfirmPage();
    void EndMode();
    // Refuses the sizes the logger reports, with the reason; nothing written then.
    bool SizesRefused(const QByteArray& status);
    // True once `request` came back; asked again on a later step when the link gave it up.
    bool Exchange(const TransferRequest& request);
    void BeginEndMode();
    void NoteMap(const QByteArray& map);
    void CheckLimits();
    void Fail(FailureType failure);
    // How the job ends once flash mode was ended (or could not be, nothing having been written).
    FlashStateType EndedState() const;
    void Refuse(const QString& why);
    void StartPage();

    LinkTransfer transfer_;
    const IntelHexImage image_;
    const Clock& clock_;
    FlashStepType step_ = FlashStepType::CheckSizes;
    FlashStateType state_ = FlashStateType::Running;
    FailureType failure_ = FailureType::None;
    QString refusal_;
    qint64 address_ = 0;
    int pageSize_ = 0;
    int pagesWritten_ = 0;
    bool flashModeAsked_ = false;
    bool cancelling_ = false;
    bool leftIncomplete_ = false;
    qint64 lastAnswerMs_;
    qint64 stepBeganMs_;
    qint64 pageBeganMs_ = 0;
    qint64 pageSentMs_ = 0;
    // Pages whose acknowledgement bit was seen clear since flash mode began: only a bit that
    // was clear and is now set confirms its page.
    std::bitset<kMapPages> seenClear_;
};
