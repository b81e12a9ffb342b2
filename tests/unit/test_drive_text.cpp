#include "core/instrument/DriveText.h"

#include <QByteArray>
#include <clocale>
#include <gtest/gtest.h>
#include <limits>
#include <string>

namespace {

// A text buffer as the link leaves it: the bytes read, then zeros.
class TextBuffer {
public:
    explicit TextBuffer(const std::string& text)
        : bytes_(QByteArray(text.data(), static_cast<qsizetype>(text.size()))),
          length_(static_cast<int>(text.size())) {
        bytes_.append(1024, '\0');
    }
    const char* Data() const { return bytes_.constData(); }
    int Length() const { return length_; }

    QString Value(const char* key, bool* found = nullptr) const {
        return DriveTextValue(Data(), Length(), key, found);
    }
    int Int(const char* key, int fallback = -99) const {
        return DriveTextInt(Data(), Length(), key, fallback);
    }
    double Number(const char* key, double fallback = -99.0) const {
        return DriveTextNumber(Data(), Length(), key, fallback);
    }

private:
    QByteArray bytes_;
    int length_;
};

} // namespace

TEST(DriveText, FindsValuesInAnyOrderUpToTheLineEnd) {
    const TextBuffer text("Model=3\r\nSerNum=AB-12 \r\nTime=2024/03/05 14:07:09\r\nEmpty=\r\n");
    bool found = false;
    EXPECT_EQ(text.Value("Time=", &found), "2024/03/05 14:07:09");
    EXPECT_TRUE(found);
    EXPECT_EQ(text.Value("SerNum="), "AB-12 ");
    EXPECT_EQ(text.Value("Model="), "3");
    EXPECT_EQ(text.Value("Empty=", &found), "");
    EXPECT_TRUE(found);
    EXPECT_EQ(text.Value("Missing=", &found), "");
    EXPECT_FALSE(found);
}

TEST(DriveText, ValueEndsAtLoneLineFeedNulOrBufferEnd) {
    EXPECT_EQ(TextBuffer("A=1\nB=2").Value("A="), "1");
    EXPECT_EQ(TextBuffer("A=1\nB=2").Value("B="), "2"); // no line end: up to the text's end
    EXPECT_EQ(TextBuffer(std::string("A=12\0 34", 8)).Value("A="), "12");
    EXPECT_EQ(TextBuffer("A=1\rB=2").Value("A="), "1");
}

TEST(DriveText, SearchIsPlainSubstringSearch) {
    // The first occurrence wins, even inside another line's value or key.
    const TextBuffer text(
        "Note=MemUsed=5\r\nMemUsed=700\r\nXCodePageSize=9\r\nCodePageSize=256\r\n");
    EXPECT_EQ(text.Int("MemUsed="), 5);
    EXPECT_EQ(text.Int("CodePageSize="), 9);
    // The "=" is part of the key, so a longer key does not match a shorter one.
    EXPECT_EQ(TextBuffer("MemUsedMax=1\r\nMemUsed=2\r\n").Int("MemUsed="), 2);
}

TEST(DriveText, OnlyTheGivenLengthIsSeen) {
    const std::string text = "A=1\r\nB=22\r\n";
    const TextBuffer full(text);
    EXPECT_EQ(DriveTextValue(full.Data(), 5, "B="), "");
    EXPECT_EQ(DriveTextValue(full.Data(), 9, "B="), "22");
    EXPECT_EQ(DriveTextValue(full.Data(), 8, "B="), "2"); // the value is cut with the text
    EXPECT_EQ(DriveTextInt(full.Data(), 0, "A=", 7), 7);
    EXPECT_EQ(DriveTextInt(nullptr, 100, "A=", 7), 7);
    EXPECT_EQ(DriveTextInt(full.Data(), -5, "A=", 7), 7);
}

TEST(DriveText, HighBytesAreWidenedAsLatin1) {
    const TextBuffer text("Units=\xB0"
                          "C\xFF\r\n");
    EXPECT_EQ(text.Value("Units="), QString::fromUtf16(u"\u00B0C\u00FF"));
}

