#include "core/session/CChanData.h"

#include "core/common/Divider.h"
#include "core/common/Rounding.h"
#include "core/common/Temperature.h"
#include "core/common/TemperatureUnitSource.h"
#include "core/common/ValueMarkers.h"
#include "core/session/MovingAverage.h"
#include "core/session/ThermocoupleEmf.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Raw counts [begin, end) through the filter: the average after each count past the filter's
// first `skip` becomes, through `convert`, the value `skip` places before it.
template <typename Convert>
void AverageCounts(MovingAverage& average, const int32_t* raw, double* values, std::size_t begin,
                   std::size_t end, std::size_t skip, Convert convert) {
    for (std::size_t i = begin; i < end; ++i) {
        const int a = average.Add(raw[i]);
        if (i >= skip)
            values[i - skip] = convert(a);
    }
}

} // namespace

CChanData::CChanData(const TemperatureUnitSource* units) : units_(units) {}

void CChanData::SetModel(int row) {
    row_ = row < 0 || row >= kModelTableRows ? 0 : row;
    flags_ = KindFlags::Of(Entry().Kind);
    if (!channels_.empty()) {
        channels_[0]->SetEntry(Entry());
        channels_[0]->SetLabel(Entry().LabelText());
    }
}

CChanRecord& CChanData::AddChannel(int row, int64_t startTime) {
    const ModelEntry& entry = ModelTableRow(row);
    CChanRecordList* channel = nullptr;
    for (const auto& c : channels_) {
        if (c->TcIndex() == entry.TcIndex && c->SubKey() == entry.SubKey) {
            channel = c.get();
            break;
        }
    }
    if (!channel) {
        channels_.push_back(std::make_unique<CChanRecordList>());
        channel = channels_.back().get();
    }
    channel->SetEntry(entry);
    channel->SetLabel(entry.LabelText());
    channel->SetName(entry.NameText());
    return channel->AddRecord(this, startTime);
}

void CChanData::SetConversion(const ConversionSettings& settings) {
    ConversionSettings stored = settings;
    stored.filterSize = std::max(1, settings.filterSize);
    if (configured_ && stored == conversion_)
        return;
    conversion_ = stored;
    cjcEmfs_.Clear();

    const double rangeLow = stored.rangeLow;
    const double rangeHigh = stored.rangeHigh;
    const double scaleLow = stored.scaleLow;
    const double scaleHigh = stored.scaleHigh;
    const double gain = Entry().Gain;
    if (stored.linear) {
        overThreshold_ = rangeHigh * 1.1;
        underThreshold_ = rangeLow < 0 ? rangeLow * 0.9 : rangeHigh * -1.1;
        double factor = 1.0;
        if (rangeHigh != rangeLow && scaleHigh != scaleLow)
            factor = (scaleHigh - scaleLow) / (rangeHigh - rangeLow);
        // A reversed scale has a negative factor; its magnitude sets the resolution.
        const double digits = std::ceil(std::log10(std::fabs(factor)));
        extraDecimals_ =
            std::isfinite(digits) && digits > 0 ? static_cast<int>(std::min(digits, 9.0)) : 0;
        scalingFactor_ = factor * gain;
    } else {
        scalingFactor_ = gain;
        extraDecimals_ = 0;
    }
    configured_ = true;
}

void CChanData::SetRtdParameters(double reference, double nominal, double fullScaleCount) {
    rtdReference_ = reference;
    rtdNominal_ = nominal;
    fullScaleCount_ = fullScaleCount;
    cjcEmfs_.Clear();
}

void CChanData::SetCountScale(double scale) {
    if (HasRecord())
        FirstRecord().SetCountScale(scale);
}

void CChanData::Reserve(std::size_t samples) {
    if (HasRecord())
        FirstRecord().Reserve(samples);
}

