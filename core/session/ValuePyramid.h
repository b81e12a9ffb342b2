#pragma once

#include "core/session/ValueScan.h"

#include <cstdint>
#include <vector>

// A min/max summary of a long series in coarser and coarser levels, so that what a pixel
// column of a million values holds costs a few hundred steps instead of a million: the ends
// of a range are scanned value by value, its middle read from the largest blocks it covers.
// The answers are those of ScanValues over the same values.
class ValuePyramid {
public:
    static constexpr int64_t kBaseBlock = 64; // values per block of the first level
    static constexpr int64_t kFactor = 8;     // blocks of a level in one of the next
    // Ranges shorter than this are scanned directly: the summary would not save anything.
    static constexpr int64_t kWorthFrom = 4 * kBaseBlock;

    ValuePyramid() = default;
    ValuePyramid(const double* values, int64_t count);

    // Summarises the values appended since: `values` holds the `count` values of the series,
    // the first Count() of them unchanged.
    void Extend(const double* values, int64_t count);

    int64_t Count() const { return count_; }
    // What values[first, first + n) hold; `values` is the series the summary was made of.
    ValueScan Scan(const double* values, int64_t first, int64_t n) const;

private:
    struct Block {
        double minimum;
        double maximum;
        double last;
        int32_t real;
        bool over;
        bool under;
    };

    static Block BlockOf(const ValueScan& s);
    static void Merge(ValueScan& into, const Block& b);

    int64_t count_ = 0;
    // levels_[k] holds blocks of kBaseBlock × kFactor^k values; a partial last block is left
    // out, so every block lies wholly inside the series.
    std::vector<std::vector<Block>> levels_;
};

// What values[first, first + n) hold, read through `summary` (a summary of `values`, or none)
// where the range is long enough for it to save work.
inline ValueScan ScanRange(const double* values, const ValuePyramid* summary, int64_t first,
                           int n) {
    return summary && n >= ValuePyramid::kWorthFrom ? summary->Scan(values, first, n)
                                                    : ScanValues(values + first, n);
}
