#include "support/CliProcess.h"
#include "support/SessionImageBuilder.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// vexlo-cli on odd session files, with settings of its own and a fixed zone and locale.
class CliOddFiles : public testing::Test {
protected:
    QString Write(const QString& name, const QByteArray& image) {
        QFile f(dir_.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(image);
        return f.fileName();
    }

    CliRun Cli(const QStringList& args) {
        return RunProgram(QStringLiteral(VEXLO_CLI), args, {dir_.path()});
    }

    static QJsonObject Parsed(const CliRun& r) {
        QJsonParseError error{};
        const QJsonDocument doc = QJsonDocument::fromJson(r.out, &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError)
            << error.errorString().toStdString() << "\n"
            << r.out.left(400).toStdString();
        return doc.object();
    }

    QTemporaryDir dir_;
};

std::vector<int16_t> Counts(std::size_t n) {
    std::vector<int16_t> v(n);
    for (std::size_t i = 0; i < n; ++i)
        v[i] = static_cast<int16_t>(100 + i % 1000);
    return v;
}

TEST_F(CliOddFiles, ScalesThatAreNoNumberGiveValidJsonEverywhere) {
    SessionImageBuilder b;
    b.Set("Model", "4").Set("Ch1LowScale", "0000C07F").Set("Ch1HighScale", "0000807F");
    const QString path = Write(u"odd.vx"_qs, b.Samples(Counts(30)).Build());
    for (const char* command : {"info", "values", "stats", "events", "params"}) {
        SCOPED_TRACE(command);
        const CliRun r = Cli({QString::fromLatin1(command), path, u"--json"_qs});
        ASSERT_EQ(r.status, 0) << r.err.toStdString();
        Parsed(r);
        EXPECT_FALSE(r.out.toLower().contains("nan")) << "no value reads nan";
        EXPECT_FALSE(r.out.toLower().contains("inf")) << "no value reads inf";
    }
    const QJsonObject info = Parsed(Cli({u"info"_qs, path, u"--json"_qs}));
    EXPECT_EQ(info[u"low_scale"_qs].toDouble(), 4.0) << "the range text's fallback";
    EXPECT_EQ(info[u"high_scale"_qs].toDouble(), 20.0);
}

TEST_F(CliOddFiles, WholeSecondsArePrintedAsIntegers) {
    // 10^6 samples of one second, and one more.
    for (const std::size_t samples : {std::size_t{1000000}, std::size_t{1000001}}) {
        SessionImageBuilder b;
        const QString path = Write(u"long.vx"_qs, b.Samples(Counts(samples)).Build());
        const CliRun r = Cli({u"info"_qs, path, u"--json"_qs});
        ASSERT_EQ(r.status, 0) << r.err.toStdString();
        EXPECT_TRUE(
            r.out.contains("\"duration_s\": " + QByteArray::number(qulonglong(samples)) + ","))
            << r.out.toStdString();
        EXPECT_EQ(Parsed(r)[u"duration_s"_qs].toDouble(), static_cast<double>(samples));
    }
    SessionImageBuilder b;
    b.Set("Model", "2").Set("Ch1HighScale", "00247449"); // 1000000.0
    const CliRun r =
        Cli({u"info"_qs, Write(u"scale.vx"_qs, b.Samples(Counts(3)).Build()), u"--json"_qs});
    EXPECT_TRUE(r.out.contains("\"high_scale\": 1000000,")) << r.out.toStdString();
}

TEST_F(CliOddFiles, AStartThatIsNoRealDateIsRefusedInFrench) {
    SessionImageBuilder b;
    b.Set("Start", "2024/13/05 14:07:09").Samples(Counts(10));
    const QString path = Write(u"RECORD.VX"_qs, b.Build());
    for (const char* command : {"info", "values", "export"}) {
        SCOPED_TRACE(command);
        const CliRun r = Cli({QString::fromLatin1(command), path});
        EXPECT_EQ(r.status, 2);
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_TRUE(r.err.contains(u"sa date de début « 2024/13/05 14:07:09 » n’est pas une date "
                                   u"réelle comprise entre 1970/01/01 00:00:00 et "
                                   u"2106/02/07 06:28:15."_qs))
            << r.err.toStdString();
    }
}

} // namespace