inline double CChanData::ConvertPlainValue(double v) const {
    if (!std::isfinite(v))
        return NoValue;
    if (v < underThreshold_)
        return UnderRangeValue;
    if (flags_.rangeCheck && v > overThreshold_)
        return OverRangeValue;
    if (flags_.linear && configured_ && conversion_.rangeHigh != conversion_.rangeLow)
        return (v - conversion_.rangeLow) * scalingFactor_ + conversion_.scaleLow;
    return v;
}

double CChanData::ConvertValue(double v, double cjcEmf) const {
    if (!std::isfinite(v))
        return NoValue;
    if (flags_.thermocouple) {
        if (conversion_.cjc) {
            if (!std::isfinite(cjcEmf))
                return NoValue;
            v += cjcEmf;
        }
        ConvertMillivolts({&v, 1});
        return v;
    }
    if (flags_.rtd) {
        const double resistance = DividerResistance(rtdReference_, v, fullScaleCount_);
        if (std::isnan(resistance))
            return NoValue;
        const double t = RtdResistanceToCelsius(rtdNominal_, resistance);
        return IsValueMarker(t) ? t : CelsiusToDisplay(t, fahrenheit_);
    }
    return ConvertPlainValue(v);
}

void CChanData::ConvertMillivolts(std::span<double> emfMv) const {
    ThermocoupleMvToCelsiusInPlace(static_cast<unsigned>(conversion_.tcIndex), emfMv);
    if (fahrenheit_)
        for (double& v : emfMv)
            if (!IsValueMarker(v))
                v = CelsiusToDisplay(v, true);
}

double CChanData::PulseValue(int32_t count) const {
    const double v = ConvertValue(static_cast<double>(count), 0.0);
    if (IsValueMarker(v))
        return v;
    const ModelEntry& e = Entry();
    const int stepsPerUnit =
        SaturatingRound(std::pow(10.0, e.Decimals)) / (e.Step == 0 ? 1 : e.Step);
    return RoundToStep(stepsPerUnit, v);
}

double CChanData::CountScaleFor(const CChanRecord& r) const {
    return flags_.pulse || flags_.event || flags_.rtd ? 1.0 : r.CountScale();
}

double CChanData::ComputeColdJunctionEmf(int averagedCount) const {
    const double resistance = DividerResistance(rtdReference_, averagedCount, fullScaleCount_);
    if (std::isnan(resistance))
        return kNaN;
    const double t = RtdResistanceToCelsius(rtdNominal_, resistance);
    // A cold junction outside the sensor's range (an open or shorted sensor among them) makes
    // the compensation meaningless.
    if (IsValueMarker(t) || !std::isfinite(t))
        return kNaN;
    return ThermocoupleCelsiusToMv(conversion_.tcIndex, t);
}

void CChanData::RefreshTemperatureUnit() {
    fahrenheit_ = units_ && units_->UseFahrenheit();
}

void CChanData::ClearRecords() {
    channels_.clear();
    events_.clear();
}

void CChanData::MoveRecordsTo(int64_t start) {
    if (!HasRecord())
        return;
    const int64_t shift = start - FirstRecord().StartTime();
    if (shift == 0)
        return;
    for (const auto& channel : channels_)
        for (int i = 0; i < channel->RecordCount(); ++i)
            channel->Record(i).SetStartTime(channel->Record(i).StartTime() + shift);
    // Events carry their own times.
    if (flags_.event)
        ExtractEvents();
}

void CChanData::AppendLiveSample(int32_t count, double cjcEmf) {
    if (!HasRecord())
        return;
    CChanRecord& r = FirstRecord();
    if (flags_.pulse || flags_.event) {
        r.AppendSample(count, 0);
        if (flags_.event)
            ExtractEvents();
        return;
    }
    SampleSeries& samples = r.Samples();
    samples.AppendCount(count);
    samples.AppendValue(ConvertValue(count * CountScaleFor(r), cjcEmf));
    if (flags_.thermocouple) {
        samples.AppendCjcCount(0);
        samples.AppendCjcEmf(cjcEmf);
    }
}

