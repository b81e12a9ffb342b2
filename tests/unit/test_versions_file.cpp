#include "core/app/AppIdentity.h"
#include "core/app/CustomisationReset.h"
#include "core/app/SettingsKeys.h"
#include "core/app/VersionsFile.h"
#include "core/common/StringTable.h"
#include "support/MemorySettingsStore.h"

#include <QByteArray>
#include <gtest/gtest.h>

namespace {

VersionsFile French(const QByteArray& body) {
    return VersionsFile::Parse(body, u"FR");
}

} // namespace

TEST(VersionsFile, ReadsTheFourKeysOfTheWantedSection) {
    const VersionsFile file = French("[VexloFR]\r\n"
                                     "VxHex=1.2.3;https://h/fw.hex\r\n"
                                     "VxExe=1.1.0001;https://h/vx.exe\r\n"
                                     "Help=1.0.0;https://h/help.zip\r\n"
                                     "Manual=;https://h/manual\r\n");
    EXPECT_EQ(file.firmware, "1.2.3;https://h/fw.hex");
    EXPECT_EQ(file.program, "1.1.0001;https://h/vx.exe");
    EXPECT_EQ(file.help, "1.0.0;https://h/help.zip");
    EXPECT_EQ(file.manual, ";https://h/manual");
    EXPECT_FALSE(file.IsEmpty());
}

TEST(VersionsFile, OnlyTheWantedSectionCountsAndItsNameIgnoresCase) {
    const QByteArray body = "VxExe=0.0.1;before-any-section\n"
                            "[Vexlo]\nVxExe=9.9.9;english\n"
                            "[VexloDE]\nVxExe=8.8.8;german\n"
                            "[vexlofr]\nVxExe=1.2.0;french\n"
                            "[VexloFR] \nVxExe=7.7.7;not-the-section\n"
                            "[VexloFRA]\nHelp=6.6.6;other\n";
    const VersionsFile french = French(body);
    EXPECT_EQ(french.program, "1.2.0;french");
    EXPECT_TRUE(french.help.isEmpty());
    EXPECT_EQ(VersionsFile::Parse(body, u"en").program, "9.9.9;english");
    EXPECT_EQ(VersionsFile::Parse(body, u"De").program, "8.8.8;german");
}

TEST(VersionsFile, KeysMatchInTheirExactCaseOnly) {
    const VersionsFile file = French("[VexloFR]\nvxexe=1;a\nVXHEX=1;b\nhelp=1;c\nVxExe =1;d\n"
                                     " Manual=1;e\nManualX=1;f\n");
    EXPECT_TRUE(file.IsEmpty());
}

TEST(VersionsFile, LaterLinesOverrideEarlierOnesEvenAcrossRepeatedSections) {
    const VersionsFile file = French("[VexloFR]\nVxExe=1.0.0;a\nVxHex=1;x\n[Other]\nVxExe=5;z\n"
                                     "[VEXLOFR]\nVxExe=2.0.0;b\nVxHex=\n");
    EXPECT_EQ(file.program, "2.0.0;b");
    EXPECT_TRUE(file.firmware.isEmpty());
}

TEST(VersionsFile, LinesAreCutAtTheirFirstCarriageReturnAndSplitAtTheFirstEquals) {
    const VersionsFile file = French("[VexloFR]\rjunk\nVxExe=1.0.0;a=b\rrest\nnoequals\nHelp\n");
    EXPECT_EQ(file.program, "1.0.0;a=b");
    EXPECT_TRUE(file.help.isEmpty());
}

TEST(VersionsFile, ValuesKeepAtMost638Characters) {
    const auto valueOf = [](qsizetype length) {
        return French("[VexloFR]\nManual=" + QByteArray(length, 'v') + '\n').manual.size();
    };
    EXPECT_EQ(valueOf(637), 637);
    EXPECT_EQ(valueOf(638), 638);
    EXPECT_EQ(valueOf(639), 638);
}

TEST(VersionsFile, ALineHoldsAtMost1022BytesAndTheRestIsReadAsALine) {
    // A line of `length` bytes "Help=1;hhh…" followed by "VxExe=3.0.0;s": the program entry is
    // read only when it starts exactly where a line is full.
    const auto parse = [](qsizetype length) {
        const QByteArray head = "Help=1;";
        return French("[VexloFR]\n" + head + QByteArray(length - head.size(), 'h') +
                      "VxExe=3.0.0;s\n");
    };
    EXPECT_TRUE(parse(1021).program.isEmpty());
    EXPECT_EQ(parse(1022).program, "3.0.0;s");
    EXPECT_TRUE(parse(1023).program.isEmpty());
    EXPECT_EQ(parse(1022).help.size(), VersionsFile::kMaxValueLength);
    // A line feed just after a full line ends nothing more than an empty line.
    EXPECT_EQ(French("[VexloFR]\nVxHex=2;" + QByteArray(1014, 'x') + "\nVxExe=1;e\n").program,
              "1;e");
}

TEST(VersionsFile, BytesAreWidenedOneForOne) {
    EXPECT_EQ(French("[VexloFR]\nManual=1;\xe9t\xe9\n").manual, QString::fromUtf8("1;été"));
}

TEST(VersionsEntry, SplitsVersionAndAddress) {
    EXPECT_EQ(EntryVersion("1.1.0001;https://h/x;extra"), "1.1.0001");
    EXPECT_EQ(EntryAddress("1.1.0001;https://h/x;extra"), "https://h/x");
    EXPECT_EQ(EntryAddress("1.1.0001;https://h/x"), "https://h/x");
    EXPECT_EQ(EntryVersion("1.1.0001"), "1.1.0001");
    EXPECT_TRUE(EntryAddress("1.1.0001").isEmpty());
    EXPECT_TRUE(EntryVersion(";https://h").isEmpty());
    EXPECT_TRUE(EntryAddress("").isEmpty());
    EXPECT_EQ(EntryAddress("1;" + QString(2001, u'a')).size(), 2000);
    EXPECT_EQ(EntryAddress("1;" + QString(2000, u'a')).size(), 2000);
}

