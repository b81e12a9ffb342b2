#pragma once

#include "core/session/ValuePyramid.h"
#include "core/session/ValueScan.h"

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <vector>

// The values of one record as every reader sees them, however they are kept: one double per
// value, or the sixteen states of each event word read from its bits (1.0 on, 0.0 off), so
// that an event record costs its words and nothing per state. Cheap to copy; valid while the
// series it views is unchanged.
class ValueView {
public:
    static constexpr int kStatesPerWord = 16;

    class Iterator {
    public:
        using iterator_category = std::input_iterator_tag;
        using value_type = double;
        using difference_type = std::ptrdiff_t;
        using reference = double;
        using pointer = void;
        Iterator() = default;
        Iterator(const ValueView* view, std::size_t index) : view_(view), index_(index) {}
        double operator*() const { return (*view_)[index_]; }
        Iterator& operator++() {
            ++index_;
            return *this;
        }
        Iterator operator++(int) {
            Iterator before = *this;
            ++index_;
            return before;
        }
        bool operator==(const Iterator& other) const { return index_ == other.index_; }

    private:
        const ValueView* view_ = nullptr;
        std::size_t index_ = 0;
    };

    ValueView() = default;
    // `summary`, when there is one, summarises these values.
    static ValueView OfValues(const double* values, std::size_t count, const ValuePyramid* summary);
    // The states of `wordCount` words, the first state in the top bit of a word; a state is
    // 1.0 when its bit is set, or when it is clear with `clearIsOne`.
    static ValueView OfStates(const int32_t* words, std::size_t wordCount, bool clearIsOne);

    std::size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }
    double operator[](std::size_t i) const {
        if (values_)
            return values_[i];
        const auto word = static_cast<uint32_t>(words_[i / kStatesPerWord]);
        const bool set = ((word >> (kStatesPerWord - 1 - i % kStatesPerWord)) & 1u) != 0;
        return set != clearIsOne_ ? 1.0 : 0.0;
    }
    Iterator begin() const { return {this, 0}; }
    Iterator end() const { return {this, count_}; }
    std::vector<double> ToVector() const;

    // Whether the values are event states, read from words.
    bool IsStates() const { return words_ != nullptr; }
    // How many of states [first, end) are 1.0, counted a word at a time.
    int64_t OnCount(int64_t first, int64_t end) const;

    // What values [first, first + n) hold, cut to the series; through the summary where that
    // saves work, and from whole words for event states.
    ValueScan Scan(int64_t first, int64_t n) const;

private:
    ValueScan ScanStates(int64_t first, int64_t end) const;
    // The bits of states [from, to) of word `w`, set where a state is 1.0.
    uint32_t OnBits(int64_t w, int64_t first, int64_t end) const;

    const double* values_ = nullptr;
    const ValuePyramid* summary_ = nullptr;
    const int32_t* words_ = nullptr;
    bool clearIsOne_ = false;
    std::size_t count_ = 0;
};