void CChanData::Recompute(bool filtered) {
    BeginRecompute(filtered);
    while (!RecomputeStep(std::numeric_limits<std::size_t>::max())) {
    }
}

void CChanData::BeginRecompute(bool filtered) {
    RefreshTemperatureUnit();
    pass_.reset();
    if (flags_.event) {
        BeginEventPass();
        return;
    }
    filterSkip_ = std::max(0, conversion_.filterSize - 1);
    filterDelay_ = SaturatingRound(filterSkip_ * Entry().SampleInterval);
    // Made, then moved in: clang cannot yet default-construct a nested class with member
    // initialisers through std::optional.
    pass_.emplace(RecomputePass());
    pass_->filtered = filtered;
}

std::size_t CChanData::CountsToRecompute() const {
    if (!pass_)
        return 0;
    std::size_t total = 0;
    for (const auto& channel : channels_)
        for (int i = 0; i < channel->RecordCount(); ++i)
            total += channel->Record(i).RawCounts().size();
    return total;
}

bool CChanData::RecomputeStep(std::size_t counts) {
    if (!pass_)
        return true;
    if (pass_->events)
        return ExtractEventsStep(counts);
    RecomputePass& p = *pass_;
    while (p.channel < channels_.size()) {
        CChanRecordList& list = *channels_[p.channel];
        if (p.record >= list.RecordCount()) {
            ++p.channel;
            p.record = 0;
            continue;
        }
        CChanRecord& r = list.Record(p.record);
        if (!p.begun)
            BeginRecordPass(r);
        const std::size_t end = p.end - p.next > counts ? p.next + counts : p.end;
        counts -= end - p.next;
        ConvertRecordCounts(r, end);
        if (p.next < p.end)
            return false;
        r.Samples().EndConversion();
        p.converted += r.RawCounts().size() - p.end;
        ++p.record;
        p.begun = false;
    }
    pass_.reset();
    return true;
}

void CChanData::BeginRecordPass(CChanRecord& r) {
    RecomputePass& p = *pass_;
    SampleSeries& samples = r.Samples();
    const std::size_t counts = samples.RawCounts().size();
    const std::size_t skip = static_cast<std::size_t>(filterSkip_);
    p.begun = true;
    p.next = 0;
    p.scale = CountScaleFor(r);
    p.filter = p.filtered && !flags_.pulse && counts > skip;
    if (!p.filter) {
        // The values there are converted again in place.
        p.end = std::min(samples.BeginConversion(samples.Values().size()).size(), counts);
        return;
    }
    p.end = counts;
    samples.BeginConversion(counts - skip);
    const int window = std::min(conversion_.filterSize, MovingAverage::kMaxWindow);
    p.average.SetWindow(window);
    p.cjcAverage.SetWindow(window);
    p.compensate = flags_.thermocouple && conversion_.cjc;
    if (p.compensate)
        samples.ConvertedCjcEmf(counts - skip);
    else
        samples.DropCjcEmf();
}

