#include "support/CliProcess.h"
#include "support/SessionImageBuilder.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class CliTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        // Settings live under XDG_CONFIG_HOME; a private one keeps the user's out of it.
        ASSERT_TRUE(QDir(dir_.path()).mkpath(u"config/Marvane"_qs));
    }

    void SetTempUnits(int units) {
        QFile f(dir_.filePath(u"config/Marvane/Vexlo.conf"_qs));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[Settings]\nTempUnits=" + QByteArray::number(units) + "\n");
    }

    QString Write(const QString& name, const QByteArray& image) {
        QFile f(dir_.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(image);
        return f.fileName();
    }

    CliRun Cli(const QStringList& args, const QString& locale = u"fr_FR.UTF-8"_qs) {
        return RunProgram(QStringLiteral(VEXLO_CLI), args, {dir_.path(), {}, locale});
    }

    QTemporaryDir dir_;
};

SessionImageBuilder ThermocoupleLogger() {
    SessionImageBuilder b;
    // Type K, 0.01 mV per count: 41.28 mV is about 1000 °C.
    b.Set("Model", "8").Set("TC_Type", "K").Set("VRef", "1").Set("MaxCnt", "100");
    b.Set("SerNum", "A42").Set("Start", "2024/03/05 14:07:09");
    b.PairSamples({{4128, 0}, {0, 0}, {7000, 0}});
    return b;
}

} // namespace

TEST_F(CliTest, InfoOfALoggerFile) {
    const QString path = Write(u"RECORD.VX"_qs, ThermocoupleLogger().Build());
    const CliRun r = Cli({u"info"_qs, path, u"--json"_qs});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QJsonObject o = r.Json();
    EXPECT_EQ(o.size(), 26);
    EXPECT_EQ(o[u"model_code"_qs].toInt(), 8);
    EXPECT_EQ(o[u"model_name"_qs].toString(), u"VX50 (TC)"_qs);
    EXPECT_EQ(o[u"channel_name"_qs].toString(), u"TC1VK"_qs);
    EXPECT_EQ(o[u"instrument_name"_qs].toString(), u"VX50 (TC) A42"_qs);
    EXPECT_FALSE(o[u"session_name"_qs].toString().isEmpty());
    EXPECT_EQ(o[u"serial"_qs].toString(), u"A42"_qs);
    EXPECT_EQ(o[u"generated_by"_qs].toString(), u"Inst"_qs);
    EXPECT_EQ(o[u"header_size"_qs].toInt(), 512);
    EXPECT_EQ(o[u"start"_qs].toString(), u"2024/03/05 14:07:09"_qs);
    EXPECT_EQ(o[u"end"_qs].toString(), u"2024/03/05 14:07:15"_qs);
    EXPECT_EQ(o[u"duration_s"_qs].toDouble(), 6.0);
    EXPECT_EQ(o[u"duration_text"_qs].toString(), u"6 (s)"_qs);
    EXPECT_EQ(o[u"period_s"_qs].toInt(), 2);
    EXPECT_EQ(o[u"period_text"_qs].toString(), u"2 secondes"_qs);
    EXPECT_EQ(o[u"units"_qs].toString(), u"°F"_qs) << "the default setting is °F";
    EXPECT_EQ(o[u"tc_type"_qs].toString(), u"K"_qs);
    EXPECT_TRUE(o[u"polarity"_qs].isBool());
    EXPECT_FALSE(o[u"cjc"_qs].toBool());
    EXPECT_FALSE(o[u"recording_in_progress"_qs].toBool());
    EXPECT_EQ(o[u"value_count"_qs].toInt(), 3);
    EXPECT_EQ(o[u"event_count"_qs].toInt(), 0);
    EXPECT_EQ(o[u"low_scale"_qs].toDouble(), 0.0);

    const CliRun plain = Cli({u"info"_qs, path});
    ASSERT_EQ(plain.status, 0);
    EXPECT_TRUE(plain.out.contains("instrument_name        VX50 (TC) A42\n"));
}

