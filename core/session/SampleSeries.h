#pragma once

#include "core/session/ValuePyramid.h"
#include "core/session/ValueView.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

// The samples of one recording run and everything derived from them: the raw counts (event
// words for an event record), the cold-junction counts and EMFs of a thermocouple, the values
// and their min/max summary, which is made with the values and made again whenever they
// change. An event record keeps only its words: its states are read from the bits.
class SampleSeries {
public:
    explicit SampleSeries(bool events) : events_(events) {}

    bool Events() const { return events_; }
    const std::vector<int32_t>& RawCounts() const { return raw_; }
    const std::vector<int32_t>& CjcCounts() const { return cjc_; }
    const std::vector<double>& CjcEmf() const { return cjcEmf_; }

    void Reserve(std::size_t samples, bool withCjc, bool withValues);
    void AppendCount(int32_t count) { raw_.push_back(count); }
    void AppendCjcCount(int32_t count) { cjc_.push_back(count); }
    // A value converted as its count arrives (pulses, a live reading).
    void AppendValue(double value);
    void AppendCjcEmf(double emf) { cjcEmf_.push_back(emf); }

    // The converted values of an analog record; none for an event record.
    std::span<const double> AnalogValues() const { return values_; }
    // The values as drawn: for events, 1.0 where a bit is set.
    ValueView Values() const;
    // The values of the active states: for events with the polarity off, the clear bits.
    ValueView StateValues(bool polarity) const;

    // A conversion rewrites the values: until EndConversion the summary is gone, so that no
    // reader meets one of older values.
    std::span<double> BeginConversion(std::size_t valueCount);
    std::span<double> ConversionValues() { return values_; }
    std::span<double> ConvertedCjcEmf(std::size_t count);
    std::span<double> ConversionCjcEmf() { return cjcEmf_; }
    void DropCjcEmf() { cjcEmf_.clear(); }
    void EndConversion();

    // Below this a whole scan costs less than making the summary.
    static constexpr std::size_t kSummarisedFrom = 1u << 16;

private:
    bool events_;
    std::vector<int32_t> raw_;
    std::vector<int32_t> cjc_;
    std::vector<double> values_;
    std::vector<double> cjcEmf_;
    std::unique_ptr<ValuePyramid> summary_;
};
