#include "core/instrument/InstrumentPage.h"

#include "core/common/CalendarDateTime.h"
#include "core/common/DurationFormat.h"
#include "core/common/StringTable.h"
#include "core/common/Temperature.h"
#include "core/common/TimeFormat.h"
#include "core/common/ValueFormat.h"
#include "core/instrument/ControlBlock.h"
#include "core/instrument/InstrumentRecords.h"
#include "core/session/ModelTable.h"

#include <algorithm>

namespace {

QString MemoryText(int64_t bytes) {
    if (bytes < 1000)
        return QString::number(bytes) + ResourceString(TextId::kBytes);
    return QString::number(bytes / 1000) + ResourceString(TextId::kKiloBytes);
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

} // namespace

void InstrumentPage::ShowConnecting() {
    values_ = QStringList{ResourceString(TextId::kConnect)};
}

void InstrumentPage::ShowStatusUnread() {
    if (values_.isEmpty())
        values_.append(QString());
    values_[0] = ResourceString(TextId::kDisconnected);
}

void InstrumentPage::RebuildLabels(int modelCode) {
    labelsModelCode_ = modelCode;
    const ModelEntry& entry = ModelTableRow(FindModelEntry(modelCode, 0));
    const KindFlags flags = KindFlags::Of(entry.Kind);
    const bool thermocouple = flags.thermocouple;
    const bool rtd = flags.rtd;
    layout_ = {
        {TextId::kConnectionState, RowType::Connection},
        {0, RowType::Blank},
        {TextId::kModelHeader, RowType::Model},
        {TextId::kPageSerialNumber, RowType::Serial},
        {TextId::kFirmwareVersion, RowType::Version},
        {0, RowType::Blank},
        {TextId::kTotalMemory, RowType::MemoryTotal},
        {TextId::kUsedMemory, RowType::MemoryUsed},
        {TextId::kFreeMemory, RowType::MemoryFree},
        {0, RowType::Blank},
        {TextId::kInstrumentClock, RowType::Clock},
        {0, RowType::Blank},
        {TextId::kRecordingState, RowType::RecordingState},
        {TextId::kPageRecordingStart, RowType::RecordingStart},
        {TextId::kPageRecordingEnd, RowType::RecordingEnd},
        {TextId::kPageRecordingLength, RowType::RecordingDuration},
        {TextId::kTimeLeft, RowType::TimeLeft},
        {0, RowType::Blank},
        {TextId::kPageChannel1, RowType::Channel},
        {TextId::kBatteryVoltage, RowType::Battery},
        {0, RowType::Blank},
    };
    if (thermocouple)
        layout_.push_back({TextId::kRange, RowType::RangeOrLowScale});
    else if (!rtd)
        layout_.push_back({TextId::kScaleLow, RowType::RangeOrLowScale});
    if (!thermocouple && !rtd)
        layout_.push_back({TextId::kScaleHigh, RowType::HighScale});
    layout_.push_back({TextId::kChannelUnits, RowType::Units});
    layout_.push_back({0, RowType::Blank});
    if (thermocouple) {
        layout_.push_back({TextId::kTcType, RowType::TcType});
        layout_.push_back({TextId::kCjcOn, RowType::Cjc});
    }
    if (thermocouple || rtd)
        layout_.push_back({0, RowType::Blank});
    if (!flags.event)
        layout_.push_back({TextId::kFilterSize, RowType::FilterSize});
    labels_.clear();
    for (const PageRow& row : layout_)
        labels_.append(row.labelId ? ResourceString(row.labelId) : QString());
}

void InstrumentPage::RebuildValues(const InstrumentPageInputs& in) {
    values_.clear();
    for (const PageRow& row : layout_)
        values_.append(RowValue(row.type, in));
}

QString InstrumentPage::RowValue(RowType type, const InstrumentPageInputs& in) {
    const InstrumentStatusRecord& s = in.status;
    const InstrumentConfigRecord& config = in.config;
    const ModelEntry& entry = ModelTableRow(in.modelIndex < 0 ? 0 : in.modelIndex);
    const KindFlags flags = KindFlags::Of(entry.Kind);
    const bool recording = s.IsRecording();
    const bool planned = recording || s.RecordingDuration() != 0;
    const auto scaleLine = [&](const QString& rangeEnd, float scale) {
        return QStringLiteral("%1 %2 = %3 %4")
            .arg(rangeEnd, entry.UnitText(), FormatTrimmed(8, scale), in.channelUnits);
    };
    switch (type) {
    case RowType::Blank:
        return QString();
    case RowType::Connection:
        return ResourceString(TextId::kConnected);
    case RowType::Model:
        return ModelDisplayName(s.ModelCode(), true, config.PolarityOn());
    case RowType::Serial:
        return s.serial;
    case RowType::Version:
        return s.version;
    case RowType::MemoryTotal:
        return QString::number(s.MemorySize() / 1000) + ResourceString(TextId::kKiloBytes);
    case RowType::MemoryUsed:
        return MemoryText(s.MemoryUsed());
    case RowType::MemoryFree:
        return MemoryText(in.freeMemory);
    case RowType::Clock:
        return DateTimeDisplay(s.time);
    case RowType::RecordingState:
        return ResourceString(recording ? TextId::kRecording : TextId::kNotRecording);
    case RowType::RecordingStart:
        return planned ? DateTimeDisplay(s.recStart) : QString();
    case RowType::RecordingEnd:
        return planned ? DateTimeDisplay(s.recEnd) : QString();
    case RowType::RecordingDuration:
        return planned ? in.recordingDuration : QString();
    case RowType::TimeLeft: {
        if (!recording)
            return QString();
        const int64_t left = InstrumentSeconds(s.recEnd) - InstrumentSeconds(s.time);
        return left < 0
                   ? ResourceString(TextId::kNoValue)
                   : FormatSecondsClock(static_cast<quint32>(std::min<int64_t>(left, UINT32_MAX)))
                         .Joined();
    }
    case RowType::Channel: {
        if (!flags.event)
            return in.lastValue;
        QString bits;
        const bool rising = config.PolarityOn();
        for (int b = 15; b >= 0; --b) {
            const bool set = (in.channelCount >> b) & 1;
            bits += set == rising ? u'1' : u'0';
        }
        return bits;
    }
    case RowType::Battery:
        return FormatFixed(in.batteryVoltage, 2) + QStringLiteral(" Vdc");
    case RowType::RangeOrLowScale: {
        if (flags.thermocouple) {
            CelsiusRange r = ThermocoupleRangeCelsius(config.tcIndex);
            if (in.fahrenheit)
                r = {CelsiusToDisplay(r.low, true), CelsiusToDisplay(r.high, true)};
            return FormatResource(TextId::kRangeFromTo,
                                  {FormatTrimmed(2, r.low), FormatTrimmed(2, r.high)});
        }
        return flags.event ? QString() : scaleLine(entry.RangeLow(), config.lowScale);
    }
    case RowType::HighScale:
        return flags.event ? QString() : scaleLine(entry.RangeHigh(), config.highScale);
    case RowType::Units:
        return in.channelUnits;
    case RowType::TcType:
        return config.tcType;
    case RowType::Cjc:
        return ResourceString(config.CjcOn() ? TextId::kYes : TextId::kNo);
    case RowType::FilterSize:
        return QStringLiteral("%1 ").arg(config.filterSize) +
               ResourceString(config.filterSize == 1 ? TextId::kPoint : TextId::kPoints);
    }
    return QString();
}

bool InstrumentPage::ShowsWholePage(bool connected) const {
    return connected && values_.size() > 1;
}

QStringList InstrumentPage::Labels(bool connected) const {
    return ShowsWholePage(connected) ? labels_
                                     : QStringList{ResourceString(TextId::kConnectionState)};
}

QStringList InstrumentPage::Values(bool connected, bool scanning) const {
    if (ShowsWholePage(connected))
        return values_;
    // Until a first full status the connection row stands alone.
    if (connected || scanning)
        return {values_.value(0, ResourceString(TextId::kConnect))};
    return {ResourceString(TextId::kDisconnected)};
}
