#pragma once

#include "core/session/MovingAverage.h"

#include <QString>
#include <cstdint>
#include <memory>

class CRecSession;
class TemperatureUnitSource;
struct InstrumentConfigRecord;
struct InstrumentStatusRecord;

// The seven live statistic texts, kept until the next processed status.
struct LiveStatisticsTexts {
    QString min, max, avg, last, total, eventLength, eventWindowTotal;
};

// The live reading of the connected logger: the values of each processed status (battery,
// sensor resistance and temperature, the filtered channel count), the live data they add to,
// converted by the session model as a recording would be, and its statistics.
class LiveChannel {
public:
    explicit LiveChannel(const TemperatureUnitSource& units);
    ~LiveChannel();
    LiveChannel(const LiveChannel&) = delete;
    LiveChannel& operator=(const LiveChannel&) = delete;

    // The live data exists from the first connect on.
    void Create();
    // No samples left; the next one starts the channel again.
    void Clear();
    void ClearStatistics() { statistics_ = {}; }

    // Battery voltage, sensor resistance and temperature, and the channel count of a status.
    void ComputeValues(const InstrumentStatusRecord& status, const InstrumentConfigRecord& config,
                       int modelIndex);
    // Appends the sample of a status whose clock moved, once ComputeValues has run for it.
    void AddSample(const InstrumentStatusRecord& status, const InstrumentConfigRecord& config,
                   int modelIndex, const QString& units);
    // The statistics of the whole live data, without a window.
    void UpdateStatistics(const QString& units);

    double BatteryVoltage() const { return batteryVoltage_; }
    double SensorTemperature() const { return sensorTemperature_; }
    // Filtered for the voltage, current, resistance and thermocouple kinds.
    int ChannelCount() const { return channelCount_; }
    const LiveStatisticsTexts& Statistics() const { return statistics_; }
    const CRecSession* Data() const { return data_.get(); }

private:
    void StartChannel(int modelIndex, int64_t firstTime);

    const TemperatureUnitSource& units_;
    std::unique_ptr<CRecSession> data_;
    double batteryVoltage_ = 0.0;
    double sensorResistance_ = 1000.0;
    double sensorTemperature_ = 0.0;
    int channelCount_ = 0;
    int averagedRtdCount_ = 0;
    MovingAverage channelAverage_;
    MovingAverage resistanceAverage_;
    bool haveSampleTime_ = false;
    // The last status named a model code outside the table: nothing can be converted.
    bool unknownModel_ = false;
    int64_t previousSampleTime_ = 0;
    LiveStatisticsTexts statistics_;
};
