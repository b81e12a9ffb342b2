#include "core/instrument/CInstrumentMonitor.h"

#include "core/common/CalendarDateTime.h"
#include "core/common/DurationFormat.h"
#include "core/common/StringTable.h"
#include "core/common/TemperatureUnitSource.h"
#include "core/instrument/ControlBlock.h"
#include "core/session/ModelTable.h"

#include <algorithm>
#include <climits>

CInstrumentMonitor::CInstrumentMonitor(DriveBackend& drives, const Clock& clock,
                                       const TemperatureUnitSource& units,
                                       std::function<void()> refreshViews)
    : units_(units), refreshViews_(std::move(refreshViews)), live_(units),
      connection_(drives, clock, *this), commands_(connection_.Channel(), clock) {}

CInstrumentMonitor::~CInstrumentMonitor() = default;

void CInstrumentMonitor::MonitorTick() {
    commands_.Step();
    connection_.Tick();
}

void CInstrumentMonitor::SetFirmwareIncomplete(bool on) {
    if (firmwareIncomplete_ == on)
        return;
    firmwareIncomplete_ = on;
    RefreshViews();
}

void CInstrumentMonitor::OnConnectStarted() {
    live_.Create();
    page_.ShowConnecting();
    firmwareChecked_ = false;
    ++connectionNumber_;
    processedStatuses_ = 0;
    lastTimeText_.clear();
}

void CInstrumentMonitor::OnLoggerFound() {
    live_.Clear();
}

void CInstrumentMonitor::OnDropped() {
    // Nothing live is left to show once the logger is gone.
    live_.ClearStatistics();
    live_.Clear();
}

void CInstrumentMonitor::OnStatusUnread() {
    page_.ShowStatusUnread();
}

LoggerConnectionListener::StatusOutcomeType CInstrumentMonitor::OnStatusText(const char* text,
                                                                             int length) {
    if (!IsLoggerStatusText(text, length))
        return StatusOutcomeType::NotALogger;
    status_.ReadTexts(text, length);
    if (status_.time == lastTimeText_)
        return StatusOutcomeType::Unchanged;

    freeMemory_ = status_.MemorySize() - status_.MemoryUsed();
    freeMemoryText_ = QString::number(freeMemory_);
    const int modelCode = status_.ModelCode();
    if (page_.NeedsLabels(modelCode))
        page_.RebuildLabels(modelCode);
    const bool clockVerified = connection_.ClockVerified();
    const int tcIndex = modelCode == kThermocoupleModelCode && clockVerified ? config_.tcIndex : 0;
    const int index = FindModelEntry(modelCode, tcIndex);
    if (index != modelIndex_) {
        modelIndex_ = index;
        live_.Clear();
    }
    const int64_t duration = status_.RecordingDuration();
    recDurText_ =
        duration != 0
            ? FormatSecondsClock(static_cast<quint32>(std::clamp<int64_t>(duration, 0, UINT32_MAX)))
                  .Joined()
            : ResourceString(TextId::kNoValue);
    if (!clockVerified)
        return StatusOutcomeType::Read;
    status_.ReadNumbers(text, length);
    live_.ComputeValues(status_, config_, modelIndex_);
    const QString units = ChannelUnits();
    live_.AddSample(status_, config_, modelIndex_, units);
    lastTimeText_ = status_.time;
    live_.UpdateStatistics(units);
    RebuildPageValues();
    ++processedStatuses_;
    if (firmwareCheckEnabled_ && !firmwareChecked_ && hooks_) {
        firmwareChecked_ = true;
        hooks_->CheckFirmware();
    }
    FollowErase();
    return StatusOutcomeType::Read;
}

void CInstrumentMonitor::FollowErase() {
    erasing_ = status_.IsErasing();
    if (!hooks_)
        return;
    if (erasing_ && !hooks_->IsEraseWindowShowing())
        hooks_->OpenEraseWindow(status_.MemorySize());
    else if (!erasing_ && hooks_->IsEraseWindowShowing())
        hooks_->CloseEraseWindow();
}

void CInstrumentMonitor::OnConfigText(const char* text, int length) {
    config_.Read(text, length, modelIndex_ < 0 ? 0 : modelIndex_);
}

int64_t CInstrumentMonitor::LoggerClock() const {
    return InstrumentTimeValue(ParseDateTimeText(status_.time));
}

void CInstrumentMonitor::RefreshViews() {
    if (refreshViews_)
        refreshViews_();
}

void CInstrumentMonitor::RebuildPageValues() {
    const QString units = ChannelUnits();
    page_.RebuildValues({.status = status_,
                         .config = config_,
                         .modelIndex = modelIndex_,
                         .freeMemory = freeMemory_,
                         .recordingDuration = recDurText_,
                         .channelUnits = units,
                         .fahrenheit = units_.UseFahrenheit(),
                         .lastValue = live_.Statistics().last,
                         .channelCount = live_.ChannelCount(),
                         .batteryVoltage = live_.BatteryVoltage()});
}

QString CInstrumentMonitor::ChannelUnits() const {
    const ModelEntry& entry = ModelTableRow(modelIndex_ < 0 ? 0 : modelIndex_);
    if (KindFlags::Of(entry.Kind).temperature)
        return ResourceString(units_.UseFahrenheit() ? TextId::kFahrenheit : TextId::kCelsius);
    if (!config_.units.isEmpty())
        return config_.units;
    return entry.UnitText();
}

QStringList CInstrumentMonitor::PageLabels() const {
    return page_.Labels(IsConnected());
}

QStringList CInstrumentMonitor::PageValues() const {
    QStringList values = page_.Values(IsConnected(), Phase() == MonitorPhaseType::Scanning);
    if (IsConnected() && !values.isEmpty()) {
        if (NotAnswering())
            values[0] = ResourceString(TextId::kNotAnswering);
        else if (firmwareIncomplete_)
            values[0] = ResourceString(TextId::kFlashIncompleteState);
    }
    return values;
}
