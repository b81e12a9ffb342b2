#include "core/graph/ZoomToModel.h"

#include "core/common/StringTable.h"
#include "core/common/TimeFormat.h"

#include <algorithm>

namespace {

constexpr int kLastSecondOfDay = 24 * 3600 - 1;

QString MomentText(qint64 t) {
    return FormatShortDate(t) + u' ' + FormatTimeOfDay(t, 0);
}

int SecondOfDay(const CalendarDateTime& dt) {
    return dt.hour * 3600 + dt.minute * 60 + dt.second;
}

bool SameDay(const CalendarDateTime& a, const CalendarDateTime& b) {
    return a.year == b.year && a.month == b.month && a.day == b.day;
}

qint64 WallClockSeconds(qint64 t) {
    static const CalendarDateTime epoch = CalendarDateTime::FromFields(1970, 1, 1, 0, 0, 0);
    return CalendarDateTime::FromLocalTimeStamp(t).SecondsSince(epoch);
}

} // namespace

ZoomToModel::ZoomToModel(qint64 rangeStart, qint64 rangeEnd, int period)
    : rangeStart_(rangeStart), rangeEnd_(std::max(rangeStart, rangeEnd)),
      period_(std::max(1, period)), initialStart_(rangeStart_), initialEnd_(rangeEnd_) {
    ChooseWholeRange();
}

qint64 ZoomToModel::LatestStart() const {
    return std::max(rangeEnd_ - kMinimumPeriods * qint64(period_), rangeStart_);
}

qint64 ZoomToModel::EarliestEnd() const {
    return rangeStart_ + kMinimumPeriods * qint64(period_);
}

qint64 ZoomToModel::LatestEnd() const {
    return std::max(EarliestEnd(), rangeEnd_);
}

ZoomToModel::PickerRange ZoomToModel::EndRange() const {
    return {ChosenStart() + kMinimumPeriods * qint64(period_), LatestEnd()};
}

ZoomToModel::TimesOfDay ZoomToModel::TimesOnDay(const PickerRange& range,
                                                const CalendarDateTime& day) {
    const CalendarDateTime first = CalendarDateTime::FromLocalTimeStamp(range.first);
    const CalendarDateTime last = CalendarDateTime::FromLocalTimeStamp(range.last);
    return {SameDay(day, first) ? SecondOfDay(first) : 0,
            SameDay(day, last) ? SecondOfDay(last) : kLastSecondOfDay};
}

qint64 ZoomToModel::ChosenStart() const {
    return CombineDateAndTime(&startDate_, &startTime_).ToLocalTimeStamp();
}

qint64 ZoomToModel::ChosenEnd() const {
    return CombineDateAndTime(&endDate_, &endTime_).ToLocalTimeStamp();
}

void ZoomToModel::SetStart(qint64 t) {
    startDate_ = startTime_ = CalendarDateTime::FromLocalTimeStamp(t);
}

void ZoomToModel::SetEnd(qint64 t) {
    endDate_ = endTime_ = CalendarDateTime::FromLocalTimeStamp(t);
}

void ZoomToModel::ChooseWholeRange() {
    SetStart(rangeStart_);
    SetEnd(rangeEnd_);
}

// The recording's own bound stays as it is, so that the whole range is still recognised
// when the recording does not start on the grid; nothing leaves [lower, upper].
qint64 ZoomToModel::Snapped(qint64 t, qint64 initial, qint64 lower, qint64 upper,
                            qint64 bound) const {
    if (period_ <= 1 || t == bound)
        return t;
    const qint64 p = period_;
    const qint64 remainder = ((WallClockSeconds(t) % p) + p) % p;
    if (remainder == 0)
        return t;
    qint64 out = t > initial ? t + (p - remainder) : t - remainder;
    if (out > upper)
        out -= p;
    return std::clamp(out, lower, upper);
}

ZoomToResultType ZoomToModel::Accept() {
    const qint64 start = ChosenStart();
    if (!CombineDateAndTime(&startDate_, &startTime_).valid || start < rangeStart_ ||
        start > LatestStart()) {
        SetStart(rangeStart_);
        return ZoomToResultType::StartOutOfRange;
    }
    SetStart(Snapped(start, initialStart_, rangeStart_, LatestStart(), rangeStart_));

    // Against the chosen start too, so the window never covers fewer than nine periods.
    const PickerRange allowed = EndRange();
    const qint64 end = ChosenEnd();
    if (!CombineDateAndTime(&endDate_, &endTime_).valid || end < allowed.first ||
        end > allowed.last)
        return ZoomToResultType::EndOutOfRange;
    SetEnd(Snapped(end, initialEnd_, allowed.first, allowed.last, rangeEnd_));
    return ZoomToResultType::Accepted;
}

QString ZoomToModel::RefusalText(ZoomToResultType result) const {
    switch (result) {
    case ZoomToResultType::Accepted:
        return QString();
    case ZoomToResultType::StartOutOfRange:
        return ResourceString(TextId::kZoomStartRefused)
            .arg(MomentText(rangeStart_), MomentText(LatestStart()));
    case ZoomToResultType::EndOutOfRange: {
        const PickerRange allowed = EndRange();
        return ResourceString(TextId::kZoomEndRefused)
            .arg(MomentText(allowed.first), MomentText(allowed.last),
                 QString::number(kMinimumPeriods));
    }
    }
    return QString();
}
