#include "instrument/CInstrumentMonitor.h"

#include "common/CalendarDateTime.h"
#include "common/Clock.h"
#include "common/DurationFormat.h"
#include "common/Rounding.h"
#include "common/StringTable.h"
#include "common/Temperature.h"
#include "common/TimeFormat.h"
#include "common/ValueFormat.h"
#include "common/ValueMarkers.h"
#include "instrument/CInstComm.h"
#include "instrument/ControlBlock.h"
#include "instrument/DriveBackend.h"
#include "session/CRecSession.h"
#include "session/ModelTable.h"
#include "session/SessionFile.h"
#include "session/TemperatureUnitSource.h"
#include "session/ThermocoupleEmf.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace {

constexpr int kPollSpacingMs = 50;
constexpr int kTextRead = 512;

QString MemoryText(int64_t bytes) {
    if (bytes < 1000)
        return QString::number(bytes) + ResourceString(774);
    return QString::number(bytes / 1000) + ResourceString(775);
}

// A date-time text of the logger shown as the locale's date and time.
QString DateTimeDisplay(const QString& text) {
    const CalendarDateTime dt = ParseDateTimeText(text);
    if (!dt.valid)
        return QString();
    const qint64 t = dt.ToLocalTimeStamp();
    return FormatShortDate(t) + u' ' + FormatTimeOfDay(t, 0);
}

int64_t InstrumentSeconds(const QString& text) {
    return InstrumentTimeValue(ParseDateTimeText(text));
}

struct CelsiusRange {
    double low;
    double high;
};
constexpr CelsiusRange kThermocoupleRanges[] = {
    {-210, 1200}, {-200, 1372}, {-200, 400}, {-200, 1300},
    {-200, 1000}, {0, 1760},    {0, 1760},   {250, 1800},
};

} // namespace

CInstrumentMonitor::CInstrumentMonitor(DriveBackend& drives, const Clock& clock,
                                       const TemperatureUnitSource& units,
                                       std::function<void()> refreshViews)
    : drives_(drives), clock_(clock), units_(units), refreshViews_(std::move(refreshViews)) {}

CInstrumentMonitor::~CInstrumentMonitor() = default;

void CInstrumentMonitor::SetTransferWait(TransferWait* wait) {
    transferWait_ = wait;
    if (link_)
        link_->SetTransferWait(wait);
}

void CInstrumentMonitor::Connect() {
    if (!link_) {
        link_ = std::make_unique<CInstComm>(drives_, std::chrono::milliseconds(passIntervalMs_));
        link_->SetTransferWait(transferWait_);
    }
    if (!live_)
        live_ = std::make_unique<CRecSession>(&units_);
    link_->Start();
    link_->Resume();
    values_ = QStringList{ResourceString(1032)};
    connected_ = false;
    phase_ = MonitorPhase::Scanning;
    pollToggle_ = 0;
    clockVerified_ = false;
    clockSeen_ = false;
    firstClock_ = 0;
    stallCount_ = 0;
    firmwareChecked_ = false;
    processedStatuses_ = 0;
    lastTimeText_.clear();
    link_->RequestScan();
    if (refreshViews_)
        refreshViews_();
}

void CInstrumentMonitor::Drop() {
    connected_ = false;
    if (link_)
        link_->ClearDrive();
    // Nothing live is left to show once the logger is gone.
    liveStats_ = {};
    ClearLiveData();
    if (refreshViews_)
        refreshViews_();
}

void CInstrumentMonitor::Disconnect() {
    Drop();
}

void CInstrumentMonitor::OnDeviceChange() {
    deviceChanged_ = true;
    if (link_)
        link_->Pause();
}

