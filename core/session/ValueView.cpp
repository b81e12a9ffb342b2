#include "core/session/ValueView.h"

#include <algorithm>
#include <bit>

ValueView ValueView::OfValues(const double* values, std::size_t count,
                              const ValuePyramid* summary) {
    ValueView view;
    view.values_ = values;
    view.count_ = values ? count : 0;
    view.summary_ = summary;
    return view;
}

ValueView ValueView::OfStates(const int32_t* words, std::size_t wordCount, bool clearIsOne) {
    ValueView view;
    view.words_ = words;
    view.count_ = words ? wordCount * kStatesPerWord : 0;
    view.clearIsOne_ = clearIsOne;
    return view;
}

std::vector<double> ValueView::ToVector() const {
    if (values_)
        return {values_, values_ + count_};
    std::vector<double> out;
    out.reserve(count_);
    for (const double v : *this)
        out.push_back(v);
    return out;
}

ValueScan ValueView::Scan(int64_t first, int64_t n) const {
    const int64_t begin = std::max<int64_t>(first, 0);
    const int64_t end = std::min(first + std::max<int64_t>(n, 0), static_cast<int64_t>(count_));
    if (begin >= end)
        return {};
    if (!values_)
        return ScanStates(begin, end);
    const int64_t length = end - begin;
    if (summary_ && length >= ValuePyramid::kWorthFrom)
        return summary_->Scan(values_, begin, length);
    return ScanValues(values_ + begin, static_cast<int>(length));
}

uint32_t ValueView::OnBits(int64_t w, int64_t first, int64_t end) const {
    const int64_t from = std::max(first, w * kStatesPerWord) - w * kStatesPerWord;
    const int64_t to = std::min(end, (w + 1) * kStatesPerWord) - w * kStatesPerWord;
    // State 0 is the top bit.
    const uint32_t span = ((1u << (to - from)) - 1u) << (kStatesPerWord - to);
    const uint32_t word = static_cast<uint32_t>(words_[w]) & 0xFFFFu;
    return (clearIsOne_ ? ~word : word) & span;
}

namespace {

// Set bits among the low 16 of each word. The baseline instruction set has no population
// count, so four words share one 64-bit register and are counted together.
int64_t LowBitsSet(const int32_t* words, int64_t n) {
    int64_t set = 0;
    int64_t i = 0;
    for (; i + 4 <= n; i += 4) {
        uint64_t x = 0;
        for (int k = 0; k < 4; ++k)
            x |= static_cast<uint64_t>(static_cast<uint16_t>(words[i + k])) << (16 * k);
        x -= (x >> 1) & 0x5555555555555555u;
        x = (x & 0x3333333333333333u) + ((x >> 2) & 0x3333333333333333u);
        x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Fu;
        set += static_cast<int64_t>((x * 0x0101010101010101u) >> 56);
    }
    for (; i < n; ++i)
        set += std::popcount(static_cast<uint16_t>(words[i]));
    return set;
}

} // namespace

int64_t ValueView::OnCount(int64_t first, int64_t end) const {
    first = std::max<int64_t>(first, 0);
    end = std::min(end, static_cast<int64_t>(count_));
    if (first >= end)
        return 0;
    // The words at either end may be cut; those between are whole.
    const int64_t firstWord = first / kStatesPerWord;
    const int64_t lastWord = (end - 1) / kStatesPerWord;
    int64_t on = std::popcount(OnBits(firstWord, first, end));
    if (lastWord == firstWord)
        return on;
    on += std::popcount(OnBits(lastWord, first, end));
    const int64_t whole = lastWord - firstWord - 1;
    const int64_t set = LowBitsSet(words_ + firstWord + 1, whole);
    return on + (clearIsOne_ ? whole * kStatesPerWord - set : set);
}

// States are real values, never markers: a range holds 1.0 when one of them is on and 0.0
// when one is off, which whole words answer at once.
ValueScan ValueView::ScanStates(int64_t first, int64_t end) const {
    bool anyOn = false;
    bool anyOff = false;
    for (int64_t w = first / kStatesPerWord; w * kStatesPerWord < end && !(anyOn && anyOff); ++w) {
        const int64_t to = std::min(end, (w + 1) * kStatesPerWord) - w * kStatesPerWord;
        const int64_t from = std::max(first, w * kStatesPerWord) - w * kStatesPerWord;
        const int on = std::popcount(OnBits(w, first, end));
        anyOn |= on > 0;
        anyOff |= on < to - from;
    }
    ValueScan s;
    s.real = static_cast<int>(std::min<int64_t>(end - first, INT32_MAX));
    s.minimum = anyOff ? 0.0 : 1.0;
    s.maximum = anyOn ? 1.0 : 0.0;
    s.last = (*this)[static_cast<std::size_t>(end - 1)];
    return s;
}
