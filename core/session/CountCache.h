#pragma once

#include <climits>
#include <cstddef>
#include <vector>

// Recent results of a costly pure function of an averaged count (a cold junction's) that
// barely moves during a recording: a small direct-mapped table hits at nearly every sample and
// a miss costs one computation. INT_MIN is never a key: no average of 32-bit counts takes it.
class CountCache {
public:
    template <typename Compute> double Get(int count, Compute&& compute) {
        Slot& slot = slots_[static_cast<unsigned>(count) & (kSlots - 1)];
        if (slot.count != count)
            slot = {count, compute()};
        return slot.value;
    }

    void Clear() { slots_.assign(kSlots, Slot{}); }

private:
    static constexpr std::size_t kSlots = 1024;
    struct Slot {
        int count = INT_MIN;
        double value = 0.0;
    };

    std::vector<Slot> slots_ = std::vector<Slot>(kSlots);
};