TEST_F(CliTest, ValuesFollowTheTemperatureSettingAndTheLocale) {
    const QString path = Write(u"tc.vx"_qs, ThermocoupleLogger().Build());
    SetTempUnits(0);
    CliRun r = Cli({u"values"_qs, path, u"--json"_qs});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QJsonArray values = r.Json()[u"values"_qs].toArray();
    ASSERT_EQ(values.size(), 3);
    const QJsonObject v0 = values[0].toObject();
    EXPECT_EQ(v0[u"i"_qs].toInt(), 0);
    EXPECT_NEAR(v0[u"v"_qs].toDouble(), 1000.0, 0.2);
    EXPECT_EQ(v0[u"state"_qs].toString(), u"value"_qs);
    EXPECT_TRUE(v0[u"text"_qs].toString().endsWith(u" °C"_qs));
    EXPECT_EQ(values[1].toObject()[u"text"_qs].toString(), u"0,0 °C"_qs);
    // 2024-03-05 14:07:09 in Paris is 13:07:09 UTC; value 0 is one period after the start.
    EXPECT_EQ(v0[u"t"_qs].toDouble(), 1709644029.0 + 2);
    const QJsonObject v2 = values[2].toObject();
    EXPECT_TRUE(v2[u"v"_qs].isNull());
    EXPECT_EQ(v2[u"state"_qs].toString(), u"over"_qs);
    EXPECT_EQ(v2[u"text"_qs].toString(), u"Au-dessus de la gamme"_qs);

    r = Cli({u"values"_qs, path}, u"en_US.UTF-8"_qs);
    ASSERT_EQ(r.status, 0);
    const QList<QByteArray> lines = r.out.split('\n');
    ASSERT_GE(lines.size(), 3);
    EXPECT_TRUE(lines[0].startsWith("0\t3/5/24\t")) << lines[0].toStdString();
    EXPECT_TRUE(lines[0].contains(" PM\t")) << lines[0].toStdString();
    EXPECT_TRUE(lines[1].endsWith("\t0.0 °C")) << lines[1].toStdString();

    SetTempUnits(1);
    r = Cli({u"stats"_qs, path, u"--json"_qs});
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.Json()[u"max"_qs].toString(), u"Au-dessus de la gamme"_qs);
    EXPECT_TRUE(r.Json()[u"min"_qs].toString().startsWith(u"32,0"_qs));
    EXPECT_TRUE(r.Json()[u"min"_qs].toString().endsWith(u" °F"_qs));
}

