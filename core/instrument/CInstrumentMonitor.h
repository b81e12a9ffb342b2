#pragma once

#include "instrument/InstrumentRecords.h"
#include "session/MovingAverage.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class CInstComm;
class CRecSession;
class Clock;
class DriveBackend;
class TemperatureUnitSource;
class TransferWait;

enum class MonitorPhase : int { Idle = 0, Scanning = 1, PollStatus = 2, PollConfig = 3 };

// What the later instrument screens attach to the monitor.
class InstrumentHooks {
public:
    virtual ~InstrumentHooks() = default;
    virtual bool IsEraseWindowShowing() const = 0;
    virtual void OpenEraseWindow(int64_t memorySize) = 0;
    virtual void CloseEraseWindow() = 0;
    virtual void CheckFirmware() = 0;
};

// The seven live statistic texts, kept until the next processed status.
struct LiveStatisticsTexts {
    QString min, max, avg, last, total, eventLength, eventWindowTotal;
};

// The instrument side of the document: finds the logger drive, alternates status and
// configuration reads, checks the logger's clock, drops a logger that is gone, keeps the
// instrument page and the live data.
class CInstrumentMonitor {
public:
    CInstrumentMonitor(DriveBackend& drives, const Clock& clock, const TemperatureUnitSource& units,
                       std::function<void()> refreshViews);
    ~CInstrumentMonitor();
    CInstrumentMonitor(const CInstrumentMonitor&) = delete;
    CInstrumentMonitor& operator=(const CInstrumentMonitor&) = delete;

    void SetHooks(InstrumentHooks* hooks) { hooks_ = hooks; }
    void SetFirmwareCheckEnabled(bool on) { firmwareCheckEnabled_ = on; }
    // The link's wait between passes; tests shorten it.
    void SetLinkPassInterval(int milliseconds) { passIntervalMs_ = milliseconds; }
    // What a command or recording transfer does while the link's worker has it.
    void SetTransferWait(TransferWait* wait);

    void Connect();
    void Disconnect();
    void OnDeviceChange();
    void MonitorTick();

    bool IsConnected() const { return connected_; }
    bool IsBusy() const { return busy_; }
    void SetBusy(bool on) { busy_ = on; }
    MonitorPhase Phase() const { return phase_; }
    bool ClockVerified() const { return clockVerified_; }
    int StallCount() const { return stallCount_; }
    bool IsErasing() const { return erasing_; }
    // Statuses that went all the way to a rebuilt page since the connect.
    int ProcessedStatusCount() const { return processedStatuses_; }

    const InstrumentStatusRecord& Status() const { return status_; }
    const InstrumentConfigRecord& Config() const { return config_; }
    int ModelIndex() const { return modelIndex_; }
    int64_t FreeMemory() const { return freeMemory_; }
    const QString& FreeMemoryText() const { return freeMemoryText_; }
    const QString& RecordingDurationText() const { return recDurText_; }
    double BatteryVoltage() const { return batteryVoltage_; }
    double SensorTemperature() const { return sensorTemperature_; }
    QString ChannelUnits() const;

    // The rows as shown: the connection row alone ("Déconnecté" while not connected) until a
    // logger's status has filled the page.
    QStringList PageLabels() const;
    QStringList PageValues() const;
    const LiveStatisticsTexts& LiveStatistics() const { return liveStats_; }
    const CRecSession* LiveData() const { return live_.get(); }
    void ClearLiveData();
    // After a command that changes what the page shows, the next status is processed in full.
    void ForgetLastTimeText() { lastTimeText_.clear(); }
    CInstComm* Link() { return link_.get(); }
    const CInstComm* Link() const { return link_.get(); }

private:
    enum class RowType {
        Blank, Connection, Model, Serial, Version, MemoryTotal, MemoryUsed, MemoryFree, Clock,
        RecordingState, RecordingStart, RecordingEnd, RecordingDuration, TimeLeft, Channel,
        Battery, RangeOrLowScale, HighScale, Units, TcType, Cjc, FilterSize,
    };
    struct PageRow {
        int labelId;
        RowType type;
    };

    void Drop();
    bool ShowsWholePage() const;
    void StatusStep();
    void ConfigStep();
    void CheckClock();
    void RebuildLabels(int modelCode);
    void RebuildValues();
    QString RowValue(RowType type) const;
    void ComputeLiveValues();
    void AddLiveSample();
    void StartLiveChannel(int64_t firstTime);
    void UpdateLiveStatistics();
    bool IsFilteredKind() const;

    DriveBackend& drives_;
    const Clock& clock_;
    const TemperatureUnitSource& units_;
    std::function<void()> refreshViews_;
    InstrumentHooks* hooks_ = nullptr;
    bool firmwareCheckEnabled_ = false;
    int passIntervalMs_ = 50;
    TransferWait* transferWait_ = nullptr;

    std::unique_ptr<CInstComm> link_;
    std::unique_ptr<CRecSession> live_;
    bool connected_ = false;
    bool busy_ = false;
    bool deviceChanged_ = false;
    bool inTick_ = false;
    MonitorPhase phase_ = MonitorPhase::Idle;
    int pollToggle_ = 0;
    int64_t lastPollTime_ = 0;
    bool clockVerified_ = false;
    bool clockSeen_ = false;
    int64_t firstClock_ = 0;
    int stallCount_ = 0;
    QString lastTimeText_;
    bool firmwareChecked_ = false;
    bool erasing_ = false;
    int processedStatuses_ = 0;

    InstrumentStatusRecord status_;
    InstrumentConfigRecord config_;
    int modelIndex_ = -1;
    int labelsModelCode_ = INT32_MIN;
    int64_t freeMemory_ = 0;
    QString freeMemoryText_;
    QString recDurText_;

    double batteryVoltage_ = 0.0;
    double sensorResistance_ = 1000.0;
    double sensorTemperature_ = 0.0;
    int channelCount_ = 0;
    int averagedRtdCount_ = 0;
    MovingAverage channelAverage_;
    MovingAverage resistanceAverage_;
    bool haveSampleTime_ = false;
    int64_t previousSampleTime_ = 0;

    std::vector<PageRow> layout_;
    QStringList labels_;
    QStringList values_;
    LiveStatisticsTexts liveStats_;
};
