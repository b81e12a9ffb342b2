// Writes the starting corpus of every fuzz target into FOLDER/<target>/, made by the same
// builders and emulated logger the tests use, so that no input file is kept in the tree.
#include "core/instrument/RawDump.h"
#include "core/session/SessionFile.h"
#include "sim/LoggerEmulator.h"
#include "sim/ManualClock.h"
#include "support/IntelHexBuilder.h"
#include "support/SessionImageBuilder.h"

#include <QDir>
#include <QFile>
#include <cstdio>
#include <vector>

namespace {

class SeedFolder {
public:
    SeedFolder(const QString& root, const QString& target) : path_(root + u'/' + target) {
        QDir().mkpath(path_);
    }
    bool Add(const QByteArray& bytes) {
        QFile file(path_ + QStringLiteral("/seed-%1").arg(count_++, 3, 10, QChar(u'0')));
        return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
               file.write(bytes) == bytes.size();
    }

private:
    QString path_;
    int count_ = 0;
};

std::vector<int16_t> Ramp(int count) {
    std::vector<int16_t> counts;
    for (int i = 0; i < count; ++i)
        counts.push_back(static_cast<int16_t>(i * 37 - 2000));
    return counts;
}

bool SessionSeeds(const QString& root) {
    SeedFolder out(root, QStringLiteral("fuzz_session_image"));
    std::vector<std::pair<int16_t, int16_t>> pairs;
    for (int i = 0; i < 130; ++i)
        pairs.emplace_back(static_cast<int16_t>(i * 11), static_cast<int16_t>(900 + i));
    bool ok = out.Add(SessionImageBuilder().Samples(Ramp(300)).Build());
    ok = ok && out.Add(SessionImageBuilder()
                           .ParameterText(
                               QStringLiteral("RecordingInProgress=0\r\nInstName=VX\r\n"
                                              "SessionName=S\r\nLocation=L\r\nHeader=H\r\n"
                                              "Footer=F\r\nComments=C\r\n"
                                              "CorrectedStartTime=2024/03/05 14:07:09\r\n"
                                              "Ch1LowScale=00000000\r\nCh1HighScale=0000C842\r\n"
                                              "Ch1Units=bar\r\nTC_Type=K\r\nEnableCJC=1\r\n"
                                              "Polarity=1\r\nFilterSize=4\r\n"))
                           .Samples(Ramp(200))
                           .Build());
    ok =
        ok &&
        out.Add(
            SessionImageBuilder().Set("Model", "8").Set("TC_Type", "K").PairSamples(pairs).Build());
    ok = ok && out.Add(SessionImageBuilder().Set("Model", "6").Samples(Ramp(140)).Build());
    ok = ok && out.Add(SessionImageBuilder()
                           .Set("Model", "7")
                           .Set("RTDRef", "4750")
                           .Set("RTDNom", "1000")
                           .Samples(Ramp(130))
                           .Build());
    return ok && out.Add(SessionImageBuilder()
                             .RawBlock(0xFFFF)
                             .RawBlock(0)
                             .RawBlock(255)
                             .RawBlock(200, Ramp(125))
                             .Build());
}

bool LoggerSeeds(const QString& root) {
    SeedFolder status(root, QStringLiteral("fuzz_status_text"));
    SeedFolder config(root, QStringLiteral("fuzz_config_text"));
    SeedFolder chunk(root, QStringLiteral("fuzz_first_chunk"));
    SeedFolder dumps(root, QStringLiteral("fuzz_raw_dump"));
    bool ok = true;
    for (int model = 0; model <= 9; ++model) {
        const ManualClock clock(1709647629, 0);
        LoggerSettings settings;
        settings.modelCode = model;
        // Five hours of one sample a second: past the copy's first chunk.
        settings.demoRecordingSeconds = 5 * 3600;
        const LoggerEmulator logger(clock, settings);
        ok = ok && status.Add(logger.StatusText()) && config.Add(logger.ConfigText());
        // The first byte of a chunk seed says how much less the status announces.
        const QByteArray record = logger.RecordBytes();
        ok = ok && chunk.Add(QByteArray(1, '\0') + record);
        InstrumentState state;
        const QByteArray text = logger.StatusText();
        state.status.ReadTexts(text.constData(), static_cast<int>(text.size()));
        const RawDump dump{RawDump::StatusTextOf(state, record.size()),
                           QByteArray(kParameterBlockSize, '\0'), record};
        ok = ok && dumps.Add(dump.Bytes());
    }
    return ok;
}

bool HexSeeds(const QString& root) {
    SeedFolder out(root, QStringLiteral("fuzz_intel_hex"));
    const QByteArray small = IntelHexBuilder::Firmware(4096);
    return out.Add(IntelHexBuilder::Text(small)) &&
           out.Add(IntelHexBuilder::Text(IntelHexBuilder::Firmware(2048))) &&
           out.Add(IntelHexBuilder::Record(0, 4, QByteArray::fromHex("0001")) +
                   IntelHexBuilder::Record(0x10, 0, small.left(16)) +
                   IntelHexBuilder::Record(0, 5, QByteArray::fromHex("00001000")) +
                   ":00000001FF\r\n");
}

bool VersionsSeeds(const QString& root) {
    SeedFolder out(root, QStringLiteral("fuzz_versions_file"));
    return out.Add("[VexloFR]\r\nVxHex=1.2.3;https://h/fw.hex\r\nVxExe=1.1.0001;https://h/vx.exe"
                   "\r\nHelp=1.0.0;https://h/help.zip\r\nManual=;https://h/manual\r\n") &&
           out.Add("VxExe=0.0.1;before\n[Vexlo]\nVxExe=9.9.9;http://127.0.0.1/x\n[vexlofr]\n"
                   "VxExe=1.2.0;https://h/fr\nHelp=2.0;https://h/h.zip;extra\n");
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 64;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    const bool ok =
        SessionSeeds(root) && LoggerSeeds(root) && HexSeeds(root) && VersionsSeeds(root);
    if (!ok)
        std::fprintf(stderr, "%s: cannot write the seeds\n", argv[0]);
    return ok ? 0 : 1;
}