TEST(DriveText, GarbageDoesNotConfuseTheSearch) {
    std::string noise;
    for (int i = 1; i < 256; ++i)
        noise.push_back(static_cast<char>(i == '=' ? 1 : i));
    const TextBuffer text(noise + "\r\nMaxCnt=4095\r\n" + noise);
    EXPECT_EQ(text.Int("MaxCnt="), 4095);
    EXPECT_EQ(text.Int("VRef=", 3), 3);
}

TEST(DriveText, IntegersReadLikeAtoi) {
    EXPECT_EQ(TextBuffer("N=  42abc").Int("N="), 42);
    EXPECT_EQ(TextBuffer("N=\t-17").Int("N="), -17);
    EXPECT_EQ(TextBuffer("N=+8").Int("N="), 8);
    EXPECT_EQ(TextBuffer("N=x12").Int("N="), 0);
    EXPECT_EQ(TextBuffer("N=").Int("N="), 0);
    EXPECT_EQ(TextBuffer("N=- 5").Int("N="), 0);
    EXPECT_EQ(TextBuffer("N=3.9").Int("N="), 3);
    EXPECT_EQ(TextBuffer("X=1").Int("N=", 12), 12);
}

TEST(DriveText, HugeIntegersClampInsteadOfOverflowing) {
    EXPECT_EQ(TextBuffer("N=99999999999999999999999999").Int("N="),
              std::numeric_limits<int>::max());
    EXPECT_EQ(TextBuffer("N=-99999999999999999999999999").Int("N="),
              std::numeric_limits<int>::min());
    EXPECT_EQ(TextBuffer("N=2147483647").Int("N="), 2147483647);
    EXPECT_EQ(TextBuffer("N=-2147483648").Int("N="), std::numeric_limits<int>::min());
}

TEST(DriveText, DecimalsReadLikeStrtodInTheCLocale) {
    EXPECT_DOUBLE_EQ(TextBuffer("V=  2.5V").Number("V="), 2.5);
    EXPECT_DOUBLE_EQ(TextBuffer("V=-0.125").Number("V="), -0.125);
    EXPECT_DOUBLE_EQ(TextBuffer("V=.5").Number("V="), 0.5);
    EXPECT_DOUBLE_EQ(TextBuffer("V=7.").Number("V="), 7.0);
    EXPECT_DOUBLE_EQ(TextBuffer("V=1e3x").Number("V="), 1000.0);
    EXPECT_DOUBLE_EQ(TextBuffer("V=2e").Number("V="), 2.0);
    EXPECT_DOUBLE_EQ(TextBuffer("V=2e+").Number("V="), 2.0);
    EXPECT_DOUBLE_EQ(TextBuffer("V=+4750").Number("V="), 4750.0);
    EXPECT_DOUBLE_EQ(TextBuffer("V=.").Number("V="), 0.0);
    EXPECT_DOUBLE_EQ(TextBuffer("V=abc").Number("V="), 0.0);
    EXPECT_DOUBLE_EQ(TextBuffer("X=1").Number("V=", 1000.0), 1000.0);
}

TEST(DriveText, DecimalCommaIsNotADecimalPointWhateverTheLocale) {
    // The test program runs under a French locale; set the C library's too.
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    std::setlocale(LC_NUMERIC, "fr_FR.UTF-8");
    EXPECT_DOUBLE_EQ(TextBuffer("V=2,5").Number("V="), 2.0);
    EXPECT_DOUBLE_EQ(TextBuffer("V=2.5").Number("V="), 2.5);
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(DriveText, HugeAndTinyDecimalsStayFinite) {
    const double max = std::numeric_limits<double>::max();
    EXPECT_EQ(TextBuffer("V=1e999").Number("V="), max);
    EXPECT_EQ(TextBuffer("V=-1e999").Number("V="), -max);
    EXPECT_EQ(TextBuffer("V=" + std::string(400, '9')).Number("V="), max);
    EXPECT_EQ(TextBuffer("V=1e-999").Number("V="), 0.0);
    EXPECT_EQ(TextBuffer("V=0." + std::string(400, '0') + "1").Number("V="), 0.0);
    EXPECT_EQ(TextBuffer("V=1e99999999999999999999").Number("V="), max);
    EXPECT_DOUBLE_EQ(TextBuffer("V=0.000001e6").Number("V="), 1.0);
}
