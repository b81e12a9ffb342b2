#include "support/CliProcess.h"
#include "support/SessionFolderTest.h"
#include "support/SessionImageBuilder.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class PlotOverlayTest : public SessionFolderTest {
protected:
    // An RTD logger: one value a second.
    QString Rtd(const QString& name, const char* start, int n, int base) {
        std::vector<int16_t> counts;
        for (int i = 0; i < n; ++i)
            counts.push_back(static_cast<int16_t>(base + i % 100));
        SessionImageBuilder b;
        b.Set("Model", "7").Set("MaxCnt", "4096").Set("RTDRef", "4750").Set("RTDNom", "1000");
        return Write(name, b.Set("Start", start).Samples(counts));
    }

    // A type K thermocouple logger: one value every two seconds.
    QString Thermocouple(const QString& name, const char* start, int n) {
        std::vector<std::pair<int16_t, int16_t>> pairs;
        for (int i = 0; i < n; ++i)
            pairs.emplace_back(static_cast<int16_t>(100 + i), 0);
        SessionImageBuilder b;
        b.Set("Model", "8").Set("TC_Type", "K").Set("VRef", "1").Set("MaxCnt", "100");
        return Write(name, b.Set("Start", start).PairSamples(pairs));
    }

    CliRun Cli(const QStringList& args) {
        return RunProgram(QStringLiteral(VEXLO_CLI), args, {dir_.path()});
    }
};

TEST_F(PlotOverlayTest, SeveralSessionsShareOneGraphOnTheirClockTimes) {
    // Starts 14:00:00, 14:05:00 and 16:00:00; periods 1 s, 2 s and 1 s.
    const QString a = Rtd(u"chambre.vx"_qs, "2024/03/05 14:00:00", 601, 600);
    const QString b = Thermocouple(u"four.vx"_qs, "2024/03/05 14:05:00", 61);
    const QString c = Rtd(u"quai.vx"_qs, "2024/03/05 16:00:00", 61, 900);
    const QString png = dir_.filePath(u"ensemble.png"_qs);

    const CliRun r = Cli({u"plot"_qs, a, b, c, u"--out"_qs, png, u"--width"_qs, u"1200"_qs,
                          u"--height"_qs, u"500"_qs, u"--from"_qs, u"300"_qs, u"--to"_qs, u"900"_qs,
                          u"--cursor"_qs, u"330"_qs, u"--describe"_qs});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QJsonObject d = r.Json();
    // Time 0 is the first value of them all, one period after the earliest start.
    EXPECT_EQ(d[u"origin"_qs].toString(), u"2024/03/05 14:00:01"_qs);
    EXPECT_DOUBLE_EQ(d[u"total_span"_qs].toDouble(), 7260.0);
    EXPECT_DOUBLE_EQ(d[u"view_start"_qs].toDouble(), 300.0);
    EXPECT_DOUBLE_EQ(d[u"view_span"_qs].toDouble(), 600.0);
    // A pixel column is about half a second here: the cursor goes to the nearest one.
    EXPECT_NEAR(d[u"cursor_time"_qs].toDouble(), 330.0, 0.5);
    const QJsonArray sessions = d[u"sessions"_qs].toArray();
    ASSERT_EQ(sessions.size(), 3);
    QSet<QString> colours;
    for (const auto& s : sessions)
        colours.insert(s.toObject()[u"colour"_qs].toString());
    EXPECT_EQ(colours.size(), 3);
    // The first two hold a value at 14:05:31, in the user's unit; the third starts later.
    for (int s = 0; s < 2; ++s)
        EXPECT_TRUE(sessions[s].toObject()[u"cursor"_qs].toString().endsWith(u" °F"_qs)) << s;
    EXPECT_EQ(sessions[2].toObject()[u"cursor"_qs].toString(), u"- - -"_qs);

    // The PNG's header gives its width and height, big-endian, from byte 16.
    QFile image(png);
    ASSERT_TRUE(image.open(QIODevice::ReadOnly));
    const QByteArray head = image.read(24);
    ASSERT_TRUE(head.startsWith("\x89PNG"));
    const auto be32 = [&](int at) {
        return (uchar(head[at]) << 24) | (uchar(head[at + 1]) << 16) | (uchar(head[at + 2]) << 8) |
               uchar(head[at + 3]);
    };
    EXPECT_EQ(be32(16), 1200);
    EXPECT_EQ(be32(20), 500);
}

TEST_F(PlotOverlayTest, SessionsOfAnotherUnitAreRefusedAndNothingIsWritten) {
    const QString a = Rtd(u"chambre.vx"_qs, "2024/03/05 14:00:00", 60, 600);
    SessionImageBuilder volts;
    volts.Set("Ch1Units", "V").Samples(std::vector<int16_t>(60, 100));
    const QString v = Write(u"tension.vx"_qs, volts);
    const QString png = dir_.filePath(u"refus.png"_qs);
    const CliRun r = Cli({u"plot"_qs, a, v, u"--out"_qs, png});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.contains(u"« V » et non en « °F »"_qs)) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(png));

    // More than one file is for plot only.
    EXPECT_EQ(Cli({u"info"_qs, a, v}).status, 64);
}

} // namespace
