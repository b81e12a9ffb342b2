#include "core/common/CalendarDateTime.h"
#include "core/common/DurationFormat.h"
#include "core/common/Rounding.h"
#include "core/common/TimeFormat.h"
#include "core/common/ValueFormat.h"

#include <QLocale>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <utility>

namespace {

// Switches the default locale for one test and puts the previous one back.
class ScopedLocale {
public:
    explicit ScopedLocale(const QLocale& locale) { QLocale::setDefault(locale); }
    ~ScopedLocale() { QLocale::setDefault(saved_); }

private:
    QLocale saved_;
};

const QLocale kUnitedStates(QLocale::English, QLocale::UnitedStates);
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr qint64 kEveningInParis = 1709673330; // 2024-03-05 22:15:30 local

QString Joined(const DateAndTimeText& t) {
    return t.date + u' ' + t.time;
}

} // namespace

TEST(ValueFormat, FixedUsesLocaleSeparatorWithoutGrouping) {
    EXPECT_EQ(FormatFixed(1234567.25, 2), "1234567,25");
    EXPECT_EQ(FormatFixed(1e300, 1).size(), 303);
    ScopedLocale english(kUnitedStates);
    EXPECT_EQ(LocalDecimalSeparator(), u'.');
    EXPECT_EQ(FormatFixed(1234567.25, 2), "1234567.25");
}

TEST(ValueFormat, RoundToStepHalfAwayFromZero) {
    EXPECT_EQ(RoundToStep(2, 0.25), 0.5);
    EXPECT_EQ(RoundToStep(4, 2.375), 2.5);
    EXPECT_FALSE(std::signbit(RoundToStep(10, -0.04)));
    EXPECT_EQ(RoundToStep(0, 3.7), 3.7);
    EXPECT_EQ(SaturatingRound(kNaN), 0);
    EXPECT_EQ(SaturatingRound(-2.5), -3);
    EXPECT_EQ(SaturatingRound(3e9), 2147483647);
}

TEST(ValueFormat, MeasurementAndTrimmed) {
    EXPECT_EQ(FormatMeasurement(3, -0.0004, 1), "0,000");
    EXPECT_EQ(FormatMeasurement(3, 1234.56, 1), "1235");
    EXPECT_EQ(FormatMeasurement(3, 123.456, 1), "123,5");
    // Divisor 5 with two decimals: multiples of 0.05.
    EXPECT_EQ(FormatMeasurement(2, 1.234, 5), "1,25");
    EXPECT_EQ(FormatMeasurement(2, -1.226, 5), "-1,25");
    // A divisor larger than the step leaves the value unrounded instead of dividing by zero.
    EXPECT_EQ(FormatMeasurement(0, 7.4, 5), "7");
    EXPECT_EQ(FormatMeasurement(12, -1.23456789, 1), "-1,235");

    EXPECT_EQ(FormatTrimmed(3, 12.5), "12,5");
    EXPECT_EQ(FormatTrimmed(2, 10.0), "10");
    EXPECT_EQ(FormatTrimmed(1, 0.0), "0");
    EXPECT_EQ(FormatTrimmed(0, 10.0), "10");
}

TEST(DurationFormat, Clocks) {
    const std::pair<double, const char*> cases[] = {
        {0, ""},
        {0.0005, "500,000 (us)"},
        {0.25, "250,000 (ms)"},
        {59.25, "59,250 (s)"},
        {60, "1:00 (min:s)"},
        {185.5, "3:05,500 (min:s)"},
        {185, "3:05 (min:s)"},
        {3723.75, "1:02:03 (h:min:s)"},
        {90061, "1:01:01:01 (d:h:min:s)"},
        // Outside the unsigned 32-bit range: clamped, never undefined.
        {1e12, "49710:06:28:15 (d:h:min:s)"},
        {kNaN, ""},
        {-0.5, "-500,000 (ms)"}};
    for (const auto& [t, text] : cases)
        EXPECT_EQ(FormatDurationClock(t).Joined(), text) << t;

    EXPECT_EQ(FormatSecondsClock(59).Joined(), "59 (s)");
    EXPECT_EQ(FormatSecondsClock(7384).Joined(), "2:03:04 (h:m:s)");
    EXPECT_EQ(FormatSecondsClock(86400).Joined(), "1:00:00:00 (d:h:m:s)");
}

TEST(DurationFormat, SpanWords) {
    EXPECT_EQ(FormatSpanWords(3725), "1 h 2 min 5 s");
    EXPECT_EQ(FormatSpanWords(3720), "1 h 2 min");
    EXPECT_EQ(FormatSpanWords(-5), "");

    EXPECT_EQ(FormatSpanWordsMs(5.9996), "6,000 s");
    EXPECT_EQ(FormatSpanWordsMs(3725.5), "1 h 2 min 5,500 s");
    EXPECT_EQ(FormatSpanWordsMs(-1.25), "");
    EXPECT_EQ(FormatSpanWordsMs(1e300), "596523 h 14 min 7,647 s");
}

