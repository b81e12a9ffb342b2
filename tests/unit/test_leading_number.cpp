#include "core/common/LeadingNumber.h"
#include "core/instrument/InstrumentRecords.h"

#include <QString>
#include <gtest/gtest.h>
#include <limits>

namespace {

constexpr int kIntMax = std::numeric_limits<int>::max();
constexpr int kIntMin = std::numeric_limits<int>::min();
constexpr int64_t kInt64Max = std::numeric_limits<int64_t>::max();
constexpr int64_t kInt64Min = std::numeric_limits<int64_t>::min();

int64_t Full64(const QString& text) {
    return LeadingInteger(text, LeadingBlankType::CSpace, kInt64Min, kInt64Max);
}

} // namespace

TEST(LeadingInteger, ReadsAnOptionalSignAndDigitsUpToTheFirstOtherCharacter) {
    for (const LeadingBlankType blanks : {LeadingBlankType::SpaceOrTab, LeadingBlankType::CSpace}) {
        EXPECT_EQ(LeadingInt(QString(), blanks), 0);
        EXPECT_EQ(LeadingInt(u"+"_qs, blanks), 0);
        EXPECT_EQ(LeadingInt(u"-"_qs, blanks), 0);
        EXPECT_EQ(LeadingInt(u"--5"_qs, blanks), 0);
        EXPECT_EQ(LeadingInt(u"+-5"_qs, blanks), 0);
        EXPECT_EQ(LeadingInt(u"- 5"_qs, blanks), 0) << "no blank between the sign and the digits";
        EXPECT_EQ(LeadingInt(u"x12"_qs, blanks), 0);
        EXPECT_EQ(LeadingInt(u"+5"_qs, blanks), 5);
        EXPECT_EQ(LeadingInt(u"-12abc"_qs, blanks), -12);
        EXPECT_EQ(LeadingInt(u"12 34"_qs, blanks), 12);
        EXPECT_EQ(LeadingInt(u"3.9"_qs, blanks), 3);
        EXPECT_EQ(LeadingInt(u"007"_qs, blanks), 7);
        EXPECT_EQ(LeadingInt(u"-007"_qs, blanks), -7);
        EXPECT_EQ(LeadingInt(u"-0"_qs, blanks), 0);
        EXPECT_EQ(LeadingInt(u"000000000000000000002147483647"_qs, blanks), kIntMax)
            << "leading zeros never count towards the range";
    }
}

TEST(LeadingInteger, SessionFilesSkipOnlySpacesAndTabsWhereCSkipsEveryBlank) {
    EXPECT_EQ(LeadingInt(u" \t 5"_qs, LeadingBlankType::SpaceOrTab), 5);
    EXPECT_EQ(LeadingInt(u" \t 5"_qs, LeadingBlankType::CSpace), 5);
    for (const QString& blank : {u"\v"_qs, u"\f"_qs, u"\r"_qs, u"\n"_qs}) {
        EXPECT_EQ(LeadingInt(blank + u"5"_qs, LeadingBlankType::SpaceOrTab), 0);
        EXPECT_EQ(LeadingInt(u" "_qs + blank + u"-5"_qs, LeadingBlankType::CSpace), -5);
    }
    EXPECT_EQ(LeadingInt(u"\u00A05"_qs, LeadingBlankType::CSpace), 0) << "only C's blanks";
}

TEST(LeadingInteger, SaturatesAtTheIntRange) {
    const auto read = [](const QString& text) {
        return LeadingInt(text, LeadingBlankType::SpaceOrTab);
    };
    EXPECT_EQ(read(u"2147483646"_qs), kIntMax - 1);
    EXPECT_EQ(read(u"2147483647"_qs), kIntMax);
    EXPECT_EQ(read(u"2147483648"_qs), kIntMax);
    EXPECT_EQ(read(u"99999999999999999999999999"_qs), kIntMax);
    EXPECT_EQ(read(u"-2147483647"_qs), kIntMin + 1);
    EXPECT_EQ(read(u"-2147483648"_qs), kIntMin);
    EXPECT_EQ(read(u"-2147483649"_qs), kIntMin);
    EXPECT_EQ(read(u"-99999999999999999999999999"_qs), kIntMin);
}

TEST(LeadingInteger, SaturatesAtTheFull64BitRange) {
    EXPECT_EQ(Full64(u"9223372036854775806"_qs), kInt64Max - 1);
    EXPECT_EQ(Full64(u"9223372036854775807"_qs), kInt64Max);
    EXPECT_EQ(Full64(u"9223372036854775808"_qs), kInt64Max);
    EXPECT_EQ(Full64(u"18446744073709551616"_qs), kInt64Max) << "past the unsigned range too";
    EXPECT_EQ(Full64(u"-9223372036854775807"_qs), kInt64Min + 1);
    EXPECT_EQ(Full64(u"-9223372036854775808"_qs), kInt64Min);
    EXPECT_EQ(Full64(u"-9223372036854775809"_qs), kInt64Min);
    EXPECT_EQ(Full64(u"-18446744073709551617"_qs), kInt64Min);
}

TEST(LeadingInteger, SaturatesAtAnyBounds) {
    const auto read = [](const QString& text, int64_t lowest, int64_t highest) {
        return LeadingInteger(text, LeadingBlankType::SpaceOrTab, lowest, highest);
    };
    EXPECT_EQ(read(u"99"_qs, -100, 100), 99);
    EXPECT_EQ(read(u"100"_qs, -100, 100), 100);
    EXPECT_EQ(read(u"101"_qs, -100, 100), 100);
    EXPECT_EQ(read(u"-99"_qs, -100, 100), -99);
    EXPECT_EQ(read(u"-100"_qs, -100, 100), -100);
    EXPECT_EQ(read(u"-101"_qs, -100, 100), -100);
    EXPECT_EQ(read(u"7"_qs, 0, 0), 0);
    EXPECT_EQ(read(u"-7"_qs, 0, 0), 0);
}

// The instrument's memory and duration counts stop at 2^40 either way, so that the free memory,
// a difference of two of them, cannot overflow.
TEST(InstrumentStatusCounts, SaturateAtTwoToTheFortieth) {
    constexpr int64_t kLimit = int64_t{1} << 40;
    InstrumentStatusRecord s;
    s.memSize = u"1099511627775"_qs;
    EXPECT_EQ(s.MemorySize(), kLimit - 1);
    s.memSize = u"1099511627776"_qs;
    EXPECT_EQ(s.MemorySize(), kLimit);
    s.memSize = u"1099511627777"_qs;
    EXPECT_EQ(s.MemorySize(), kLimit);
    s.memUsed = u"-1099511627777"_qs;
    EXPECT_EQ(s.MemoryUsed(), -kLimit);
    s.memUsed = u"-1099511627775"_qs;
    EXPECT_EQ(s.MemoryUsed(), -kLimit + 1);
    s.recDur = u"  \t99999999999999999999"_qs;
    EXPECT_EQ(s.RecordingDuration(), kLimit);
    s.recDur = u"\v5"_qs;
    EXPECT_EQ(s.RecordingDuration(), 0);
    s.memErase = u"0000"_qs;
    EXPECT_FALSE(s.IsErasing());
    s.memErase = u"-1"_qs;
    EXPECT_TRUE(s.IsErasing());
}