void CInstrumentMonitor::MonitorTick() {
    if (inTick_ || busy_ || !link_)
        return;
    inTick_ = true;
    if (deviceChanged_) {
        if (connected_) {
            if (!drives_.DriveExists(link_->DriveRoot()))
                Drop();
        } else {
            Connect();
        }
        link_->Resume();
        deviceChanged_ = false;
    }
    const int64_t now = clock_.MonotonicMs();
    if (connected_ && (phase_ == MonitorPhase::PollStatus || phase_ == MonitorPhase::PollConfig)) {
        if (now - lastPollTime_ >= kPollSpacingMs) {
            const bool statusStep = phase_ == MonitorPhase::PollStatus;
            if (statusStep)
                StatusStep();
            else
                ConfigStep();
            lastPollTime_ = now;
            if (statusStep && refreshViews_)
                refreshViews_();
        }
    } else if (phase_ == MonitorPhase::Scanning && link_->IsIdle()) {
        if (link_->DriveIndex() >= 0) {
            connected_ = true;
            ClearLiveData();
            phase_ = MonitorPhase::PollStatus;
            pollToggle_ = 0;
            StatusStep();
            lastPollTime_ = now;
            if (refreshViews_)
                refreshViews_();
        } else {
            phase_ = MonitorPhase::Idle;
            connected_ = false;
            // The page said "Établir une connexion"; it now says there is no logger.
            if (refreshViews_)
                refreshViews_();
        }
    }
    inTick_ = false;
}

void CInstrumentMonitor::StatusStep() {
    if (pollToggle_ == 0) {
        link_->RequestStatusRead();
        pollToggle_ = 1;
        return;
    }
    if (!link_->IsIdle())
        return;
    pollToggle_ = 0;
    const int length = std::min(link_->ReadLength(), kTextRead);
    if (length <= 0) {
        if (values_.isEmpty())
            values_.append(QString());
        values_[0] = ResourceString(655);
        return;
    }
    const char* text = link_->StatusBuffer();
    if (!IsLoggerStatusText(text, length)) {
        Drop();
        return;
    }
    status_.ReadTexts(text, length);
    if (status_.time == lastTimeText_)
        return;

    freeMemory_ = status_.MemorySize() - status_.MemoryUsed();
    freeMemoryText_ = QString::number(freeMemory_);
    const int modelCode = status_.ModelCode();
    if (modelCode != labelsModelCode_ || labels_.isEmpty())
        RebuildLabels(modelCode);
    const int tcIndex = modelCode == kThermocoupleModelCode && clockVerified_ ? config_.tcIndex : 0;
    const int index = FindModelEntry(modelCode, tcIndex);
    if (index != modelIndex_) {
        modelIndex_ = index;
        haveSampleTime_ = false;
        ClearLiveData();
    }
    const int64_t duration = status_.RecordingDuration();
    recDurText_ = duration != 0
                      ? FormatSecondsClock(static_cast<quint32>(std::clamp<int64_t>(duration, 0, UINT32_MAX))).Joined()
                      : ResourceString(612);
    if (!clockVerified_) {
        phase_ = MonitorPhase::PollConfig;
        return;
    }
    status_.ReadNumbers(text, length);
    ComputeLiveValues();
    AddLiveSample();
    lastTimeText_ = status_.time;
    UpdateLiveStatistics();
    RebuildValues();
    ++processedStatuses_;
    if (firmwareCheckEnabled_ && !firmwareChecked_ && hooks_) {
        firmwareChecked_ = true;
        hooks_->CheckFirmware();
    }
    phase_ = MonitorPhase::PollConfig;
    erasing_ = status_.IsErasing();
    if (hooks_) {
        if (erasing_ && !hooks_->IsEraseWindowShowing())
            hooks_->OpenEraseWindow(status_.MemorySize());
        else if (!erasing_ && hooks_->IsEraseWindowShowing())
            hooks_->CloseEraseWindow();
    }
}

void CInstrumentMonitor::ConfigStep() {
    if (pollToggle_ == 0) {
        link_->RequestConfigRead();
        pollToggle_ = 1;
        return;
    }
    if (!link_->IsIdle())
        return;
    pollToggle_ = 0;
    const int length = std::min(link_->ReadLength(), kTextRead);
    if (length <= 0)
        return;
    config_.Read(link_->ConfigBuffer(), length, modelIndex_ < 0 ? 0 : modelIndex_);
    CheckClock();
    phase_ = MonitorPhase::PollStatus;
}

