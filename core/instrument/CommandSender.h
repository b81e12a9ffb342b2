#pragma once

#include "core/instrument/ControlBlock.h"
#include "core/instrument/LinkTransfer.h"

#include <deque>
#include <functional>
#include <vector>

class Clock;

// How far a series of command blocks went: the first `sent` reached the drive, in order.
struct CommandBatchResult {
    int sent = 0;
    int total = 0;
    bool Complete() const { return sent == total; }
};

// Command blocks to write one after the other; the series stops at the first that fails.
struct CommandBatch {
    std::vector<ControlBlock> blocks;
    // Called once the series ended, from the step that ended it. A window shows nothing modal
    // from here: it would run a loop inside the timer's tick.
    std::function<void(const CommandBatchResult&)> done;
};

// Writes queued command blocks through the link, one transfer at a time, each within the
// link's time limit, so that a command never waits on the drive inside the caller.
class CommandSender {
public:
    CommandSender(TransferChannel& channel, const Clock& clock);

    void Queue(CommandBatch batch);
    // One look at the transfer out; the next block goes as soon as the last one is written.
    void Step();
    bool Idle() const { return queue_.empty(); }

private:
    void Finish();

    LinkTransfer transfer_;
    std::deque<CommandBatch> queue_;
    int sent_ = 0;
};
