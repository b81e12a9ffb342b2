#include "core/session/ValuePyramid.h"

#include <algorithm>

ValuePyramid::Block ValuePyramid::BlockOf(const ValueScan& s) {
    return {s.minimum, s.maximum, s.last, s.real, s.over, s.under};
}

void ValuePyramid::Merge(ValueScan& into, const Block& b) {
    if (b.real > 0) {
        into.minimum = std::min(into.minimum, b.minimum);
        into.maximum = std::max(into.maximum, b.maximum);
        into.last = b.last;
        into.real += b.real;
    }
    into.over |= b.over;
    into.under |= b.under;
}

ValuePyramid::ValuePyramid(const double* values, int64_t count) {
    Extend(values, count);
}

void ValuePyramid::Extend(const double* values, int64_t count) {
    count_ = std::max(count_, count);
    if (levels_.empty())
        levels_.emplace_back();
    std::vector<Block>& base = levels_.front();
    for (auto b = static_cast<int64_t>(base.size()); b < count_ / kBaseBlock; ++b)
        base.push_back(BlockOf(ScanValues(values + b * kBaseBlock, static_cast<int>(kBaseBlock))));
    for (std::size_t k = 0; levels_[k].size() >= static_cast<std::size_t>(kFactor); ++k) {
        if (k + 1 == levels_.size())
            levels_.emplace_back();
        const std::vector<Block>& below = levels_[k];
        std::vector<Block>& level = levels_[k + 1];
        for (std::size_t b = level.size(); b < below.size() / kFactor; ++b) {
            ValueScan s;
            for (std::size_t i = 0; i < static_cast<std::size_t>(kFactor); ++i)
                Merge(s, below[b * kFactor + i]);
            level.push_back(BlockOf(s));
        }
    }
}

// A block whose end is within the range asked for always exists, since every block lies
// wholly inside the series.
ValueScan ValuePyramid::Scan(const double* values, int64_t first, int64_t n) const {
    const int64_t end = std::min(first + n, count_);
    int64_t pos = std::max<int64_t>(first, 0);
    ValueScan out;
    if (pos >= end)
        return out;
    const int64_t headEnd = std::min(end, (pos + kBaseBlock - 1) / kBaseBlock * kBaseBlock);
    Merge(out, BlockOf(ScanValues(values + pos, static_cast<int>(headEnd - pos))));
    pos = headEnd;

    const int top = static_cast<int>(levels_.size()) - 1;
    int level = 0;
    int64_t size = kBaseBlock;
    const auto take = [&] {
        Merge(out, levels_[static_cast<std::size_t>(level)][static_cast<std::size_t>(pos / size)]);
        pos += size;
    };
    // Up: blocks of a level until the position is on a block of the next, which then fits.
    while (pos + size <= end) {
        const int64_t up = size * kFactor;
        if (pos % up == 0) {
            if (level == top || pos + up > end)
                break;
            ++level;
            size = up;
            continue;
        }
        take();
    }
    // Down: at each level the blocks that still fit.
    for (;;) {
        while (pos + size <= end)
            take();
        if (level == 0)
            break;
        --level;
        size /= kFactor;
    }
    Merge(out, BlockOf(ScanValues(values + pos, static_cast<int>(end - pos))));
    return out;
}
