#include "core/instrument/FlashUpgradeJob.h"

#include "core/common/Clock.h"
#include "core/common/StringTable.h"
#include "core/instrument/ControlBlock.h"
#include "core/instrument/DriveText.h"

#include <algorithm>
#include <utility>

namespace {

int StatusInt(const QByteArray& status, const char* key) {
    return DriveTextInt(status.constData(), static_cast<int>(status.size()), key, 0);
}

} // namespace

FlashUpgradeJob::FlashUpgradeJob(TransferChannel& channel, IntelHexImage image, const Clock& clock)
    : transfer_(channel, clock), image_(std::move(image)), clock_(clock),
      lastAnswerMs_(clock.MonotonicMs()), stepBeganMs_(lastAnswerMs_) {}

FlashStateType FlashUpgradeJob::Step() {
    if (!Running())
        return state_;
    switch (step_) {
    case FlashStepType::CheckSizes:
        CheckSizes();
        break;
    case FlashStepType::EnterMode:
        EnterMode();
        break;
    case FlashStepType::AwaitMode:
        AwaitMode();
        break;
    case FlashStepType::ReadBaseline:
        ReadBaseline();
        break;
    case FlashStepType::SendPage:
        SendPage();
        break;
    case FlashStepType::ConfirmPage:
        ConfirmPage();
        break;
    case FlashStepType::EndMode:
        EndMode();
        break;
    case FlashStepType::Done:
        break;
    }
    if (Running())
        CheckLimits();
    if (!Running())
        transfer_.Cancel();
    return state_;
}

bool FlashUpgradeJob::Exchange(const TransferRequest& request) {
    if (!transfer_.Waiting())
        transfer_.Start(request);
    if (transfer_.Poll() != LinkTransferStateType::Done)
        return false;
    transfer_.Cancel();
    if (transfer_.Result().bytes > 0)
        lastAnswerMs_ = clock_.MonotonicMs();
    return true;
}

void FlashUpgradeJob::CheckSizes() {
    if (!Exchange(TransferRequest::ReadStatus()) || transfer_.Result().bytes == 0)
        return;
    if (SizesRefused(transfer_.Result().data))
        return;
    step_ = FlashStepType::EnterMode;
}

bool FlashUpgradeJob::SizesRefused(const QByteArray& status) {
    const int size = StatusInt(status, "CodePageSize=");
    const int count = StatusInt(status, "NumCodePages=");
    // The acknowledgement map has one bit per 256 bytes: other page sizes cannot be confirmed.
    if (size != kPageSize) {
        Refuse(FormatResource(TextId::kFlashPageSizeRefused, {QString::number(size)}));
        return true;
    }
    if (count <= 0 || image_.Size() > static_cast<qint64>(count) * size) {
        Refuse(FormatResource(
            TextId::kFlashImageTooLarge,
            {QString::number(image_.Size()), QString::number(count), QString::number(size)}));
        return true;
    }
    return false;
}

void FlashUpgradeJob::EnterMode() {
    if (!Exchange(TransferRequest::WriteControl(ControlBlock::EnterFlashMode())))
        return;
    if (transfer_.Result().bytes != ControlBlock::kSize)
        return;
    flashModeAsked_ = true;
    step_ = FlashStepType::AwaitMode;
    stepBeganMs_ = clock_.MonotonicMs();
}

void FlashUpgradeJob::AwaitMode() {
    if (!Exchange(TransferRequest::ReadStatus()) || transfer_.Result().bytes == 0)
        return;
    const QByteArray& status = transfer_.Result().data;
    if (StatusInt(status, "FlashUpState=") != 1 || StatusInt(status, "CodePageSize=") <= 0 ||
        StatusInt(status, "NumCodePages=") <= 0)
        return;
    if (SizesRefused(status))
        return;
    pageSize_ = kPageSize;
    step_ = FlashStepType::ReadBaseline;
}

void FlashUpgradeJob::ReadBaseline() {
    if (!Exchange(TransferRequest::ReadControl()) ||
        transfer_.Result().bytes != ControlBlock::kSize)
        return;
    NoteMap(transfer_.Result().data);
    if (image_.Size() > 0)
        StartPage();
    else
        BeginEndMode();
}

void FlashUpgradeJob::StartPage() {
    step_ = FlashStepType::SendPage;
    pageBeganMs_ = clock_.MonotonicMs();
}

void FlashUpgradeJob::SendPage() {
    const QByteArrayView page = image_.Page(address_, pageSize_);
    const ControlBlock block = ControlBlock::WriteCodePage(
        static_cast<uint32_t>(address_), reinterpret_cast<const uint8_t*>(page.data()),
        static_cast<int>(page.size()));
    if (!Exchange(TransferRequest::WriteControl(block)) ||
        transfer_.Result().bytes != ControlBlock::kSize)
        return;
    ++pagesWritten_;
    pageSentMs_ = clock_.MonotonicMs();
    step_ = FlashStepType::ConfirmPage;
}

