#include "core/common/ValueMarkers.h"
#include "core/session/ValuePyramid.h"

#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <vector>

namespace {

// A wave with markers and gaps sprinkled in, so that blocks differ in every field.
std::vector<double> Series(int64_t n) {
    std::vector<double> v(static_cast<std::size_t>(n));
    uint32_t state = 12345;
    for (int64_t i = 0; i < n; ++i) {
        state = state * 1664525u + 1013904223u;
        const uint32_t pick = state >> 24;
        v[static_cast<std::size_t>(i)] = pick < 3   ? OverRangeValue
                                         : pick < 6 ? UnderRangeValue
                                         : pick < 9 ? NoValue
                                                    : std::sin(i * 0.01) * 100.0 + (state >> 28);
    }
    return v;
}

void ExpectSame(const ValueScan& got, const ValueScan& want, int64_t first, int64_t n) {
    SCOPED_TRACE(testing::Message() << "first " << first << ", n " << n);
    EXPECT_EQ(got.real, want.real);
    EXPECT_EQ(got.over, want.over);
    EXPECT_EQ(got.under, want.under);
    if (want.real > 0) {
        EXPECT_EQ(got.minimum, want.minimum);
        EXPECT_EQ(got.maximum, want.maximum);
        EXPECT_EQ(got.last, want.last);
    }
}

TEST(ValuePyramid, AnswersAsAScanOfTheSameValuesAtEveryBlockEdge) {
    const int64_t n = 64 * 8 * 8 * 8 * 3 + 77; // four levels and a partial last block
    const std::vector<double> v = Series(n);
    const ValuePyramid pyramid(v.data(), n);
    const auto check = [&](int64_t first, int64_t count) {
        ExpectSame(pyramid.Scan(v.data(), first, count),
                   ScanValues(v.data() + first, static_cast<int>(count)), first, count);
    };
    // Lengths at and around each block size, from starts on and beside block edges.
    for (const int64_t first : {int64_t{0}, int64_t{1}, int64_t{63}, int64_t{64}, int64_t{65},
                                int64_t{511}, int64_t{512}, int64_t{4095}, int64_t{4097}})
        for (const int64_t size : {int64_t{64}, int64_t{512}, int64_t{4096}, int64_t{32768}})
            for (const int64_t delta : {int64_t{-1}, int64_t{0}, int64_t{1}})
                if (first + size + delta <= n)
                    check(first, size + delta);
    // Up to the very end, the partial block included, and the whole series.
    check(n - 100, 100);
    check(0, n);
    check(1000, n - 1000);
}

TEST(ValuePyramid, RangesOutsideTheSeriesAreCutToIt) {
    const std::vector<double> v = Series(1000);
    const ValuePyramid pyramid(v.data(), 1000);
    ExpectSame(pyramid.Scan(v.data(), 900, 500), ScanValues(v.data() + 900, 100), 900, 500);
    EXPECT_EQ(pyramid.Scan(v.data(), 1000, 10).real, 0);
    EXPECT_EQ(pyramid.Scan(v.data(), 0, 0).real, 0);
    // A series shorter than a block has no levels to use.
    const ValuePyramid small(v.data(), 63);
    ExpectSame(small.Scan(v.data(), 0, 63), ScanValues(v.data(), 63), 0, 63);
}

TEST(ValuePyramid, ABlockOfMarkersOnlyKeepsTheLastRealValueBeforeIt) {
    std::vector<double> v(64 * 8 * 2, NoValue);
    v[10] = 5.0;
    for (std::size_t i = 64; i < 128; ++i)
        v[i] = OverRangeValue;
    const ValuePyramid pyramid(v.data(), static_cast<int64_t>(v.size()));
    const ValueScan s = pyramid.Scan(v.data(), 0, static_cast<int64_t>(v.size()));
    EXPECT_EQ(s.real, 1);
    EXPECT_EQ(s.last, 5.0);
    EXPECT_TRUE(s.over);
    EXPECT_FALSE(s.under);
}

} // namespace
