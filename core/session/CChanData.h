#pragma once

#include "core/session/CChanRecordList.h"
#include "core/session/CountCache.h"
#include "core/session/ModelTable.h"
#include "core/session/MovingAverage.h"
#include "core/session/ValueStamp.h"
#include "core/session/ValueStatus.h"

#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

class TemperatureUnitSource;

// One active run of event states.
struct SessionEvent {
    int32_t wordIndex = 0;
    int64_t startSeconds = 0;
    int32_t startMs = 0;
    int64_t lengthSeconds = 0;
    int16_t lengthMs = 0;

    double LengthInSeconds() const {
        return static_cast<double>(lengthSeconds) + lengthMs / 1000.0;
    }
};

// How the counts of a channel become values (`CChanData::SetConversion`): the thermocouple
// type and cold-junction switch, the event polarity, whether the channel is scaled linearly,
// its input range (the integers of the model row's range texts), the user's scale and the
// moving-average filter size (at least 1 once stored).
struct ConversionSettings {
    int tcIndex = 1;
    bool cjc = false;
    bool polarity = true;
    bool linear = false;
    double rangeLow = 0.0;
    double rangeHigh = 0.0;
    double scaleLow = 0.0;
    double scaleHigh = 1.0;
    int filterSize = 1;

    bool operator==(const ConversionSettings&) const = default;
};

// The conversion settings and the channels of one session: counts converted to values, the
// event runs found in the states, and when each value was taken. Statistics over a window are
// in ChannelStatistics, the French texts of values and events in ChannelTexts.
class CChanData {
public:
    explicit CChanData(const TemperatureUnitSource* units = nullptr);
    CChanData(const CChanData&) = delete;
    CChanData& operator=(const CChanData&) = delete;

    void SetModel(int row);
    CChanRecord& AddChannel(int row, int64_t startTime);
    // Stores the settings and derives the scaling; nothing changes when they equal the stored
    // ones.
    void SetConversion(const ConversionSettings& settings);
    const ConversionSettings& Conversion() const { return conversion_; }
    void SetRtdParameters(double reference, double nominal, double fullScaleCount);
    void SetCountScale(double scale);
    void Reserve(std::size_t samples);
    void Recompute(bool filtered);
    // Recompute(filtered) in bounded pieces, for a load that shows its progress: after
    // BeginRecompute each RecomputeStep converts at most `counts` raw counts and answers true
    // once every record is done. Recompute runs the same pass at once.
    void BeginRecompute(bool filtered);
    bool RecomputeStep(std::size_t counts);
    // Raw counts converted since BeginRecompute, and how many there are to convert.
    std::size_t RecomputedCounts() const { return pass_ ? pass_->converted : 0; }
    std::size_t CountsToRecompute() const;
    void ExtractEvents();

    double ConvertValue(double v, double cjcEmf) const;
    // A pulse count as its value: converted, then rounded to the model's step.
    double PulseValue(int32_t count) const;
    // A live reading, already filtered: converted at once with the record's count scale.
    void AppendLiveSample(int32_t count, double cjcEmf);
    void RefreshTemperatureUnit();
    void ClearRecords();
    // Moves every record so that the first starts at `start`, keeping their spacing; the
    // events follow.
    void MoveRecordsTo(int64_t start);

    double SampleSpan(bool excludeLast) const;
    int ValueCount() const;
    // When value `index` of `record` was taken. A logger stores its first sample one period
    // after it starts, or after the filter's delay; the states of an event word come 63 ms
    // apart from the start of its second, as the event list times them.
    ValueStamp ValueStampOf(const CChanRecord& record, int64_t index) const;
    // The same for value `index` counted over the first channel's records, as the table
    // numbers them, and that time in seconds since 1970.
    ValueStamp ValueStampAt(int64_t index) const;
    double ValueTime(int64_t index) const { return ValueStampAt(index).InSeconds(); }
    // Seconds since 1970 of value 0 of `record`, and from a record's start to its value 0.
    int64_t FirstValueTime(const CChanRecord& record) const;
    int FirstValueOffset() const;