TEST(VersionNumber, PacksThreePartsAsTheyAreRead) {
    EXPECT_EQ(VersionNumber(u"1.1.0000"), (1 * 256 + 1) * 65536);
    EXPECT_EQ(VersionNumber(u"1.1.0001"), (1 * 256 + 1) * 65536 + 1);
    EXPECT_EQ(VersionNumber(u"3.4.5"), (3 * 256 + 4) * 65536 + 5);
    // Parts are not separate fields: a large part spills into the one above it.
    EXPECT_EQ(VersionNumber(u"1.0.65536"), VersionNumber(u"1.1.0"));
    EXPECT_EQ(VersionNumber(u"1.256.0"), VersionNumber(u"2.0.0"));
    // Each part as atoi reads it: leading digits after blanks, 0 when none.
    EXPECT_EQ(VersionNumber(u" 2.3b.7x"), VersionNumber(u"2.3.7"));
    EXPECT_EQ(VersionNumber(u"v1.2.3"), VersionNumber(u"0.2.3"));
    EXPECT_EQ(VersionNumber(u""), 0);
}

TEST(VersionNumber, AMissingPartCountsAsZero) {
    EXPECT_EQ(VersionNumber(u"2.0"), VersionNumber(u"2.0.0"));
    EXPECT_EQ(VersionNumber(u"2"), VersionNumber(u"2.0.0"));
    EXPECT_EQ(VersionNumber(u"1.1."), VersionNumber(u"1.1.0"));
    // The third part is read only when a digit follows the second ".".
    EXPECT_EQ(VersionNumber(u"1.1. 5"), VersionNumber(u"1.1.0"));
    EXPECT_EQ(VersionNumber(u"1.1.+5"), VersionNumber(u"1.1.0"));
    EXPECT_TRUE(IsOlderVersion(u"1.1.0000", u"2.0"));
    EXPECT_FALSE(IsOlderVersion(u"2.0", u"1.9.9"));
}

TEST(VersionNumber, TheProgramIsOlderOnlyThanAHigherVersion) {
    const QString installed = AppIdentity::ProgramVersion();
    EXPECT_TRUE(IsOlderVersion(installed, u"1.1.0001"));
    EXPECT_FALSE(IsOlderVersion(installed, u"1.1.0000"));
    EXPECT_FALSE(IsOlderVersion(installed, u"1.0.9999"));
    EXPECT_FALSE(IsOlderVersion(installed, u""));
    EXPECT_TRUE(IsOlderVersion(installed, u"1.2"));
}

TEST(HelpRule, TheHelpIsCurrentWhenPresentNotOlderAndInTheInterfaceLanguage) {
    const qint64 latest = VersionNumber(u"1.0.5");
    EXPECT_TRUE(IsHelpCurrent(true, latest, u"FR", latest));
    EXPECT_TRUE(IsHelpCurrent(true, latest + 1, u"fr", latest));
    EXPECT_FALSE(IsHelpCurrent(true, latest - 1, u"FR", latest));
    EXPECT_FALSE(IsHelpCurrent(true, latest, u"EN", latest));
    EXPECT_FALSE(IsHelpCurrent(true, latest, u"", latest));
    EXPECT_FALSE(IsHelpCurrent(true, latest, u"FR ", latest));
    // A missing file is never current, even when the server names no help version.
    EXPECT_FALSE(IsHelpCurrent(false, latest, u"FR", latest));
    EXPECT_FALSE(IsHelpCurrent(false, 0, u"FR", 0));
}

// The interface language's code decides the versions section, whether the downloaded help is
// of the right language, and whether the tool bars are reset; an English start must switch
// all three.
TEST(InterfaceLanguageCode, FollowsTheLanguageChosenAtStart) {
    const InterfaceLanguageType before = CurrentInterfaceLanguage();
    const QByteArray body = "[VexloFR]\nVxExe=2.0.0;fr\n[Vexlo]\nVxExe=3.0.0;en\n";
    SetInterfaceLanguage(InterfaceLanguageType::English);
    EXPECT_EQ(AppIdentity::InterfaceLanguage(), u"EN");
    EXPECT_EQ(VersionsFile::Parse(body, AppIdentity::InterfaceLanguage()).program, u"3.0.0;en")
        << "English reads the section without a code";
    EXPECT_FALSE(IsHelpCurrent(true, 5, u"FR", 5)) << "French help under an English interface";
    EXPECT_TRUE(IsHelpCurrent(true, 5, u"EN", 5));
    MemorySettingsStore settings;
    settings.SetString(SettingsKeys::SettingsSection(), SettingsKeys::MenuLang(), u"FR"_qs);
    EXPECT_TRUE(ApplyCustomisationReset(settings, AppIdentity::InterfaceLanguage()))
        << "the tool bars of the French layout are reset";
    EXPECT_FALSE(ApplyCustomisationReset(settings, AppIdentity::InterfaceLanguage()))
        << "and only once";
    SetInterfaceLanguage(InterfaceLanguageType::French);
    EXPECT_EQ(AppIdentity::InterfaceLanguage(), u"FR");
    EXPECT_EQ(VersionsFile::Parse(body, AppIdentity::InterfaceLanguage()).program, u"2.0.0;fr");
    EXPECT_TRUE(IsHelpCurrent(true, 5, u"FR", 5));
    EXPECT_TRUE(ApplyCustomisationReset(settings, AppIdentity::InterfaceLanguage()));
    SetInterfaceLanguage(before);
}