TEST_F(CliTest, StatisticsWithAlarmLimitsAndMeanKineticTemperature) {
    const QString path = Write(u"tc.vx"_qs, ThermocoupleLogger().Build());
    SetTempUnits(0);
    // About 1000 °C, 0 °C and over the range, 2 s apart.
    CliRun r =
        Cli({u"stats"_qs, path, u"--json"_qs, u"--low"_qs, u"10"_qs, u"--high"_qs, u"500"_qs});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    QJsonObject s = r.Json();
    EXPECT_EQ(s[u"time_above_s"_qs].toDouble(), 4.0) << "the over-range point is above";
    EXPECT_EQ(s[u"time_below_s"_qs].toDouble(), 2.0);
    EXPECT_EQ(s[u"excursions"_qs].toInt(), 3);
    // python3: a = 10000; a / -log(mean(exp(-a / (t + 273.15)) for t in (1000, 0))) - 273.15
    // gives 896.758, and 896.59 to 896.93 for 1000 ± 0.2 °C.
    EXPECT_NEAR(s[u"mkt"_qs].toDouble(), 896.758, 0.2);

    // A value exactly on the limit is not out of it; --first/--last narrow the window.
    r = Cli({u"stats"_qs, path, u"--json"_qs, u"--low"_qs, u"0"_qs, u"--first"_qs, u"1"_qs,
             u"--last"_qs, u"1"_qs});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    s = r.Json();
    EXPECT_EQ(s[u"time_below_s"_qs].toDouble(), 0.0);
    EXPECT_EQ(s[u"excursions"_qs].toInt(), 0);
    EXPECT_NEAR(s[u"mkt"_qs].toDouble(), 0.0, 0.01);

    // Without limits the keys of the limits are absent; °F moves the MKT with the unit.
    SetTempUnits(1);
    r = Cli({u"stats"_qs, path, u"--json"_qs});
    s = r.Json();
    EXPECT_FALSE(s.contains(u"excursions"_qs));
    EXPECT_NEAR(s[u"mkt"_qs].toDouble(), 896.758 * 1.8 + 32, 0.4);

    r = Cli({u"stats"_qs, path, u"--low"_qs, u"10"_qs});
    ASSERT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.contains("excursions")) << r.out.toStdString();

    EXPECT_EQ(Cli({u"stats"_qs, path, u"--low"_qs, u"5"_qs, u"--high"_qs, u"4"_qs}).status, 64);
    EXPECT_EQ(Cli({u"stats"_qs, path, u"--low"_qs, u"5"_qs, u"--high"_qs, u"5"_qs}).status, 0);
    EXPECT_EQ(Cli({u"stats"_qs, path, u"--low"_qs, u"x"_qs}).status, 64);
    EXPECT_EQ(Cli({u"info"_qs, path, u"--low"_qs, u"1"_qs}).status, 64);
}

TEST_F(CliTest, LimitsRememberedForTheLoggerApplyUnlessTheCommandLineGivesSome) {
    const QString path = Write(u"tc.vx"_qs, ThermocoupleLogger().Build());
    {
        QFile f(dir_.filePath(u"config/Marvane/Vexlo.conf"_qs));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[Settings]\nTempUnits=0\n[VX_0008_A42]\nAlarmLow=10\nAlarmHigh=500\n");
    }
    CliRun r = Cli({u"stats"_qs, path, u"--json"_qs});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    QJsonObject s = r.Json();
    EXPECT_EQ(s[u"time_above_s"_qs].toDouble(), 4.0);
    EXPECT_EQ(s[u"time_below_s"_qs].toDouble(), 2.0);
    EXPECT_EQ(s[u"excursions"_qs].toInt(), 3);

    // Given limits replace both remembered ones.
    r = Cli({u"stats"_qs, path, u"--json"_qs, u"--high"_qs, u"2000"_qs});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    s = r.Json();
    EXPECT_EQ(s[u"time_above_s"_qs].toDouble(), 2.0) << "only the over-range point";
    EXPECT_EQ(s[u"time_below_s"_qs].toDouble(), 0.0);

    const QString png = dir_.filePath(u"t.png"_qs);
    EXPECT_EQ(Cli({u"plot"_qs, path, u"--out"_qs, png, u"--low"_qs, u"20"_qs}).status, 0);
    EXPECT_TRUE(QFile::exists(png));
    EXPECT_EQ(Cli({u"plot"_qs, path, path, u"--out"_qs, png, u"--low"_qs, u"20"_qs}).status, 64)
        << "an overlay has no limits";
}

