#include "support/CliProcess.h"
#include "support/SessionImageBuilder.h"

#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonObject>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class PlotOverlayTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

    // A model 2 session (count i reads i mV) of n values `period` seconds apart.
    QString Session(const QString& name, const char* start, int period, int n, int base,
                    const char* units = "V") {
        SessionImageBuilder b;
        b.Set("Start", start).Set("Per", QByteArray::number(period)).Set("Ch1Units", units);
        std::vector<int16_t> counts;
        for (int i = 0; i < n; ++i)
            counts.push_back(static_cast<int16_t>(base + i));
        b.Samples(counts);
        QFile f(dir_.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(b.Build());
        return f.fileName();
    }

    CliRun Cli(const QStringList& args) {
        return RunProgram(QStringLiteral(VEXLO_CLI), args, {dir_.path()});
    }

    QTemporaryDir dir_;
};

TEST_F(PlotOverlayTest, SeveralSessionsShareOneGraphOnTheirClockTimes) {
    // Starts 14:00:00, 14:05:00 and 16:00:00; periods 1 s, 60 s and 10 s.
    const QString a = Session(u"four.vx"_qs, "2024/03/05 14:00:00", 1, 601, 0);
    const QString b = Session(u"cuve.vx"_qs, "2024/03/05 14:05:00", 60, 61, 1000);
    const QString c = Session(u"quai.vx"_qs, "2024/03/05 16:00:00", 10, 61, 3000);
    const QString png = dir_.filePath(u"ensemble.png"_qs);

    // The cursor 330 s after 14:00:00: value 330 of the first, value 0 of the second (taken
    // at 14:05:00, the next one at 14:06:00), nothing of the third.
    const CliRun r = Cli({u"plot"_qs, a, b, c, u"--out"_qs, png, u"--width"_qs, u"1200"_qs,
                          u"--height"_qs, u"500"_qs, u"--from"_qs, u"300"_qs, u"--to"_qs, u"900"_qs,
                          u"--cursor"_qs, u"330"_qs, u"--describe"_qs});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QJsonObject d = r.Json();
    EXPECT_EQ(d[u"origin"_qs].toString(), u"2024/03/05 14:00:00"_qs);
    EXPECT_DOUBLE_EQ(d[u"total_span"_qs].toDouble(), 7800.0);
    EXPECT_DOUBLE_EQ(d[u"view_start"_qs].toDouble(), 300.0);
    EXPECT_DOUBLE_EQ(d[u"view_span"_qs].toDouble(), 600.0);
    // A pixel column is half a second here: the cursor is placed to the nearest column.
    EXPECT_NEAR(d[u"cursor_time"_qs].toDouble(), 330.0, 0.5);
    const QJsonArray sessions = d[u"sessions"_qs].toArray();
    ASSERT_EQ(sessions.size(), 3);
    QSet<QString> colours;
    for (const auto& s : sessions)
        colours.insert(s.toObject()[u"colour"_qs].toString());
    EXPECT_EQ(colours.size(), 3);
    EXPECT_EQ(sessions[0].toObject()[u"cursor"_qs].toString(), u"0,33 V"_qs);
    EXPECT_EQ(sessions[1].toObject()[u"cursor"_qs].toString(), u"1,00 V"_qs);
    EXPECT_EQ(sessions[2].toObject()[u"cursor"_qs].toString(), u"- - -"_qs);

    const QImage image(png);
    EXPECT_EQ(image.size(), QSize(1200, 500));
}

TEST_F(PlotOverlayTest, SessionsOfAnotherUnitAreRefusedAndNothingIsWritten) {
    const QString a = Session(u"four.vx"_qs, "2024/03/05 14:00:00", 1, 60, 0);
    const QString mv = Session(u"sonde.vx"_qs, "2024/03/05 14:00:00", 1, 60, 0, "mV");
    const QString png = dir_.filePath(u"refus.png"_qs);
    const CliRun r = Cli({u"plot"_qs, a, mv, u"--out"_qs, png});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.contains(u"« mV » et non en « V »"_qs)) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(png));

    // More than one file is for plot only.
    EXPECT_EQ(Cli({u"info"_qs, a, mv}).status, 64);
}

} // namespace
