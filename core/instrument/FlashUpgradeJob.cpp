#include "core/instrument/FlashUpgradeJob.h"

#include "core/common/Clock.h"
#include "core/common/StringTable.h"
#include "core/instrument/ControlBlock.h"
#include "core/instrument/DriveText.h"
#include "core/instrument/FlashLink.h"

#include <algorithm>
#include <array>
#include <utility>

FlashUpgradeJob::FlashUpgradeJob(FlashLink& link, IntelHexImage image, const Clock& clock)
    : link_(link), image_(std::move(image)), clock_(clock), lastAnswerMs_(clock.MonotonicMs()) {}

FlashStateType FlashUpgradeJob::Step() {
    if (inStep_ || state_ != FlashStateType::Running)
        return state_;
    inStep_ = true;
    switch (step_) {
    case FlashStepType::EnterMode:
        EnterMode();
        break;
    case FlashStepType::RequestStatus:
        pageSize_ = 0;
        link_.RequestStatusRead();
        step_ = FlashStepType::AwaitStatus;
        break;
    case FlashStepType::AwaitStatus:
        AwaitStatus();
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
    if (clock_.MonotonicMs() - lastAnswerMs_ >= kSilenceLimitMs)
        Fail();
    inStep_ = false;
    return state_;
}

void FlashUpgradeJob::Cancel() {
    if (state_ == FlashStateType::Running)
        state_ = FlashStateType::Cancelled;
}

QString FlashUpgradeJob::Text() const {
    if (state_ == FlashStateType::Failed)
        return ResourceString(TextId::kFirmwareIncomplete);
    switch (step_) {
    case FlashStepType::EnterMode:
    case FlashStepType::RequestStatus:
    case FlashStepType::AwaitStatus:
        return ResourceString(TextId::kFlashMode);
    case FlashStepType::SendPage:
    case FlashStepType::ConfirmPage:
    case FlashStepType::EndMode:
        return ResourceString(TextId::kSendingFirmware);
    case FlashStepType::Done:
        break;
    }
    return ResourceString(TextId::kFirmwareDone);
}

void FlashUpgradeJob::EnterMode() {
    // A lost command would leave the logger out of flash mode and the status loop endless.
    if (Answered(link_.WriteControlBlock(ControlBlock::EnterFlashMode()) == ControlBlock::kSize)) {
        failedTries_ = 0;
        step_ = FlashStepType::RequestStatus;
    } else {
        CountFailedTry();
    }
}

void FlashUpgradeJob::AwaitStatus() {
    if (link_.StatusReadPending())
        return;
    step_ = FlashStepType::RequestStatus;
    const QByteArray text = link_.StatusText();
    if (!Answered(!text.isEmpty()))
        return;
    const int length = static_cast<int>(text.size());
    const int state = DriveTextInt(text.constData(), length, "FlashUpState=", 0);
    const int size = std::min(DriveTextInt(text.constData(), length, "CodePageSize=", 0),
                              ControlBlock::kMaxCodePage);
    const int count = DriveTextInt(text.constData(), length, "NumCodePages=", 0);
    if (state != 1 || size <= 0 || count <= 0)
        return;
    pageSize_ = size;
    step_ = image_.Size() > 0 ? FlashStepType::SendPage : FlashStepType::EndMode;
}

void FlashUpgradeJob::SendPage() {
    const QByteArrayView page = image_.Page(address_, pageSize_);
    const ControlBlock block = ControlBlock::WriteCodePage(
        static_cast<uint32_t>(address_), reinterpret_cast<const uint8_t*>(page.data()),
        static_cast<int>(page.size()));
    if (Answered(link_.WriteControlBlock(block) == ControlBlock::kSize))
        step_ = FlashStepType::ConfirmPage;
    else
        CountFailedTry();
}

void FlashUpgradeJob::ConfirmPage() {
    std::array<uint8_t, ControlBlock::kSize> map{};
    if (!Answered(link_.ReadControlBlock(map.data()) == ControlBlock::kSize))
        return;
    if (!IsPageAcknowledged(map.data(), static_cast<uint32_t>(address_))) {
        step_ = FlashStepType::SendPage;
        CountFailedTry();
        return;
    }
    failedTries_ = 0;
    address_ = std::min<qint64>(address_ + pageSize_, image_.Size());
    step_ = address_ < image_.Size() ? FlashStepType::SendPage : FlashStepType::EndMode;
}

void FlashUpgradeJob::EndMode() {
    if (Answered(link_.WriteControlBlock(ControlBlock::EndFlashMode()) == ControlBlock::kSize)) {
        step_ = FlashStepType::Done;
        if (state_ == FlashStateType::Running)
            state_ = FlashStateType::Finished;
    } else {
        CountFailedTry();
    }
}

bool FlashUpgradeJob::Answered(bool ok) {
    if (ok)
        lastAnswerMs_ = clock_.MonotonicMs();
    return ok;
}

void FlashUpgradeJob::CountFailedTry() {
    if (++failedTries_ > kMaxResends)
        Fail();
}

void FlashUpgradeJob::Fail() {
    if (state_ == FlashStateType::Running)
        state_ = FlashStateType::Failed;
}
