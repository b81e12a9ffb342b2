#include "core/instrument/ConfigurationModel.h"

#include "core/app/UserInterface.h"
#include "core/common/Clock.h"
#include "core/common/DurationFormat.h"
#include "core/common/StringTable.h"
#include "core/common/UserNumber.h"
#include "core/instrument/CommandSender.h"
#include "core/instrument/ControlBlock.h"
#include "core/instrument/InstrumentClock.h"
#include "core/instrument/InstrumentPort.h"
#include "core/instrument/RecordingDurations.h"
#include "core/session/ModelTable.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

namespace RD = RecordingDurations;

constexpr qint64 kStartLeadSeconds = 60;
constexpr qint64 kRecordNowLeadSeconds = 2;

const ModelEntry& EntryOf(int modelIndex) {
    return ModelTableRow(modelIndex < 0 ? 0 : modelIndex);
}

// What a command block's text field keeps: one byte per character, no control characters.
bool IsLoggerText(const QString& text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) {
        const char16_t u = c.unicode();
        return (u >= 0x20 && u < 0x7F) || (u >= 0xA0 && u <= 0xFF);
    });
}

} // namespace

QString ConfigurationModel::MemoryNoteText() {
    return ResourceString(TextId::kEraseBeforeRecordingNote);
}

QString ConfigurationModel::PulseScaleLabel() {
    return ResourceString(TextId::kPulsesPerSecond);
}

ConfigurationModel::ConfigurationModel(InstrumentPort& port, const Clock& clock)
    : port_(port), clock_(clock) {
    const InstrumentState s = port_.State();
    modelIndex_ = s.modelIndex;
    totalMemory_ = s.status.MemorySize();
    start_ = LoggerClock(s).AddSeconds(kStartLeadSeconds);
    end_ = start_.AddSeconds(RD::EntrySeconds(RD::kDefaultEntry, totalMemory_));
    durationEntry_ = RD::kDefaultEntry;
    clockText_ = ClockStatusText(ParseDateTimeText(s.status.time), ComputerWallClock(clock_));
    scaledLow_ = s.config.lowScale;
    scaledHigh_ = s.config.highScale;
    units_ = s.config.units;
    tcIndex_ = s.config.tcIndex;
    cjc_ = s.config.CjcOn();
    rising_ = s.config.PolarityOn();
    filterSize_ = std::clamp(s.config.filterSize, 1, kFilterSizes);
}

InstrumentState ConfigurationModel::Now() const {
    return port_.State();
}

// The logger's clock, or the computer's when the logger shows none.
CalendarDateTime ConfigurationModel::LoggerClock(const InstrumentState& state) const {
    const CalendarDateTime t = ParseDateTimeText(state.status.time);
    return t.valid ? t : ComputerWallClock(clock_);
}

ConfigGroups ConfigurationModel::Groups() const {
    ConfigGroups g;
    switch (EntryOf(modelIndex_).Kind) {
    case ChannelKindType::Voltage:
    case ChannelKindType::Current:
        g.scale = g.filter = true;
        break;
    case ChannelKindType::Pulse:
        g.scale = g.pulseLabel = true;
        break;
    case ChannelKindType::Event:
        g.edge = true;
        break;
    case ChannelKindType::Rtd:
        g.filter = true;
        break;
    case ChannelKindType::Thermocouple:
        g.thermocouple = g.filter = true;
        break;
    case ChannelKindType::Undefined:
        break;
    }
    return g;
}

QString ConfigurationModel::InputLowText() const {
    return EntryOf(modelIndex_).RangeLow();
}

QString ConfigurationModel::InputHighText() const {
    return EntryOf(modelIndex_).RangeHigh();
}

QString ConfigurationModel::TotalText() const {
    return RD::TotalMemoryText(totalMemory_);
}

bool ConfigurationModel::RadiosEnabled() const {
    return !Now().MemoryInUse();
}

RecordModeType ConfigurationModel::RecordMode() const {
    return RadiosEnabled() ? mode_ : RecordModeType::None;
}

bool ConfigurationModel::SetRecordMode(RecordModeType mode) {
    if (!RadiosEnabled())
        return false;
    mode_ = mode;
    return true;
}

