#pragma once

#include <QString>
#include <cstdint>
#include <vector>

class CChanData;
class CChanRecordList;

// One recording run of a channel: the raw counts and the values converted from them.
// Value i of an analog record belongs to raw count i + the filter skip.
class CChanRecord {
public:
    CChanRecord(CChanRecordList* channel, CChanData* data, int64_t startTime)
        : channel_(channel), data_(data), startTime_(startTime) {}

    // Pulse and event samples are converted at once; the others wait for Recompute.
    void AppendSample(int32_t count, int32_t cjcCount);
    void Reserve(std::size_t samples);

    int64_t StartTime() const { return startTime_; }
    void SetStartTime(int64_t t) { startTime_ = t; }
    double CountScale() const { return countScale_; }
    void SetCountScale(double scale) { countScale_ = scale; }
    const QString& Name() const { return name_; }
    void SetName(const QString& name) { name_ = name; }

    const std::vector<int32_t>& RawCounts() const { return raw_; }
    const std::vector<int32_t>& CjcCounts() const { return cjc_; }
    const std::vector<double>& Values() const { return values_; }
    const std::vector<double>& Complements() const { return complements_; }
    const std::vector<double>& CjcEmf() const { return cjcEmf_; }
    CChanRecordList* Channel() const { return channel_; }

private:
    friend class CChanData;

    CChanRecordList* channel_;
    CChanData* data_;
    int64_t startTime_;
    std::vector<int32_t> raw_;
    std::vector<int32_t> cjc_;
    std::vector<double> values_;
    std::vector<double> complements_;
    std::vector<double> cjcEmf_;
    double countScale_ = 1.0;
    QString name_;
};
