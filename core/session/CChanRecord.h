#pragma once

#include "core/session/SampleSeries.h"

#include <QString>
#include <cstdint>
#include <vector>

class CChanData;
class CChanRecordList;

// One recording run of a channel: its samples, where and when it started and its count
// scale. Value i of an analog record belongs to raw count i + the filter skip.
class CChanRecord {
public:
    CChanRecord(CChanRecordList* channel, const CChanData* data, int64_t startTime);

    // Pulse samples are converted at once; event words need no conversion; the others wait
    // for Recompute. Inline: a session file's load calls it once per sample.
    void AppendSample(int32_t count, int32_t cjcCount) {
        if (pulse_) {
            AppendPulse(count);
            return;
        }
        samples_.AppendCount(count);
        if (thermocouple_)
            samples_.AppendCjcCount(cjcCount);
    }
    void Reserve(std::size_t samples);

    int64_t StartTime() const { return startTime_; }
    void SetStartTime(int64_t t) { startTime_ = t; }
    double CountScale() const { return countScale_; }
    void SetCountScale(double scale) { countScale_ = scale; }
    const QString& Name() const { return name_; }
    void SetName(const QString& name) { name_ = name; }

    const SampleSeries& Samples() const { return samples_; }
    // For the conversion that rewrites the values.
    SampleSeries& Samples() { return samples_; }
    const std::vector<int32_t>& RawCounts() const { return samples_.RawCounts(); }
    const std::vector<int32_t>& CjcCounts() const { return samples_.CjcCounts(); }
    const std::vector<double>& CjcEmf() const { return samples_.CjcEmf(); }
    // The values as drawn (event states 1.0 where their bit is set).
    ValueView Values() const { return samples_.Values(); }
    CChanRecordList* Channel() const { return channel_; }

private:
    void AppendPulse(int32_t count);

    CChanRecordList* channel_;
    const CChanData* data_;
    int64_t startTime_;
    // The channel's kind, fixed with its model when the record is made.
    bool pulse_;
    bool thermocouple_;
    SampleSeries samples_;
    double countScale_ = 1.0;
    QString name_;
};
