#include "core/common/UserNumber.h"

#include <QLocale>
#include <gtest/gtest.h>
#include <limits>

namespace {

std::optional<double> Fr(const char* text) {
    return ParseUserNumber(QString::fromUtf8(text), u',');
}
std::optional<double> En(const char* text) {
    return ParseUserNumber(QString::fromUtf8(text), u'.');
}

} // namespace

TEST(UserNumber, TheLocalesDecimalMarkAndThePointBothRead) {
    EXPECT_EQ(Fr("2,5"), 2.5);
    EXPECT_EQ(Fr("2.5"), 2.5);
    EXPECT_EQ(En("2.5"), 2.5);
    EXPECT_EQ(En("2,5"), std::nullopt) << "a comma is grouping where it is not the decimal mark";
    EXPECT_EQ(Fr(" \t-7,25 "), -7.25);
    EXPECT_EQ(Fr("+3"), 3.0);
    EXPECT_EQ(Fr(",5"), 0.5);
    EXPECT_EQ(Fr("5,"), 5.0);
    EXPECT_EQ(Fr("1e3"), 1000.0);
    EXPECT_EQ(Fr("2,5E-1"), 0.25);
    EXPECT_EQ(Fr("-0"), 0.0);
    // The default locale of the tests is French.
    EXPECT_EQ(ParseUserNumber(u"1,5"_qs), 1.5);
}

TEST(UserNumber, AnythingButOnePlainNumberIsRefused) {
    for (const char* text :
         {"",    " ",     "-",     "+",       ",",          ".",          "e5",     "1e",
          "1e+", "1,2,3", "1.2,3", "1 000",   "1\u202f000", "1\u00a0000", "12,5 V", "0x10",
          "--1", "+-1",   "1e5,5", "\u22125", "\u0661",     "abc"})
        EXPECT_EQ(Fr(text), std::nullopt) << text;
}

TEST(UserNumber, NoNaNNoInfinityNoOverflow) {
    for (const char* text :
         {"nan", "NaN", "-nan", "inf", "-inf", "+inf", "infinity", "1e400", "-1e309"})
        EXPECT_EQ(Fr(text), std::nullopt) << text;
    EXPECT_EQ(Fr("1e308"), 1e308);
    EXPECT_EQ(Fr("1e-400"), std::nullopt) << "an underflow reads no more than an overflow";
}

TEST(UserNumber, TheScaleRangeIsClosedAtBothEnds) {
    EXPECT_EQ(kScaleRange.Read(u"100000"_qs), 100000.0);
    EXPECT_EQ(kScaleRange.Read(u"99999,999"_qs), 99999.999);
    EXPECT_EQ(kScaleRange.Read(u"100000,001"_qs), std::nullopt);
    EXPECT_EQ(kScaleRange.Read(u"100001"_qs), std::nullopt);
    EXPECT_EQ(kScaleRange.Read(u"-100000"_qs), -100000.0);
    EXPECT_EQ(kScaleRange.Read(u"-99999,999"_qs), -99999.999);
    EXPECT_EQ(kScaleRange.Read(u"-100000,001"_qs), std::nullopt);
    EXPECT_EQ(kScaleRange.Read(u"-100001"_qs), std::nullopt);
    EXPECT_EQ(kScaleRange.Read(u"douze"_qs), std::nullopt);
    EXPECT_FALSE(kScaleRange.Contains(std::numeric_limits<double>::quiet_NaN()));

    EXPECT_EQ(kNonNegativeScaleRange.Read(u"0"_qs), 0.0);
    EXPECT_EQ(kNonNegativeScaleRange.Read(u"0,001"_qs), 0.001);
    EXPECT_EQ(kNonNegativeScaleRange.Read(u"-0,001"_qs), std::nullopt);

    EXPECT_EQ(kScaleRange.RefusalText(), u"Entrez un nombre compris entre -100000 et 100000."_qs);
    EXPECT_EQ(kNonNegativeScaleRange.RefusalText(),
              u"Entrez un nombre compris entre 0 et 100000."_qs);
}