TEST_F(CliTest, StatisticsWindowAndEvents) {
    SessionImageBuilder b;
    b.Set("Model", "6").Set("Polarity", "1");
    b.Samples({0, static_cast<int16_t>(0x8001), 0});
    const QString path = Write(u"events.vx"_qs, b.Build());
    CliRun r = Cli({u"events"_qs, path, u"--json"_qs});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QJsonArray events = r.Json()[u"events"_qs].toArray();
    ASSERT_EQ(events.size(), 2);
    EXPECT_EQ(events[1].toObject()[u"start_ms"_qs].toInt(), 945);
    EXPECT_EQ(events[1].toObject()[u"length"_qs].toInt(), 0);
    EXPECT_EQ(events[1].toObject()[u"length_ms"_qs].toInt(), 55);
    EXPECT_EQ(events[1].toObject()[u"length_text"_qs].toString(), u"0,055 s"_qs);
    EXPECT_EQ(events[0].toObject()[u"start"_qs].toDouble(), 1709644029.0 + 1);
    EXPECT_EQ(events[0].toObject()[u"date"_qs].toString(), u"05/03/2024"_qs);
    EXPECT_EQ(events[0].toObject()[u"time"_qs].toString(), u"14:07:10"_qs);
    EXPECT_EQ(events[1].toObject()[u"time"_qs].toString(), u"14:07:10.945"_qs);

    r = Cli({u"stats"_qs, path, u"--json"_qs, u"--first"_qs, u"16"_qs, u"--last"_qs, u"31"_qs});
    ASSERT_EQ(r.status, 0);
    const QJsonObject s = r.Json();
    for (const QString& key :
         {u"avg"_qs, u"event_total"_qs, u"last"_qs, u"max"_qs, u"min"_qs, u"total"_qs})
        EXPECT_TRUE(s[key].isString()) << key.toStdString();
    EXPECT_EQ(s[u"total"_qs].toString().trimmed(), u"2"_qs);
    EXPECT_EQ(s[u"event_total"_qs].toString(), u"0,118 s"_qs)
        << "state 31 is in the window, as its value is in the total: both events";
    r = Cli({u"stats"_qs, path, u"--json"_qs, u"--first"_qs, u"16"_qs, u"--last"_qs, u"30"_qs});
    EXPECT_EQ(r.Json()[u"event_total"_qs].toString(), u"0,063 s"_qs)
        << "one state less ends where the second event starts";

    r = Cli({u"events"_qs, path});
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.out.count('\n'), 2);
}

TEST_F(CliTest, RefusalsAndUsageErrors) {
    const QString small = Write(u"small.vx"_qs, QByteArray(100, 'x'));
    CliRun r = Cli({u"info"_qs, small});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.contains(u"ne contient aucune donnée utilisable"_qs)) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty());

    const QString other =
        Write(u"other.vx"_qs, SessionImageBuilder().Set("AppName", "X.exe").Build());
    r = Cli({u"stats"_qs, other});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.contains(u"Il est supporté par X.exe"_qs));

    r = Cli({u"info"_qs, dir_.filePath(u"missing.vx"_qs)});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.startsWith(u"vexlo-cli : Impossible d’ouvrir le fichier source"_qs))
        << "every refusal is printed the one way";

    // Garbage that passes the checks still opens without a crash.
    QByteArray junk = SessionImageBuilder().Build();
    for (int i = 0; i < 4000; ++i)
        junk.append(static_cast<char>((i * 7919) & 0xFF));
    r = Cli({u"values"_qs, Write(u"junk.vx"_qs, junk), u"--json"_qs});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.Json().contains(u"values"_qs));

    EXPECT_EQ(Cli({}).status, 64);
    EXPECT_EQ(Cli({u"frobnicate"_qs, small}).status, 64);
    EXPECT_EQ(Cli({u"info"_qs}).status, 64);
    EXPECT_EQ(Cli({u"stats"_qs, small, u"--first"_qs, u"x"_qs}).status, 64);
    EXPECT_EQ(Cli({u"info"_qs, small, u"--bogus"_qs}).status, 64);
    r = Cli({u"--help"_qs});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.contains("vexlo-cli"));
}

class CliParams : public CliTest {};