TEST(CalendarDateTime, TextRoundTripAndValidation) {
    const CalendarDateTime dt = CalendarDateTime::FromFields(2024, 3, 7, 9, 5, 0);
    EXPECT_EQ(FormatDateTimeText(dt), "2024/03/07 09:05:00");
    EXPECT_EQ(ParseDateTimeText(FormatDateTimeText(dt)), dt);
    EXPECT_TRUE(ParseDateTimeText("2024/02/29 23:59:59").valid);
    EXPECT_FALSE(ParseDateTimeText("2024/02/30 10:00:00").valid);
    EXPECT_FALSE(ParseDateTimeText("2024/01/01 24:00:00").valid);
    EXPECT_FALSE(ParseDateTimeText("garbage").valid);
    // Runs of separators give no empty fields; missing time fields are midnight.
    EXPECT_EQ(ParseDateTimeText("2024//3  5::7"),
              CalendarDateTime::FromFields(2024, 3, 5, 7, 0, 0));
    EXPECT_EQ(ParseDateTimeText(" +12x/5/6 1 2 3 4 5 6"),
              CalendarDateTime::FromFields(12, 5, 6, 1, 2, 3));
    EXPECT_EQ(ParseDateTimeText("99999999999999999/1/1").year, 2147483647);

    const CalendarDateTime missing = CalendarDateTime::FromFields(2024, 3, 5, 0, 0, 0);
    const CalendarDateTime time = CalendarDateTime::FromFields(1899, 12, 30, 14, 7, 9);
    EXPECT_EQ(CombineDateAndTime(&missing, &time),
              CalendarDateTime::FromFields(2024, 3, 5, 14, 7, 9));
    EXPECT_FALSE(CombineDateAndTime(&missing, nullptr).valid);
    EXPECT_FALSE(CombineDateAndTime(nullptr, &time).valid);
}

TEST(CalendarDateTime, ArithmeticAndLocalTime) {
    const CalendarDateTime newYear = CalendarDateTime::FromFields(2024, 1, 1, 0, 0, 0);
    EXPECT_EQ(newYear.AddSeconds(-1), CalendarDateTime::FromFields(2023, 12, 31, 23, 59, 59));
    EXPECT_EQ(newYear.AddSeconds(60 * 86400), CalendarDateTime::FromFields(2024, 3, 1, 0, 0, 0));
    EXPECT_EQ(newYear.AddSeconds(60 * 86400).SecondsSince(newYear), 60 * 86400);
    EXPECT_FALSE(newYear.AddSeconds(std::numeric_limits<qint64>::max()).valid);
    // Wall-clock arithmetic ignores the change to summer time.
    const CalendarDateTime beforeChange = CalendarDateTime::FromFields(2024, 3, 31, 1, 0, 0);
    EXPECT_EQ(beforeChange.AddSeconds(3600), CalendarDateTime::FromFields(2024, 3, 31, 2, 0, 0));

    const CalendarDateTime afternoon = CalendarDateTime::FromFields(2024, 3, 5, 14, 7, 9);
    EXPECT_EQ(afternoon.ToLocalTimeStamp(), 1709644029);
    EXPECT_EQ(CalendarDateTime::FromLocalTimeStamp(1709644029), afternoon);
    // 02:30 does not exist that night; it moves forward to 03:30 summer time.
    EXPECT_EQ(CalendarDateTime::FromFields(2024, 3, 31, 2, 30, 0).ToLocalTimeStamp(), 1711848600);
    EXPECT_EQ(CalendarDateTime::FromFields(2000000000, 1, 1, 0, 0, 0).ToLocalTimeStamp(), 0);
    EXPECT_FALSE(CalendarDateTime::FromLocalTimeStamp(std::numeric_limits<qint64>::max()).valid);
}

TEST(TimeFormat, LocaleTextsWithMilliseconds) {
    EXPECT_EQ(FormatShortDate(kEveningInParis), "05/03/2024");
    EXPECT_EQ(FormatTimeOfDay(kEveningInParis, 250), "22:15:30.250");
    EXPECT_EQ(FormatTimeOfDay(kEveningInParis, -1), "22:15:30");
    EXPECT_EQ(Joined(FormatDateAndTime(kEveningInParis, 7)), "05/03/2024 22:15:30.007");

    ScopedLocale english(kUnitedStates);
    EXPECT_EQ(FormatShortDate(kEveningInParis), "3/5/24");
    EXPECT_EQ(FormatTimeOfDay(kEveningInParis, 250), "10:15:30.250 PM");
}

// A logger whose clock was reset counts from 1970-01-01 00:00:00 on its wall clock, an hour
// before the epoch in Paris: from there on its times are shown, before it there are none.
TEST(TimeFormat, DatesAndTimesFromTheLoggersFirstSecondOn) {
    constexpr qint64 kFirstLocalSecond = -3600;
    EXPECT_EQ(Joined(FormatDateAndTime(kFirstLocalSecond, 0)), "01/01/1970 00:00:00");
    EXPECT_EQ(Joined(FormatDateAndTime(kFirstLocalSecond, 250)), "01/01/1970 00:00:00.250");
    EXPECT_EQ(Joined(FormatDateAndTime(kFirstLocalSecond - 1, 0)), "- - - - - -");
    EXPECT_EQ(Joined(FormatDateAndTime(kFirstLocalSecond - 1, 999)), "- - - - - -");
    EXPECT_EQ(Joined(FormatDateAndTime(kFirstLocalSecond + 1, 0)), "01/01/1970 00:00:01");
    EXPECT_EQ(Joined(FormatDateAndTime(0, 0)), "01/01/1970 01:00:00");
    EXPECT_EQ(Joined(FormatDateAndTime(-86400, 0)), "- - - - - -");
    EXPECT_EQ(Joined(FormatDateAndTime(315529199, 0)), "31/12/1979 23:59:59");
    EXPECT_EQ(Joined(FormatDateAndTime(315529200, 0)), "01/01/1980 00:00:00");
    EXPECT_EQ(Joined(FormatDateAndTime(315529201, 0)), "01/01/1980 00:00:01");
    EXPECT_EQ(Joined(FormatDateAndTime(std::numeric_limits<qint64>::max(), 0)), "- - - - - -");
}