void FlashUpgradeJob::ConfirmPage() {
    if (!Exchange(TransferRequest::ReadControl()) ||
        transfer_.Result().bytes != ControlBlock::kSize)
        return;
    const QByteArray& map = transfer_.Result().data;
    const uint32_t address = static_cast<uint32_t>(address_);
    const bool confirmed =
        IsPageAcknowledged(reinterpret_cast<const uint8_t*>(map.constData()), address) &&
        seenClear_.test(address / kPageSize % kMapPages);
    NoteMap(map);
    if (confirmed) {
        address_ = std::min<qint64>(address_ + pageSize_, image_.Size());
        if (address_ < image_.Size())
            StartPage();
        else
            BeginEndMode();
        return;
    }
    // A slow logger is still programming the page: look again, and send it again now and then.
    if (clock_.MonotonicMs() - pageSentMs_ >= kResendAfterMs)
        step_ = FlashStepType::SendPage;
}

void FlashUpgradeJob::NoteMap(const QByteArray& map) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(map.constData());
    for (int page = 0; page < kMapPages; ++page)
        if (!IsPageAcknowledged(bytes, static_cast<uint32_t>(page) * kPageSize))
            seenClear_.set(static_cast<std::size_t>(page));
}

void FlashUpgradeJob::EndMode() {
    if (!Exchange(TransferRequest::WriteControl(ControlBlock::EndFlashMode())) ||
        transfer_.Result().bytes != ControlBlock::kSize)
        return;
    step_ = FlashStepType::Done;
    state_ = EndedState();
}

FlashStateType FlashUpgradeJob::EndedState() const {
    if (!refusal_.isEmpty())
        return FlashStateType::Refused;
    return cancelling_ ? FlashStateType::Cancelled : FlashStateType::Finished;
}

void FlashUpgradeJob::CheckLimits() {
    const qint64 now = clock_.MonotonicMs();
    const bool paging = step_ == FlashStepType::SendPage || step_ == FlashStepType::ConfirmPage;
    const bool silent = now - lastAnswerMs_ >= kSilenceLimitMs;
    if (step_ == FlashStepType::EndMode && (silent || now - stepBeganMs_ >= kSilenceLimitMs)) {
        // Out of reach before any page was written: the firmware is as it was.
        if (cancelling_)
            state_ = EndedState();
        else
            Fail(FailureType::EndMode);
        return;
    }
    if (paging && (silent || now - pageBeganMs_ >= kPageLimitMs)) {
        Fail(pagesWritten_ > 0 ? FailureType::Incomplete : FailureType::NothingWritten);
        return;
    }
    if (silent || (step_ == FlashStepType::AwaitMode && now - stepBeganMs_ >= kModeLimitMs))
        Fail(FailureType::EnterMode);
}

void FlashUpgradeJob::Cancel() {
    if (!Running() || cancelling_)
        return;
    // A page whose write is under way may reach the logger.
    leftIncomplete_ =
        pagesWritten_ > 0 || (step_ == FlashStepType::SendPage && transfer_.Waiting());
    const bool modeMayBeOn =
        flashModeAsked_ || (step_ == FlashStepType::EnterMode && transfer_.Waiting());
    transfer_.Cancel();
    if (leftIncomplete_ || !modeMayBeOn) {
        state_ = FlashStateType::Cancelled;
        return;
    }
    cancelling_ = true;
    BeginEndMode();
}

void FlashUpgradeJob::BeginEndMode() {
    step_ = FlashStepType::EndMode;
    stepBeganMs_ = clock_.MonotonicMs();
}

void FlashUpgradeJob::Refuse(const QString& why) {
    refusal_ = why;
    if (!flashModeAsked_) {
        state_ = FlashStateType::Refused;
        return;
    }
    cancelling_ = true;
    BeginEndMode();
}

void FlashUpgradeJob::Fail(FailureType failure) {
    failure_ = failure;
    state_ = FlashStateType::Failed;
}

bool FlashUpgradeJob::LeftIncomplete() const {
    return (state_ == FlashStateType::Failed && failure_ == FailureType::Incomplete) ||
           (state_ == FlashStateType::Cancelled && leftIncomplete_);
}

QString FlashUpgradeJob::Text() const {
    switch (state_) {
    case FlashStateType::Finished:
        return ResourceString(TextId::kFirmwareDone);
    case FlashStateType::Refused:
        return refusal_;
    case FlashStateType::Cancelled:
        return ResourceString(leftIncomplete_ ? TextId::kFirmwareIncomplete
                                              : TextId::kFlashCancelledUnchanged);
    case FlashStateType::Failed:
        switch (failure_) {
        case FailureType::EnterMode:
            return ResourceString(TextId::kFlashEnterFailed);
        case FailureType::NothingWritten:
            return ResourceString(TextId::kFlashNothingWritten);
        case FailureType::EndMode:
            return ResourceString(TextId::kFlashEndFailed);
        case FailureType::Incomplete:
        case FailureType::None:
            break;
        }
        return ResourceString(TextId::kFirmwareIncomplete);
    case FlashStateType::Running:
        break;
    }
    switch (step_) {
    case FlashStepType::SendPage:
    case FlashStepType::ConfirmPage:
        return ResourceString(TextId::kSendingFirmware);
    case FlashStepType::EndMode:
        return ResourceString(cancelling_ ? TextId::kFlashMode : TextId::kSendingFirmware);
    default:
        break;
    }
    return ResourceString(TextId::kFlashMode);
}