void ConfigurationModel::SetStart(const CalendarDateTime& start) {
    if (!start.valid)
        return;
    start_ = start;
    RecomputeEntry();
}

void ConfigurationModel::SetEnd(const CalendarDateTime& end) {
    if (!end.valid)
        return;
    end_ = end;
    RecomputeEntry();
}

void ConfigurationModel::RecomputeEntry() {
    durationEntry_ = RD::EntryOf(SpanSeconds());
}

void ConfigurationModel::SelectDuration(int entry) {
    if (entry < 0 || entry >= RD::kEntryCount)
        return;
    durationEntry_ = entry;
    end_ = start_.AddSeconds(RD::EntrySeconds(entry, totalMemory_));
}

void ConfigurationModel::ResetDates() {
    const qint64 span = durationEntry_ == RD::kNoEntry
                            ? SpanSeconds()
                            : RD::EntrySeconds(durationEntry_, totalMemory_);
    start_ = ComputerWallClock(clock_);
    end_ = start_.AddSeconds(span);
}

qint64 ConfigurationModel::SpanSeconds() const {
    return end_.SecondsSince(start_);
}

QString ConfigurationModel::DurationNote() const {
    if (durationEntry_ != RD::kNoEntry && durationEntry_ != RD::kMaximumEntry)
        return QString();
    const qint64 span = std::clamp<qint64>(SpanSeconds(), 0, std::numeric_limits<quint32>::max());
    return FormatSecondsClock(static_cast<quint32>(span)).Joined();
}

qint64 ConfigurationModel::MemoryNeeded() const {
    return RD::MemoryNeededBytes(SpanSeconds());
}

QString ConfigurationModel::MemoryNeededText() const {
    return RD::MemoryNeededText(MemoryNeeded());
}

MemorySignType ConfigurationModel::MemorySign() const {
    const qint64 needed = MemoryNeeded();
    if (EraseWatchRunning() || (Now().Erasing() && needed >= totalMemory_) || needed > totalMemory_)
        return MemorySignType::Greater;
    return needed == totalMemory_ ? MemorySignType::Equal : MemorySignType::Less;
}

QString ConfigurationModel::MemorySignText() const {
    switch (MemorySign()) {
    case MemorySignType::Less:
        return QStringLiteral("<");
    case MemorySignType::Equal:
        return QStringLiteral("=");
    case MemorySignType::Greater:
        return QStringLiteral(">");
    }
    return QString();
}

bool ConfigurationModel::MemoryNoteShown() const {
    return EraseWatchRunning() || Now().MemoryInUse();
}

bool ConfigurationModel::OkEnabled() const {
    return MemorySign() != MemorySignType::Greater;
}

bool ConfigurationModel::EraseShown() const {
    return MemorySign() == MemorySignType::Greater || MemoryNoteShown();
}

bool ConfigurationModel::EraseEnabled() const {
    const InstrumentState s = Now();
    return EraseShown() && !EraseWatchRunning() && s.connected && s.MemoryInUse() &&
           !s.Recording() && !s.Erasing();
}

bool ConfigurationModel::SetClockEnabled() const {
    const InstrumentState s = Now();
    return !EraseWatchRunning() && s.connected && !s.Recording() && !s.Erasing();
}

void ConfigurationModel::SetTcButton(int button) {
    if (button >= 0 && button < kTcButtons)
        tcIndex_ = button;
}

void ConfigurationModel::SetFilterIndex(int index) {
    filterSize_ = std::clamp(index, 0, kFilterSizes - 1) + 1;
}

bool ConfigurationModel::StartErase(UserInterface& ui) {
    if (!EraseEnabled())
        return false;
    if (ui.AskYesNoCancel(ResourceString(TextId::kConfirmErase)) != AnswerType::Yes ||
        !EraseEnabled())
        return false;
    port_.SendCommands({{ControlBlock::EraseMemory()}, {}});
    watch_ = WatchType::WaitingForStart;
    watchStartMs_ = clock_.MonotonicMs();
    return true;
}