void CChanData::ConvertRecordCounts(CChanRecord& r, std::size_t end) {
    RecomputePass& p = *pass_;
    const double scale = p.scale;
    const std::size_t begin = p.next;
    p.next = end;
    p.converted += end - begin;
    SampleSeries& samples = r.Samples();
    const int32_t* raw = samples.RawCounts().data();
    double* values = samples.ConversionValues().data();
    if (!p.filter) {
        const std::vector<double>& emf = samples.CjcEmf();
        for (std::size_t i = begin; i < end; ++i) {
            if (flags_.pulse)
                values[i] = PulseValue(raw[i]);
            else
                values[i] = ConvertValue(raw[i] * scale, i < emf.size() ? emf[i] : 0.0);
        }
        return;
    }
    const std::size_t skip = static_cast<std::size_t>(filterSkip_);
    MovingAverage& average = p.average;
    if (!p.compensate && !flags_.thermocouple && !flags_.rtd) {
        // Voltages and currents: the plain conversion, inlined in the hot loop.
        AverageCounts(average, raw, values, begin, end, skip,
                      [&](int a) { return ConvertPlainValue(a * scale); });
        return;
    }
    if (!p.compensate && !flags_.thermocouple) {
        AverageCounts(average, raw, values, begin, end, skip,
                      [&](int a) { return ConvertValue(a * scale, 0.0); });
        return;
    }
    // Thermocouples: the EMFs first, then their polynomials back to back.
    const std::size_t first = std::max(begin, skip) - skip;
    const std::size_t last = std::max(end, skip) - skip;
    if (!p.compensate) {
        AverageCounts(average, raw, values, begin, end, skip, [&](int a) { return a * scale; });
        ConvertMillivolts({values + first, values + last});
        return;
    }
    MovingAverage& cjcAverage = p.cjcAverage;
    const std::vector<int32_t>& cjc = samples.CjcCounts();
    const std::size_t cjcCounts = cjc.size();
    double* emf = samples.ConversionCjcEmf().data();
    for (std::size_t i = begin; i < end; ++i) {
        const int a = average.Add(raw[i]);
        const int c = cjcAverage.Add(i < cjcCounts ? cjc[i] : 0);
        // Looked up at every sample: a jittering junction would make a test for a change
        // mispredict, where the lookup nearly always hits.
        const double junctionEmf = cjcEmfs_.Get(c, [&] { return ComputeColdJunctionEmf(c); });
        if (i >= skip) {
            // A cold junction of no value (NaN) makes no value.
            values[i - skip] = a * scale + junctionEmf;
            emf[i - skip] = junctionEmf;
        }
    }
    ConvertMillivolts({values + first, values + last});
}

void CChanData::ExtractEvents() {
    BeginEventPass();
    while (!ExtractEventsStep(std::numeric_limits<std::size_t>::max())) {
    }
}

void CChanData::BeginEventPass() {
    events_.clear();
    pass_.emplace(RecomputePass());
    pass_->events = true;
}

bool CChanData::ExtractEventsStep(std::size_t words) {
    RecomputePass& p = *pass_;
    while (p.channel < channels_.size()) {
        const CChanRecordList& list = *channels_[p.channel];
        if (p.record >= list.RecordCount()) {
            ++p.channel;
            p.record = 0;
            continue;
        }
        const CChanRecord& r = list.Record(p.record);
        if (!p.begun) {
            p.begun = true;
            p.next = 0;
            p.end = r.RawCounts().size();
            p.active = false;
        }
        const std::size_t end = p.end - p.next > words ? p.next + words : p.end;
        words -= end - p.next;
        ExtractRecordEvents(r, end);
        if (p.next < p.end)
            return false;
        if (p.active)
            CloseEvent(FirstValueTime(r) + static_cast<int64_t>(p.end), 0);
        ++p.record;
        p.begun = false;
    }
    // Runs of one record come in time order; only records out of order need a sort.
    const auto earlier = [](const SessionEvent& a, const SessionEvent& b) {
        if (a.startSeconds != b.startSeconds)
            return a.startSeconds < b.startSeconds;
        if (a.startMs != b.startMs)
            return a.startMs < b.startMs;
        if (a.lengthSeconds != b.lengthSeconds)
            return a.lengthSeconds < b.lengthSeconds;
        return a.lengthMs < b.lengthMs;
    };
    if (!std::is_sorted(events_.begin(), events_.end(), earlier))
        std::sort(events_.begin(), events_.end(), earlier);
    pass_.reset();
    return true;
}

