#include "core/instrument/LiveChannel.h"

#include "core/common/CalendarDateTime.h"
#include "core/common/Divider.h"
#include "core/common/LeadingNumber.h"
#include "core/common/Rounding.h"
#include "core/common/StringTable.h"
#include "core/common/Temperature.h"
#include "core/common/ValueMarkers.h"
#include "core/instrument/ControlBlock.h"
#include "core/instrument/InstrumentRecords.h"
#include "core/session/CRecSession.h"
#include "core/session/ChannelTexts.h"
#include "core/session/ModelTable.h"
#include "core/session/SessionFile.h"
#include "core/session/ThermocoupleEmf.h"

#include <algorithm>
#include <cmath>

namespace {

int64_t InstrumentSeconds(const QString& text) {
    return InstrumentTimeValue(ParseDateTimeText(text));
}

bool IsFilteredKind(int modelIndex) {
    const ChannelKindType kind = ModelTableRow(modelIndex).Kind;
    return kind == ChannelKindType::Voltage || kind == ChannelKindType::Current ||
           kind == ChannelKindType::Rtd || kind == ChannelKindType::Thermocouple;
}

} // namespace

LiveChannel::LiveChannel(const TemperatureUnitSource& units) : units_(units) {}

LiveChannel::~LiveChannel() = default;

void LiveChannel::Create() {
    if (!data_)
        data_ = std::make_unique<CRecSession>(&units_);
}

void LiveChannel::Clear() {
    haveSampleTime_ = false;
    if (data_)
        data_->ChanData().ClearRecords();
}

void LiveChannel::ComputeValues(const InstrumentStatusRecord& s,
                                const InstrumentConfigRecord& config, int modelIndex) {
    const double voltsPerCount = s.maxCount != 0.0 ? s.vRef / s.maxCount : 0.0;
    batteryVoltage_ = s.batteryCount * voltsPerCount * 3.0;

    const int window = std::clamp(config.filterSize, 1, MovingAverage::kMaxWindow);
    if (channelAverage_.Window() != window) {
        channelAverage_.SetWindow(window);
        resistanceAverage_.SetWindow(window);
    }
    if (s.hasRtdCount) {
        averagedRtdCount_ = resistanceAverage_.Add(s.rtdCount);
        sensorResistance_ = DividerResistance(s.rtdReference, averagedRtdCount_, s.maxCount);
    } else {
        sensorResistance_ = 1000.0;
    }
    sensorTemperature_ = RtdResistanceToCelsius(s.rtdNominal, sensorResistance_);
    channelCount_ = IsFilteredKind(modelIndex) ? channelAverage_.Add(s.chan1Count) : s.chan1Count;
}

void LiveChannel::StartChannel(int modelIndex, int64_t firstTime) {
    CRecSession& live = *data_;
    const ModelEntry& entry = ModelTableRow(modelIndex);
    live.SelectModel(entry.ModelCode, entry.TcIndex);
    CChanData& chan = live.ChanData();
    chan.ClearRecords();
    chan.SetModel(modelIndex);
    // The reading in hand is value 0: the record starts where a recording would have to.
    chan.AddChannel(modelIndex, firstTime - chan.FirstValueOffset());
}

void LiveChannel::AddSample(const InstrumentStatusRecord& s, const InstrumentConfigRecord& config,
                            int modelIndex, const QString& units) {
    if (!data_ || modelIndex < 0)
        return;
    const ModelEntry& entry = ModelTableRow(modelIndex);
    unknownModel_ = entry.Kind == ChannelKindType::Undefined;
    // A count of an unknown channel means nothing: it is shown as no value, and not kept.
    if (unknownModel_)
        return;
    const int64_t now = InstrumentSeconds(s.time);
    CChanData& chan = data_->ChanData();
    if (!chan.HasRecord())
        StartChannel(modelIndex, ParseDateTimeText(s.time).ToLocalTimeStamp());
    const bool event = entry.Kind == ChannelKindType::Event;
    if (!event && haveSampleTime_ && chan.ValueCount() > 0) {
        const int64_t period = std::max(1, SaturatingRound(entry.SampleInterval));
        if ((now - previousSampleTime_) / period >= 2)
            StartChannel(modelIndex, ParseDateTimeText(s.time).ToLocalTimeStamp());
    }
    const KindFlags flags = KindFlags::Of(entry.Kind);
    chan.SetConversion(ConversionSettings{
        .tcIndex = config.tcIndex,
        .cjc = config.CjcOn(),
        .polarity = config.PolarityOn(),
        .linear = flags.linear,
        .rangeLow = static_cast<double>(LeadingInt(entry.RangeLow(), LeadingBlankType::SpaceOrTab)),
        .rangeHigh =
            static_cast<double>(LeadingInt(entry.RangeHigh(), LeadingBlankType::SpaceOrTab)),
        .scaleLow = config.lowScale,
        .scaleHigh = config.highScale,
        .filterSize = 1});
    chan.SetRtdParameters(s.rtdReference, s.rtdNominal, s.maxCount);
    chan.RefreshTemperatureUnit();
    data_->SetDisplayUnits(units);
    if (event) {
        chan.AppendLiveSample(channelCount_ & 0xFFFF, 0.0);
    } else {
        const bool rtd = entry.Kind == ChannelKindType::Rtd;
        const MovingAverage& filter = rtd ? resistanceAverage_ : channelAverage_;
        if (!IsFilteredKind(modelIndex) || filter.Held() >= config.filterSize) {
            // A zero full-scale count leaves no way to convert the reading.
            double factor = 1.0;
            if (!rtd && !flags.pulse)
                factor = s.maxCount != 0.0 ? s.chan1Mult * s.vRef / s.maxCount : std::nan("");
            chan.SetCountScale(factor);
            double cjcEmf = 0.0;
            if (flags.thermocouple)
                cjcEmf = IsValueMarker(sensorTemperature_)
                             ? std::nan("")
                             : ThermocoupleCelsiusToMv(config.tcIndex, sensorTemperature_);
            chan.AppendLiveSample(rtd ? averagedRtdCount_ : channelCount_, cjcEmf);
        }
    }
    previousSampleTime_ = now;
    haveSampleTime_ = true;
}

void LiveChannel::UpdateStatistics(const QString& units) {
    statistics_ = {};
    if (unknownModel_) {
        const QString none = ResourceString(TextId::kNoValue);
        statistics_ = {none, none, none, none, none, QString(), QString()};
        return;
    }
    if (!data_ || !data_->ChanData().HasRecord())
        return;
    const CChanData& chan = data_->ChanData();
    const RangeStatisticsTexts t = ChannelTexts(chan).RangeStatistics(false, 0, 0, units);
    statistics_ = {t.min, t.max, t.avg, t.last, t.total, QString(), t.eventTotal};
    if (chan.Flags().event && !chan.Events().empty()) {
        const SessionEvent& e = chan.Events().back();
        statistics_.eventLength = ChannelTexts(chan).EventLengthAt(e.startSeconds, e.startMs);
    } else if (chan.Flags().event) {
        statistics_.eventLength = ResourceString(TextId::kOff);
    }
}