TEST_F(CliParams, ListsTheParametersAsTheViewsShowThem) {
    const QString path = Write(u"tc.vx"_qs, ThermocoupleLogger().Build());
    const CliRun r = Cli({u"params"_qs, path, u"--json"_qs});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QJsonArray rows = r.Json()[u"rows"_qs].toArray();
    ASSERT_EQ(rows.size(), 20);
    QStringList headers;
    QHash<QString, QString> values;
    for (const QJsonValue& v : rows) {
        const QJsonObject row = v.toObject();
        ASSERT_EQ(row.size(), 3);
        if (row[u"header"_qs].toBool())
            headers.append(row[u"label"_qs].toString());
        else
            values.insert(row[u"label"_qs].toString(), row[u"value"_qs].toString());
    }
    EXPECT_EQ(headers, (QStringList{u"État de l’enregistrement"_qs, u"ID de l’instrument"_qs,
                                    u"Configuration de la voie"_qs}));
    EXPECT_EQ(values.value(u"Type de TC"_qs), u"K"_qs);
    EXPECT_EQ(values.value(u"CJC activé"_qs), u"non"_qs);
    EXPECT_EQ(values.value(u"Unités"_qs), u"°F"_qs);
    EXPECT_EQ(values.value(u"Numéro de série"_qs), u"A42"_qs);
    EXPECT_FALSE(values.contains(u"Échelle basse"_qs));

    const CliRun plain = Cli({u"params"_qs, path});
    ASSERT_EQ(plain.status, 0);
    const QString text = QString::fromUtf8(plain.out);
    EXPECT_TRUE(text.startsWith(u"État de l’enregistrement\n  Nom de la session "_qs))
        << plain.out.data();
    EXPECT_TRUE(text.contains(u"\n  Type de TC"_qs));
    EXPECT_TRUE(text.contains(u"  K\n"_qs));

    EXPECT_EQ(Cli({u"params"_qs, dir_.filePath(u"missing.vx"_qs)}).status, 2);
    EXPECT_EQ(Cli({u"params"_qs}).status, 64);
}

TEST_F(CliTest, PlotDrawsTheTrendGraphAndDescribesIt) {
    SessionImageBuilder b;
    std::vector<int16_t> ramp;
    for (int i = 0; i < 3600; ++i)
        ramp.push_back(static_cast<int16_t>(i % 1200));
    b.Samples(ramp);
    const QString session = Write(u"rampe.vx"_qs, b.Build());
    const QString png = dir_.filePath(u"rampe.png"_qs);

    const CliRun whole = Cli({u"plot"_qs, session, u"--out"_qs, png, u"--describe"_qs,
                              u"--width"_qs, u"900"_qs, u"--height"_qs, u"400"_qs});
    ASSERT_EQ(whole.status, 0) << whole.err.toStdString();
    QFile image(png);
    ASSERT_TRUE(image.open(QIODevice::ReadOnly));
    EXPECT_TRUE(image.read(8).startsWith("\x89PNG"));
    const QJsonObject d = whole.Json();
    for (const char* key : {"lowest", "highest", "division_text", "span_text", "grid_x",
                            "value_labels", "plot", "segments"})
        EXPECT_TRUE(d.contains(QLatin1String(key))) << key;
    EXPECT_LT(d[u"lowest"_qs].toDouble(), d[u"highest"_qs].toDouble());
    const QJsonObject plot = d[u"plot"_qs].toObject();
    EXPECT_GT(plot[u"left"_qs].toInt(), 0);
    EXPECT_LE(plot[u"right"_qs].toInt(), 900);
    EXPECT_LE(plot[u"bottom"_qs].toInt(), 400);
    EXPECT_TRUE(d[u"division_text"_qs].toString().endsWith(u"/Div"_qs));
    EXPECT_FALSE(d[u"value_labels"_qs].toArray().isEmpty());
    // Grouped per pixel column: the segments follow the plot's width, not the 3600 points.
    const int segments = d[u"segments"_qs].toInt();
    EXPECT_GT(segments, 0);
    EXPECT_LT(segments, 3 * (plot[u"right"_qs].toInt() - plot[u"left"_qs].toInt()));

    const CliRun part = Cli({u"plot"_qs, session, u"--out"_qs, dir_.filePath(u"p.pdf"_qs),
                             u"--from"_qs, u"600"_qs, u"--to"_qs, u"1200"_qs, u"--describe"_qs});
    ASSERT_EQ(part.status, 0) << part.err.toStdString();
    EXPECT_NE(part.Json()[u"span_text"_qs], d[u"span_text"_qs]);
    QFile pdf(dir_.filePath(u"p.pdf"_qs));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.read(5).startsWith("%PDF"));

    EXPECT_EQ(Cli({u"plot"_qs, session}).status, 64) << "no --out";
    EXPECT_EQ(
        Cli({u"plot"_qs, session, u"--out"_qs, png, u"--from"_qs, u"9"_qs, u"--to"_qs, u"3"_qs})
            .status,
        64);
    EXPECT_EQ(Cli({u"info"_qs, session, u"--describe"_qs}).status, 64);
}