void CInstrumentMonitor::CheckClock() {
    if (clockVerified_)
        return;
    const int64_t t = InstrumentSeconds(status_.time);
    if (!clockSeen_) {
        firstClock_ = t;
        clockSeen_ = true;
    } else if (t > firstClock_) {
        clockVerified_ = true;
        clockSeen_ = false;
    } else {
        // The first poll stores the clock; seven more without an advance drop the logger.
        if (stallCount_++ > 5)
            Drop();
    }
}

bool CInstrumentMonitor::IsFilteredKind() const {
    const ChannelKindType kind = ModelTableRow(modelIndex_).Kind;
    return kind == ChannelKindType::Voltage || kind == ChannelKindType::Current ||
           kind == ChannelKindType::Rtd || kind == ChannelKindType::Thermocouple;
}

void CInstrumentMonitor::ComputeLiveValues() {
    const InstrumentStatusRecord& s = status_;
    const double voltsPerCount = s.maxCount != 0.0 ? s.vRef / s.maxCount : 0.0;
    batteryVoltage_ = s.batteryCount * voltsPerCount * 3.0;

    const int window = std::clamp(config_.filterSize, 1, MovingAverage::kMaxWindow);
    if (channelAverage_.Window() != window) {
        channelAverage_.SetWindow(window);
        resistanceAverage_.SetWindow(window);
    }
    if (s.hasRtdCount) {
        averagedRtdCount_ = resistanceAverage_.Add(s.rtdCount);
        const double n = averagedRtdCount_;
        sensorResistance_ = s.maxCount != n ? n * s.rtdReference / (s.maxCount - n) : INFINITY;
    } else {
        sensorResistance_ = 1000.0;
    }
    sensorTemperature_ = RtdResistanceToCelsius(s.rtdNominal, sensorResistance_);
    channelCount_ = IsFilteredKind() ? channelAverage_.Add(s.chan1Count) : s.chan1Count;
}

void CInstrumentMonitor::ClearLiveData() {
    if (!live_)
        return;
    live_->ChanData().ClearRecords();
    haveSampleTime_ = false;
}

void CInstrumentMonitor::StartLiveChannel(int64_t firstTime) {
    CRecSession& live = *live_;
    const ModelEntry& entry = ModelTableRow(modelIndex_);
    live.SelectModel(entry.ModelCode, entry.TcIndex);
    CChanData& chan = live.ChanData();
    chan.ClearRecords();
    chan.SetModel(modelIndex_);
    chan.AddChannel(modelIndex_, firstTime);
}

void CInstrumentMonitor::AddLiveSample() {
    if (!live_ || modelIndex_ <= 0)
        return;
    const InstrumentStatusRecord& s = status_;
    const ModelEntry& entry = ModelTableRow(modelIndex_);
    const int64_t now = InstrumentSeconds(s.time);
    CChanData& chan = live_->ChanData();
    if (!chan.HasRecord())
        StartLiveChannel(ParseDateTimeText(s.time).ToLocalTimeStamp());
    const bool event = entry.Kind == ChannelKindType::Event;
    if (!event && haveSampleTime_ && chan.ValueCount() > 0) {
        const int64_t period = std::max(1, SaturatingRound(entry.SampleInterval));
        if ((now - previousSampleTime_) / period >= 2)
            StartLiveChannel(ParseDateTimeText(s.time).ToLocalTimeStamp());
    }
    const KindFlags flags = KindFlags::Of(entry.Kind);
    chan.SetConversion(config_.tcIndex, config_.CjcOn(), config_.PolarityOn(), flags.linear,
                       ParseLeadingInt(entry.RangeLow()), ParseLeadingInt(entry.RangeHigh()),
                       config_.lowScale, config_.highScale, 1);
    chan.SetRtdParameters(s.rtdReference, s.rtdNominal, s.maxCount);
    chan.RefreshTemperatureUnit();
    live_->SetDisplayUnits(ChannelUnits());
    if (event) {
        chan.AppendLiveSample(channelCount_ & 0xFFFF, 0.0);
    } else {
        const bool rtd = entry.Kind == ChannelKindType::Rtd;
        const MovingAverage& filter = rtd ? resistanceAverage_ : channelAverage_;
        if (!IsFilteredKind() || filter.Held() >= config_.filterSize) {
            // A zero full-scale count leaves no way to convert the reading.
            double factor = 1.0;
            if (!rtd && !flags.pulse)
                factor = s.maxCount != 0.0 ? s.chan1Mult * s.vRef / s.maxCount : std::nan("");
            chan.SetCountScale(factor);
            double cjcEmf = 0.0;
            if (flags.thermocouple)
                cjcEmf = IsValueMarker(sensorTemperature_)
                             ? std::nan("")
                             : ThermocoupleCelsiusToMv(config_.tcIndex, sensorTemperature_);
            chan.AppendLiveSample(rtd ? averagedRtdCount_ : channelCount_, cjcEmf);
        }
    }
    previousSampleTime_ = now;
    haveSampleTime_ = true;
}