void ConfigurationModel::EraseWatchTick() {
    const InstrumentState s = Now();
    switch (watch_) {
    case WatchType::Off:
        return;
    case WatchType::WaitingForStart:
        if (s.eraseReported)
            watch_ = WatchType::Erasing;
        // A quick erase may come and go between two processed statuses.
        else if (!s.MemoryInUse() && !s.Erasing())
            watch_ = WatchType::Off;
        else if (clock_.MonotonicMs() - watchStartMs_ >= kEraseStartTimeoutMs)
            watch_ = WatchType::Off;
        return;
    case WatchType::Erasing:
        if (!s.eraseReported)
            watch_ = WatchType::Off;
        return;
    }
}

void ConfigurationModel::ClockWasSet(const CalendarDateTime& sent) {
    if (!sent.valid)
        return;
    clockText_ = ClockStatusText(sent, ComputerWallClock(clock_));
    if (start_.SecondsSince(sent) < 0) {
        const qint64 span = SpanSeconds();
        start_ = sent.AddSeconds(kStartLeadSeconds);
        end_ = start_.AddSeconds(span);
    }
}

double ConfigurationModel::NumberOrNaN(const QString& text) {
    return ParseUserNumber(text).value_or(std::numeric_limits<double>::quiet_NaN());
}

bool ConfigurationModel::ScalesAcceptable() const {
    return !Groups().scale ||
           (kScaleRange.Contains(scaledLow_) && kScaleRange.Contains(scaledHigh_));
}

void ConfigurationModel::ApplyScheduleMinimums(const InstrumentState& state) {
    CalendarDateTime minimum = LoggerClock(state).AddSeconds(kStartLeadSeconds);
    minimum.second = 0;
    if (start_.SecondsSince(minimum) < 0)
        start_ = minimum;
    const CalendarDateTime minimumEnd = start_.AddSeconds(1);
    if (end_.SecondsSince(minimumEnd) < 0)
        end_ = minimumEnd;
    RecomputeEntry();
}

ConfigurationChoice ConfigurationModel::Choice(const InstrumentState& state) const {
    ConfigurationChoice c;
    c.lowScale = static_cast<float>(scaledLow_);
    c.highScale = static_cast<float>(scaledHigh_);
    c.units = units_.left(kUnitsLimit);
    c.tcIndex = tcIndex_;
    c.cjc = cjc_;
    c.risingEdge = rising_;
    c.filterSize = filterSize_;
    c.mode = RecordMode();
    if (c.mode == RecordModeType::None)
        return c;
    const auto [first, last] = RecordingSpan(state);
    // Both ends were checked against the logger's clock range.
    c.start = InstrumentTimeToSend(first).value_or(0);
    c.durationSeconds = InstrumentTimeToSend(last).value_or(0) - c.start;
    return c;
}

std::pair<CalendarDateTime, CalendarDateTime>
ConfigurationModel::RecordingSpan(const InstrumentState& state) const {
    if (RecordMode() == RecordModeType::Now) {
        const CalendarDateTime first = LoggerClock(state).AddSeconds(kRecordNowLeadSeconds);
        return {first, first.AddSeconds(std::max<qint64>(0, SpanSeconds()))};
    }
    return {start_, end_};
}

QString ConfigurationModel::ValueProblem(const InstrumentState& state) const {
    if (!ScalesAcceptable())
        return kScaleRange.RefusalText();
    if (Groups().scale && !IsLoggerText(units_.left(kUnitsLimit)))
        return FormatResource(TextId::kBadUnitsChar, {units_.left(kUnitsLimit)});
    if (RecordMode() == RecordModeType::None)
        return QString();
    const auto [first, last] = RecordingSpan(state);
    for (const CalendarDateTime& t : {first, last})
        if (!InstrumentTimeToSend(t))
            return InstrumentTimeRangeText(t);
    return QString();
}

ConfigAcceptResult ConfigurationModel::Accept(std::function<void(const QString& problem)> problem) {
    if (!OkEnabled())
        return {};
    const InstrumentState state = Now();
    if (RecordMode() == RecordModeType::Schedule)
        ApplyScheduleMinimums(state);
    if (const QString problem = ValueProblem(state); !problem.isEmpty())
        return {false, problem};
    SendConfiguration(port_, Choice(state), std::move(problem));
    watch_ = WatchType::Off;
    return {true, QString()};
}
