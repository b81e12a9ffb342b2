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

int64_t ValueView::OnCount(int64_t first, int64_t end) const {
    first = std::max<int64_t>(first, 0);
    end = std::min(end, static_cast<int64_t>(count_));
    int64_t on = 0;
    for (int64_t w = first / kStatesPerWord; w * kStatesPerWord < end; ++w)
        on += std::popcount(OnBits(w, first, end));
    return on;
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