void CInstrumentMonitor::UpdateLiveStatistics() {
    liveStats_ = {};
    if (!live_ || !live_->ChanData().HasRecord())
        return;
    const CChanData& chan = live_->ChanData();
    const QString units = ChannelUnits();
    const RangeStatisticsTexts t = chan.RangeStatistics(false, 0, 0, units);
    liveStats_ = {t.min, t.max, t.avg, t.last, t.total, QString(), t.eventTotal};
    if (chan.Flags().event && !chan.Events().empty()) {
        const SessionEvent& e = chan.Events().back();
        liveStats_.eventLength = chan.EventLengthAt(e.startSeconds, e.startMs);
    } else if (chan.Flags().event) {
        liveStats_.eventLength = ResourceString(616);
    }
}

QString CInstrumentMonitor::ChannelUnits() const {
    const ModelEntry& entry = ModelTableRow(modelIndex_ < 0 ? 0 : modelIndex_);
    if (KindFlags::Of(entry.Kind).temperature)
        return ResourceString(units_.UseFahrenheit() ? 651 : 650);
    if (!config_.units.isEmpty())
        return config_.units;
    return entry.UnitText();
}

void CInstrumentMonitor::RebuildLabels(int modelCode) {
    labelsModelCode_ = modelCode;
    const ModelEntry& entry = ModelTableRow(FindModelEntry(modelCode, 0));
    const KindFlags flags = KindFlags::Of(entry.Kind);
    const bool thermocouple = flags.thermocouple;
    const bool rtd = flags.rtd;
    layout_ = {
        {654, RowType::Connection},      {0, RowType::Blank},
        {660, RowType::Model},           {1023, RowType::Serial},
        {1024, RowType::Version},        {0, RowType::Blank},
        {1028, RowType::MemoryTotal},    {1030, RowType::MemoryUsed},
        {1031, RowType::MemoryFree},     {0, RowType::Blank},
        {1025, RowType::Clock},          {0, RowType::Blank},
        {628, RowType::RecordingState},  {1046, RowType::RecordingStart},
        {1047, RowType::RecordingEnd},   {1048, RowType::RecordingDuration},
        {785, RowType::TimeLeft},        {0, RowType::Blank},
        {1021, RowType::Channel},        {1027, RowType::Battery},
        {0, RowType::Blank},
    };
    if (thermocouple)
        layout_.push_back({817, RowType::RangeOrLowScale});
    else if (!rtd)
        layout_.push_back({1051, RowType::RangeOrLowScale});
    if (!thermocouple && !rtd)
        layout_.push_back({1052, RowType::HighScale});
    layout_.push_back({1053, RowType::Units});
    layout_.push_back({0, RowType::Blank});
    if (thermocouple) {
        layout_.push_back({1056, RowType::TcType});
        layout_.push_back({1054, RowType::Cjc});
    }
    if (thermocouple || rtd)
        layout_.push_back({0, RowType::Blank});
    if (!flags.event)
        layout_.push_back({1055, RowType::FilterSize});
    labels_.clear();
    for (const PageRow& row : layout_)
        labels_.append(row.labelId ? ResourceString(row.labelId) : QString());
}

void CInstrumentMonitor::RebuildValues() {
    values_.clear();
    for (const PageRow& row : layout_)
        values_.append(RowValue(row.type));
}

