#include "core/instrument/CommandSender.h"

#include "core/instrument/LinkLog.h"

CommandSender::CommandSender(TransferChannel& channel, const Clock& clock)
    : transfer_(channel, clock) {}

void CommandSender::Queue(CommandBatch batch) {
    queue_.push_back(std::move(batch));
}

void CommandSender::Step() {
    while (!queue_.empty()) {
        const CommandBatch& batch = queue_.front();
        if (sent_ >= static_cast<int>(batch.blocks.size())) {
            Finish();
            continue;
        }
        if (transfer_.State() != LinkTransferStateType::Waiting) {
            transfer_.Start(
                TransferRequest::WriteControl(batch.blocks[static_cast<std::size_t>(sent_)]));
            return;
        }
        switch (transfer_.Poll()) {
        case LinkTransferStateType::Waiting:
        case LinkTransferStateType::Idle:
            return;
        case LinkTransferStateType::Done:
            if (transfer_.Result().bytes == ControlBlock::kSize) {
                ++sent_;
                transfer_.Cancel();
                continue;
            }
            qCInfo(LinkLog) << "command" << sent_ + 1 << "of" << batch.blocks.size()
                            << "not written";
            Finish();
            break;
        case LinkTransferStateType::TimedOut:
            qCInfo(LinkLog) << "command" << sent_ + 1 << "of" << batch.blocks.size()
                            << "not written within the link's limit";
            Finish();
            break;
        }
    }
}

void CommandSender::Finish() {
    CommandBatch batch = std::move(queue_.front());
    queue_.pop_front();
    const CommandBatchResult result{sent_, static_cast<int>(batch.blocks.size())};
    sent_ = 0;
    transfer_.Cancel();
    if (batch.done)
        batch.done(result);
}