TEST_F(CliTest, PlotDescribesThePagesChannelLineForTheWindowAndCursor) {
    // Value i is i × 10 mV: its text tells which value a figure comes from.
    SessionImageBuilder b;
    std::vector<int16_t> ramp;
    for (int i = 0; i < 1000; ++i)
        ramp.push_back(static_cast<int16_t>(i * 10));
    b.Samples(ramp);
    const QString session = Write(u"line.vx"_qs, b.Build());
    const QString png = dir_.filePath(u"line.png"_qs);
    const auto line = [&](const QStringList& extra) {
        const CliRun r = Cli(
            QStringList{u"plot"_qs, session, u"--out"_qs, png, u"--describe"_qs, u"--force"_qs} +
            extra);
        EXPECT_EQ(r.status, 0) << r.err.toStdString();
        return r.Json()[u"channel_line"_qs].toObject();
    };
    const auto stats = [&](int first, int last) {
        return Cli({u"stats"_qs, session, u"--json"_qs, u"--first"_qs, QString::number(first),
                    u"--last"_qs, QString::number(last)})
            .Json();
    };

    const QJsonObject whole = line({});
    EXPECT_EQ(whole.keys(), (QStringList{u"Couleur"_qs, u"Curseur AVG"_qs, u"Fenêtre AVG"_qs,
                                         u"Fenêtre MAX"_qs, u"Fenêtre MIN"_qs, u"Voie"_qs}));
    const QJsonObject all = stats(0, 999);
    EXPECT_EQ(whole[u"Fenêtre MIN"_qs], all[u"min"_qs]);
    EXPECT_EQ(whole[u"Fenêtre MAX"_qs], all[u"max"_qs]);
    EXPECT_EQ(whole[u"Fenêtre AVG"_qs], all[u"avg"_qs]);
    EXPECT_EQ(whole[u"Curseur AVG"_qs].toString(), u"- - -"_qs) << "no cursor asked for";

    // Seconds 500 to 600 from the start show values 500 to 600, each its own column; the
    // cursor takes the column whose centre is not left of it.
    const QStringList window{u"--from"_qs, u"500"_qs, u"--to"_qs, u"600"_qs};
    const QJsonObject part = line(window);
    const QJsonObject expected = stats(500, 600);
    EXPECT_EQ(part[u"Fenêtre MIN"_qs], expected[u"min"_qs]);
    EXPECT_EQ(part[u"Fenêtre MAX"_qs], expected[u"max"_qs]);
    EXPECT_EQ(part[u"Fenêtre MIN"_qs].toString(), u"5,00 Vdc"_qs);
    for (const auto& [at, text] :
         {std::pair{u"550"_qs, u"5,50 Vdc"_qs}, std::pair{u"550.4"_qs, u"5,50 Vdc"_qs},
          std::pair{u"550.6"_qs, u"5,51 Vdc"_qs}})
        EXPECT_EQ(line(window + QStringList{u"--cursor"_qs, at})[u"Curseur AVG"_qs].toString(),
                  text)
            << at.toStdString();

    EXPECT_EQ(Cli({u"plot"_qs, session, u"--out"_qs, png, u"--cursor"_qs, u"inf"_qs}).status, 64);
    EXPECT_EQ(Cli({u"plot"_qs, session, u"--out"_qs, png, u"--cursor"_qs, u"-1"_qs}).status, 64);
}
