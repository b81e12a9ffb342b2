#include "core/instrument/InstrumentClock.h"

#include "core/common/Clock.h"
#include "core/common/DurationFormat.h"
#include "core/common/StringTable.h"
#include "core/instrument/ControlBlock.h"
#include "core/instrument/InstrumentPort.h"

#include <algorithm>
#include <limits>

namespace {

constexpr int kFirstSetYear = 2002;

} // namespace

CalendarDateTime ComputerWallClock(const Clock& clock) {
    return CalendarDateTime::FromLocalTimeStamp(clock.WallSeconds());
}

QString ClockStatusText(const CalendarDateTime& instrumentClock,
                        const CalendarDateTime& computerClock) {
    if (!instrumentClock.valid || instrumentClock.year < kFirstSetYear)
        return ResourceString(TextId::kClockNotSet);
    const qint64 diff = instrumentClock.SecondsSince(computerClock);
    if (diff >= -1 && diff <= 1)
        return QString();
    const qint64 magnitude =
        std::min<qint64>(diff < 0 ? -diff : diff, std::numeric_limits<quint32>::max());
    const QString span = FormatSecondsClock(static_cast<quint32>(magnitude)).Joined();
    return FormatResource(TextId::kClockDiffers, {diff < 0 ? QStringLiteral("-") + span : span});
}

DateTimeDlgModel::DateTimeDlgModel(const Clock& clock)
    : date_(ComputerWallClock(clock)), time_(date_) {}

CalendarDateTime DateTimeDlgModel::Chosen() const {
    return CombineDateAndTime(&date_, &time_);
}

QString DateTimeDlgModel::Problem() const {
    const CalendarDateTime chosen = Chosen();
    return chosen.valid && !InstrumentTimeToSend(chosen) ? InstrumentTimeRangeText(chosen)
                                                         : QString();
}

void InstrumentClockSetter::Begin(DateTimeDlgEndType end, const CalendarDateTime& chosen) {
    if (phase_ != PhaseType::NotStarted)
        return;
    switch (end) {
    case DateTimeDlgEndType::Cancel:
        phase_ = PhaseType::Finished;
        break;
    case DateTimeDlgEndType::Ok:
        // A date the pickers could not make is not sent.
        phase_ = PhaseType::Finished;
        if (chosen.valid)
            Send(chosen);
        break;
    case DateTimeDlgEndType::Synchronise:
        pressedSecond_ = clock_.WallSeconds();
        phase_ = PhaseType::WaitingForSecond;
        break;
    }
}

void InstrumentClockSetter::Tick() {
    if (phase_ == PhaseType::Sending) {
        if (!sent_.Ended())
            return;
        phase_ = PhaseType::Finished;
        if (!sent_.Complete()) {
            result_ = {false, result_.time, ResourceString(TextId::kCannotWriteCommand)};
            return;
        }
        port_.ClearLiveData();
        port_.ForgetLastStatus();
        result_.set = true;
        return;
    }
    if (phase_ != PhaseType::WaitingForSecond)
        return;
    const qint64 now = clock_.WallSeconds();
    if (now == pressedSecond_)
        return;
    phase_ = PhaseType::Finished;
    Send(CalendarDateTime::FromLocalTimeStamp(now));
}

void InstrumentClockSetter::Send(const CalendarDateTime& time) {
    const std::optional<uint32_t> value = InstrumentTimeToSend(time);
    if (!value) {
        result_ = {false, time, InstrumentTimeRangeText(time)};
        return;
    }
    result_ = {false, time, QString()};
    port_.SendCommands({{ControlBlock::SetClock(*value)}, sent_.Recorder()});
    phase_ = PhaseType::Sending;
    Tick();
}

ClockSetResult
SetInstrumentClock(InstrumentPort& port, const Clock& clock,
                   const std::function<DateTimeDlgEndType(DateTimeDlgModel&)>& runDialog,
                   const std::function<void()>& pause) {
    DateTimeDlgModel dialog(clock);
    InstrumentClockSetter setter(port, clock);
    // The window runs first: the time to send is what it holds once it has closed.
    const DateTimeDlgEndType end = runDialog ? runDialog(dialog) : DateTimeDlgEndType::Cancel;
    setter.Begin(end, dialog.Chosen());
    while (setter.Pending()) {
        if (pause)
            pause();
        setter.Tick();
    }
    return setter.Result();
}