void CChanData::CloseEvent(int64_t endSeconds, int32_t endMs) {
    RecomputePass& p = *pass_;
    SessionEvent& current = p.current;
    int64_t seconds = endSeconds - current.startSeconds;
    int32_t ms = endMs - current.startMs;
    if (ms < 0) {
        ms += 1000;
        --seconds;
    }
    current.lengthSeconds = seconds;
    current.lengthMs = static_cast<int16_t>(ms);
    events_.push_back(current);
    p.active = false;
}

void CChanData::ExtractRecordEvents(const CChanRecord& r, std::size_t end) {
    RecomputePass& p = *pass_;
    const int64_t base = FirstValueTime(r);
    const std::vector<int32_t>& raw = r.RawCounts();
    const uint32_t activeBits = conversion_.polarity ? 0u : 0xFFFFu;
    for (std::size_t k = p.next; k < end; ++k) {
        // Bits set where a state is on, so that a word all off or all on is passed at once.
        const uint32_t on = (static_cast<uint32_t>(raw[k]) ^ activeBits) & 0xFFFFu;
        if ((on == 0u && !p.active) || (on == 0xFFFFu && p.active))
            continue;
        const int64_t second = base + static_cast<int64_t>(k);
        for (int b = 0; b < 16; ++b) {
            const bool stateOn = (on >> (15 - b)) & 1u;
            if (stateOn && !p.active) {
                p.current = SessionEvent{static_cast<int32_t>(k), second, 63 * b, 0, 0};
                p.active = true;
            } else if (!stateOn && p.active) {
                CloseEvent(second, 63 * b);
            }
        }
    }
    p.converted += end - p.next;
    p.next = end;
}

double CChanData::SampleSpan(bool excludeLast) const {
    if (!HasRecord())
        return 0.0;
    const int64_t samples =
        static_cast<int64_t>(FirstRecord().RawCounts().size()) - (excludeLast ? 1 : 0);
    return static_cast<double>(std::max<int64_t>(0, samples)) *
           (flags_.event ? 1.0 : Entry().SampleInterval);
}

int CChanData::ValueCount() const {
    if (channels_.empty())
        return 0;
    std::size_t n = 0;
    for (int i = 0; i < channels_[0]->RecordCount(); ++i)
        n += channels_[0]->Record(i).Values().size();
    return static_cast<int>(std::min<std::size_t>(n, INT32_MAX));
}

int64_t CChanData::FirstValueTime(const CChanRecord& record) const {
    return record.StartTime() + FirstValueOffset();
}

int CChanData::FirstValueOffset() const {
    return filterDelay_ + (flags_.event ? 0 : ValuePeriodSeconds());
}

ValueStamp CChanData::ValueStampOf(const CChanRecord& record, int64_t index) const {
    const int64_t first = FirstValueTime(record);
    if (!flags_.event)
        return {first + index * ValuePeriodSeconds(), 0};
    const int64_t ms = EventStateOffsetMs(index);
    return {first + ms / 1000, static_cast<int>(ms % 1000)};
}

ValueStamp CChanData::ValueStampAt(int64_t index) const {
    if (!HasRecord())
        return {};
    // An index past the last record counts on from it.
    const CChanRecordList& channel = *channels_[0];
    int r = 0;
    for (; r + 1 < channel.RecordCount(); ++r) {
        const auto n = static_cast<int64_t>(channel.Record(r).Values().size());
        if (index < n)
            break;
        index -= n;
    }
    return ValueStampOf(channel.Record(r), index);
}

int CChanData::DisplayDecimals() const {
    return std::max(0, Entry().Decimals + extraDecimals_);
}

double CChanData::DisplayResolution() const {
    return Entry().Step * std::pow(10.0, -DisplayDecimals());
}

int CChanData::ValuePeriodSeconds() const {
    return std::max(1, SaturatingRound(Entry().SampleInterval));
}

double CChanData::ValuePeriod() const {
    constexpr double kEventStatePeriod = 1.0 / 16.0;
    return flags_.event ? kEventStatePeriod : ValuePeriodSeconds();
}