    // Seconds between two values of a recorded (not event) channel.
    int ValuePeriodSeconds() const;
    // Seconds between two values as they are drawn: a sixteenth for event states.
    double ValuePeriod() const;
    bool Fahrenheit() const { return fahrenheit_; }

    int Row() const { return row_; }
    const ModelEntry& Entry() const { return ModelTableRow(row_); }
    const KindFlags& Flags() const { return flags_; }
    int ChannelCount() const { return static_cast<int>(channels_.size()); }
    CChanRecordList& Channel(int i) { return *channels_[static_cast<std::size_t>(i)]; }
    const CChanRecordList& Channel(int i) const { return *channels_[static_cast<std::size_t>(i)]; }
    bool HasRecord() const { return !channels_.empty() && channels_[0]->RecordCount() > 0; }
    const CChanRecord& FirstRecord() const { return channels_[0]->Record(0); }
    CChanRecord& FirstRecord() { return channels_[0]->Record(0); }
    const std::vector<SessionEvent>& Events() const { return events_; }

    int TcIndex() const { return conversion_.tcIndex; }
    bool Cjc() const { return conversion_.cjc; }
    bool Polarity() const { return conversion_.polarity; }
    int FilterSize() const { return conversion_.filterSize; }
    int FilterSkip() const { return filterSkip_; }
    int FilterDelay() const { return filterDelay_; }
    double ScalingFactor() const { return scalingFactor_; }
    int ExtraDecimals() const { return extraDecimals_; }
    // Decimals the values show with: the model's and those the user's scale adds.
    int DisplayDecimals() const;
    // The smallest step between two values as shown: the model's step at those decimals.
    double DisplayResolution() const;
    double OverRangeThreshold() const { return overThreshold_; }
    double UnderRangeThreshold() const { return underThreshold_; }
    double ScaleLow() const { return conversion_.scaleLow; }
    double ScaleHigh() const { return conversion_.scaleHigh; }

private:
    double CountScaleFor(const CChanRecord& r) const;
    // The conversion of a channel that is neither a thermocouple nor an RTD.
    double ConvertPlainValue(double v) const;
    double ComputeColdJunctionEmf(int averagedCount) const;
    // Thermocouple EMFs (cold junction included) to displayed temperatures or markers, in place.
    void ConvertMillivolts(std::span<double> emfMv) const;
    // Where a recomputation stands: the record being converted and its filter's state.
    struct RecomputePass {
        bool filtered = false;
        std::size_t channel = 0;
        int record = 0;
        bool begun = false;
        bool filter = false; // through the moving average, else a reconversion of the values
        bool compensate = false;
        std::size_t next = 0;
        std::size_t end = 0;
        std::size_t converted = 0;
        double scale = 1.0;
        MovingAverage average, cjcAverage;
        // Extraction of the event runs: the run under way, if any.
        bool events = false;
        bool active = false;
        SessionEvent current;
    };
    void BeginRecordPass(CChanRecord& r);
    void ConvertRecordCounts(CChanRecord& r, std::size_t end);
    void BeginEventPass();
    bool ExtractEventsStep(std::size_t words);
    // The runs of `r`'s words from where the pass stands to `end`.
    void ExtractRecordEvents(const CChanRecord& r, std::size_t end);
    void CloseEvent(int64_t endSeconds, int32_t endMs);

    const TemperatureUnitSource* units_;
    std::vector<std::unique_ptr<CChanRecordList>> channels_;
    int row_ = 0;
    KindFlags flags_ = KindFlags::Of(ChannelKindType::Undefined);

    ConversionSettings conversion_;
    bool configured_ = false;
    double scalingFactor_ = 1.0;
    int extraDecimals_ = 0;
    double overThreshold_ = 0.0;
    double underThreshold_ = 0.0;
    int filterSkip_ = 0;
    int filterDelay_ = 0;
    double rtdReference_ = 4750.0;
    double rtdNominal_ = 1000.0;
    double fullScaleCount_ = 4096.0;
    bool fahrenheit_ = false;

    // The cold-junction chain (count -> resistance -> °C -> EMF) is a pure function of the
    // averaged count, which barely moves during a recording.
    CountCache cjcEmfs_;

    std::vector<SessionEvent> events_;
    std::optional<RecomputePass> pass_;
};
