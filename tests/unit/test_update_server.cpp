#include "core/app/UpdateServer.h"
#include "core/common/StringTable.h"

#include <gtest/gtest.h>

namespace {

QString VersionsUrl(const QString& base) {
    const UpdateAddress address = VersionsFileAddress(base);
    EXPECT_EQ(static_cast<bool>(address.outcome), !address.url.isEmpty()) << base.toStdString();
    return address.url.toString();
}

bool Accepted(const QString& base) {
    return bool(VersionsFileAddress(base).outcome);
}

} // namespace

TEST(UpdateServer, TheVersionsFilePathIsAppendedToTheBase) {
    EXPECT_EQ(VersionsUrl("https://updates.example"),
              "https://updates.example/brivel-software/updates/versions.txt");
    EXPECT_EQ(VersionsUrl("https://updates.example/"),
              "https://updates.example/brivel-software/updates/versions.txt");
    EXPECT_EQ(VersionsUrl("HTTPS://Updates.Example:8443/mirror//"),
              "https://updates.example:8443/mirror/brivel-software/updates/versions.txt");
    EXPECT_EQ(VersionsUrl("  https://updates.example \n"),
              "https://updates.example/brivel-software/updates/versions.txt");
    EXPECT_EQ(VersionsUrl("http://127.0.0.1:8000"),
              "http://127.0.0.1:8000/brivel-software/updates/versions.txt");
}

TEST(UpdateServer, PlainHttpOnlyToTheLoopbackNetwork) {
    EXPECT_TRUE(Accepted("http://127.0.0.0"));
    EXPECT_TRUE(Accepted("http://127.0.0.1"));
    EXPECT_TRUE(Accepted("http://127.255.255.255"));
    EXPECT_FALSE(Accepted("http://126.255.255.255"));
    EXPECT_FALSE(Accepted("http://128.0.0.1"));
    EXPECT_FALSE(Accepted("http://10.0.0.1"));
    EXPECT_FALSE(Accepted("http://updates.example"));
    // The same hosts over https are fine.
    EXPECT_TRUE(Accepted("https://128.0.0.1"));
    EXPECT_TRUE(Accepted("https://[2001:db8::1]"));
}

TEST(UpdateServer, Ipv4SpellingsAreJudgedByTheAddressTheyMean) {
    // The parser writes every form as a dotted quad, and that is the host contacted.
    EXPECT_EQ(VersionsUrl("http://127.1"), "http://127.0.0.1/brivel-software/updates/versions.txt");
    EXPECT_TRUE(Accepted("http://2130706433"));
    EXPECT_TRUE(Accepted("http://0x7f.0.0.1"));
    EXPECT_TRUE(Accepted("http://0177.0.0.1"));
    // A leading zero is octal: 0127 is 87.
    EXPECT_FALSE(Accepted("http://0127.0.0.1"));
    // Not an address, so a name to look up.
    EXPECT_FALSE(Accepted("http://127.0.0.256"));
    EXPECT_FALSE(Accepted("http://127.0.0.1.example"));
    EXPECT_FALSE(Accepted("http://127.0.0.1."));
}

TEST(UpdateServer, Ipv6LoopbackIsOnlyColonColonOne) {
    EXPECT_TRUE(Accepted("http://[::1]"));
    EXPECT_TRUE(Accepted("http://[::1]:8080"));
    EXPECT_TRUE(Accepted("http://[0:0:0:0:0:0:0:1]"));
    EXPECT_FALSE(Accepted("http://[::2]"));
    EXPECT_FALSE(Accepted("http://[::]"));
    EXPECT_FALSE(Accepted("http://[::1%25lo]"));
    EXPECT_FALSE(Accepted("http://[::ffff:127.0.0.1]"));
}

TEST(UpdateServer, LocalhostOnlyByItsExactName) {
    EXPECT_TRUE(Accepted("http://localhost"));
    EXPECT_TRUE(Accepted("http://LocalHost:9000"));
    // Names that need a resolver to become loopback, if they ever do, are not trusted.
    EXPECT_FALSE(Accepted("http://localhost."));
    EXPECT_FALSE(Accepted("http://a.localhost"));
    EXPECT_FALSE(Accepted("http://localhost.example"));
    EXPECT_FALSE(Accepted("http://localhostx"));
}

TEST(UpdateServer, OtherSchemesAndMalformedBasesAreRefusedWithTheAddress) {
    for (const char* base :
         {"ftp://127.0.0.1", "file:///tmp", "127.0.0.1", "updates.example", "", "https://",
          "https:///path", "http:127.0.0.1", "https://host?x=1", "https://host#top",
          "https://user@host", "http://127.0.0.1@updates.example", "http://127.0.0.1:99999",
          "https://up dates.example"}) {
        const UpdateAddress address = VersionsFileAddress(base);
        EXPECT_EQ(address.outcome.kind, OutcomeType::Refused) << base;
        EXPECT_TRUE(address.url.isEmpty()) << base;
        EXPECT_EQ(address.outcome.message,
                  FormatResource(TextId::kAddressRefused, {QString(base).trimmed()}))
            << base;
    }
}

TEST(UpdateServer, DownloadAddressesFollowTheSameRuleAndKeepTheirQuery) {
    const UpdateAddress firmware = DownloadAddress("https://h.example/fw/VX.hex?rev=3");
    ASSERT_TRUE(firmware.outcome);
    EXPECT_EQ(firmware.url.toString(), "https://h.example/fw/VX.hex?rev=3");
    EXPECT_TRUE(DownloadAddress("http://127.0.0.1:8000/VX.hex").outcome);
    EXPECT_FALSE(DownloadAddress("http://h.example/VX.hex").outcome);
    EXPECT_FALSE(DownloadAddress("ftp://127.0.0.1/VX.hex").outcome);
    EXPECT_FALSE(DownloadAddress("").outcome);
}