QString CInstrumentMonitor::RowValue(RowType type) const {
    const InstrumentStatusRecord& s = status_;
    const ModelEntry& entry = ModelTableRow(modelIndex_ < 0 ? 0 : modelIndex_);
    const KindFlags flags = KindFlags::Of(entry.Kind);
    const bool recording = s.IsRecording();
    const bool planned = recording || s.RecordingDuration() != 0;
    const auto scaleLine = [&](const QString& rangeEnd, float scale) {
        return QStringLiteral("%1 %2 = %3 %4")
            .arg(rangeEnd, entry.UnitText(), FormatTrimmed(8, scale), ChannelUnits());
    };
    switch (type) {
    case RowType::Blank:
        return QString();
    case RowType::Connection:
        return ResourceString(656);
    case RowType::Model:
        return ModelDisplayName(s.ModelCode(), true, config_.PolarityOn());
    case RowType::Serial:
        return s.serial;
    case RowType::Version:
        return s.version;
    case RowType::MemoryTotal:
        return QString::number(s.MemorySize() / 1000) + ResourceString(775);
    case RowType::MemoryUsed:
        return MemoryText(s.MemoryUsed());
    case RowType::MemoryFree:
        return MemoryText(freeMemory_);
    case RowType::Clock:
        return DateTimeDisplay(s.time);
    case RowType::RecordingState:
        return ResourceString(recording ? 658 : 659);
    case RowType::RecordingStart:
        return planned ? DateTimeDisplay(s.recStart) : QString();
    case RowType::RecordingEnd:
        return planned ? DateTimeDisplay(s.recEnd) : QString();
    case RowType::RecordingDuration:
        return planned ? recDurText_ : QString();
    case RowType::TimeLeft: {
        if (!recording)
            return QString();
        const int64_t left = InstrumentSeconds(s.recEnd) - InstrumentSeconds(s.time);
        return left < 0 ? ResourceString(612)
                        : FormatSecondsClock(static_cast<quint32>(std::min<int64_t>(left, UINT32_MAX))).Joined();
    }
    case RowType::Channel: {
        if (!flags.event)
            return liveStats_.last;
        QString bits;
        const bool rising = config_.PolarityOn();
        for (int b = 15; b >= 0; --b) {
            const bool set = (channelCount_ >> b) & 1;
            bits += set == rising ? u'1' : u'0';
        }
        return bits;
    }
    case RowType::Battery:
        return FormatFixed(batteryVoltage_, 2) + QStringLiteral(" Vdc");
    case RowType::RangeOrLowScale: {
        if (flags.thermocouple) {
            const int i = config_.tcIndex >= 0 && config_.tcIndex < 8 ? config_.tcIndex : 0;
            CelsiusRange r = kThermocoupleRanges[i];
            if (units_.UseFahrenheit())
                r = {r.low * 1.8 + 32, r.high * 1.8 + 32};
            return FormatResource(818, {FormatTrimmed(2, r.low), FormatTrimmed(2, r.high)});
        }
        return flags.event ? QString() : scaleLine(entry.RangeLow(), config_.lowScale);
    }
    case RowType::HighScale:
        return flags.event ? QString() : scaleLine(entry.RangeHigh(), config_.highScale);
    case RowType::Units:
        return ChannelUnits();
    case RowType::TcType:
        return config_.tcType;
    case RowType::Cjc:
        return ResourceString(config_.CjcOn() ? 630 : 631);
    case RowType::FilterSize:
        return QStringLiteral("%1 ").arg(config_.filterSize) +
               ResourceString(config_.filterSize == 1 ? 764 : 765);
    }
    return QString();
}

bool CInstrumentMonitor::ShowsWholePage() const {
    return connected_ && values_.size() > 1;
}

QStringList CInstrumentMonitor::PageLabels() const {
    return ShowsWholePage() ? labels_ : QStringList{ResourceString(654)};
}

QStringList CInstrumentMonitor::PageValues() const {
    if (ShowsWholePage())
        return values_;
    // Until a first full status the connection row stands alone.
    if (connected_ || phase_ == MonitorPhase::Scanning)
        return {values_.value(0, ResourceString(1032))};
    return {ResourceString(655)};
}
