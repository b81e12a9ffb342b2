#pragma once

#include "core/instrument/CommandSender.h"
#include "core/instrument/InstrumentPage.h"
#include "core/instrument/InstrumentRecords.h"
#include "core/instrument/LiveChannel.h"
#include "core/instrument/LoggerConnection.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>

class CInstComm;
class CRecSession;
class Clock;
class DriveBackend;
class TemperatureUnitSource;

// What the later instrument screens attach to the monitor.
class InstrumentHooks {
public:
    virtual ~InstrumentHooks() = default;
    virtual bool IsEraseWindowShowing() const = 0;
    virtual void OpenEraseWindow(int64_t memorySize) = 0;
    virtual void CloseEraseWindow() = 0;
    virtual void CheckFirmware() = 0;
};

// The instrument side of the document. It keeps the logger's status and configuration records
// and what follows from them (model, free memory, recording duration, channel units, the erase
// window, the firmware check), and joins three parts: the connection state machine
// (LoggerConnection), the instrument page texts (InstrumentPage) and the live reading with its
// statistics (LiveChannel).
class CInstrumentMonitor : private LoggerConnectionListener {
public:
    CInstrumentMonitor(DriveBackend& drives, const Clock& clock, const TemperatureUnitSource& units,
                       std::function<void()> refreshViews);
    ~CInstrumentMonitor() override;
    CInstrumentMonitor(const CInstrumentMonitor&) = delete;
    CInstrumentMonitor& operator=(const CInstrumentMonitor&) = delete;

    void SetHooks(InstrumentHooks* hooks) { hooks_ = hooks; }
    void SetFirmwareCheckEnabled(bool on) { firmwareCheckEnabled_ = on; }
    // The link's wait between passes; tests shorten it.
    void SetLinkPassInterval(int milliseconds) { connection_.SetLinkPassInterval(milliseconds); }

    void Connect() { connection_.Connect(); }
    bool ClockStoodStill() const { return connection_.ClockStoodStill(); }
    void Disconnect() { connection_.Disconnect(); }
    void OnDeviceChange() { connection_.OnDeviceChange(); }
    // The main window's 10 ms tick: queued commands, then the connection.
    void MonitorTick();

    bool IsConnected() const { return connection_.IsConnected(); }
    // Connected to a logger whose drive has stopped answering.
    bool NotAnswering() const { return connection_.NotAnswering(); }
    int DeviceChanges() const { return connection_.DeviceChanges(); }
    // The link as jobs reach it.
    TransferChannel& Channel() { return connection_.Channel(); }
    void SendCommands(CommandBatch batch) { commands_.Queue(std::move(batch)); }
    bool CommandsIdle() const { return commands_.Idle(); }
    // A firmware upgrade left the logger in programming mode with part of an image; until one
    // completes the page says so.
    void SetFirmwareIncomplete(bool on);
    bool FirmwareIncomplete() const { return firmwareIncomplete_; }
    bool IsBusy() const { return connection_.IsBusy(); }
    void SetBusy(bool on) { connection_.SetBusy(on); }
    MonitorPhaseType Phase() const { return connection_.Phase(); }
    bool ClockVerified() const { return connection_.ClockVerified(); }
    int StallCount() const { return connection_.StallCount(); }
    bool IsErasing() const { return erasing_; }
    // Statuses that went all the way to a rebuilt page since the connect.
    int ProcessedStatusCount() const { return processedStatuses_; }
    // Counts the connects, so that what is done once per connection can tell them apart.
    int ConnectionNumber() const { return connectionNumber_; }

    const InstrumentStatusRecord& Status() const { return status_; }
    const InstrumentConfigRecord& Config() const { return config_; }
    int ModelIndex() const { return modelIndex_; }
    int64_t FreeMemory() const { return freeMemory_; }
    const QString& FreeMemoryText() const { return freeMemoryText_; }
    const QString& RecordingDurationText() const { return recDurText_; }
    double BatteryVoltage() const { return live_.BatteryVoltage(); }
    double SensorTemperature() const { return live_.SensorTemperature(); }
    QString ChannelUnits() const;

    // The rows as shown: the connection row alone ("Déconnecté" while not connected) until a
    // logger's status has filled the page.
    QStringList PageLabels() const;
    QStringList PageValues() const;
    const LiveStatisticsTexts& LiveStatistics() const { return live_.Statistics(); }
    const CRecSession* LiveData() const { return live_.Data(); }
    void ClearLiveData() { live_.Clear(); }
    // After a command that changes what the page shows, the next status is processed in full.
    void ForgetLastTimeText() { lastTimeText_.clear(); }
    CInstComm* Link() { return connection_.Link(); }
    const CInstComm* Link() const { return connection_.Link(); }

private:
    // LoggerConnectionListener
    void OnConnectStarted() override;
    void OnLoggerFound() override;
    void OnDropped() override;
    void OnStatusUnread() override;
    StatusOutcomeType OnStatusText(const char* text, int length) override;
    void OnConfigText(const char* text, int length) override;
    int64_t LoggerClock() const override;
    void RefreshViews() override;

    void RebuildPageValues();
    void FollowErase();

    const TemperatureUnitSource& units_;
    std::function<void()> refreshViews_;
    InstrumentHooks* hooks_ = nullptr;
    bool firmwareCheckEnabled_ = false;
    bool firmwareChecked_ = false;
    bool erasing_ = false;
    bool firmwareIncomplete_ = false;
    int processedStatuses_ = 0;
    int connectionNumber_ = 0;
    QString lastTimeText_;

    InstrumentStatusRecord status_;
    InstrumentConfigRecord config_;
    int modelIndex_ = -1;
    int64_t freeMemory_ = 0;
    QString freeMemoryText_;
    QString recDurText_;

    InstrumentPage page_;
    LiveChannel live_;
    // After the rest, so that the link's worker stops before it goes; the command queue, which
    // posts through the link, goes first.
    LoggerConnection connection_;
    CommandSender commands_;
};
