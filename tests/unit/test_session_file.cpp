#include "core/common/LeadingNumber.h"
#include "core/common/ValueMarkers.h"
#include "core/session/CRecSession.h"
#include "core/session/SessionFile.h"
#include "support/SessionTestSupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <array>
#include <cmath>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

std::vector<int16_t> Ramp(int n, int from = 0, int step = 1) {
    std::vector<int16_t> v;
    for (int i = 0; i < n; ++i)
        v.push_back(static_cast<int16_t>(from + i * step));
    return v;
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST(SessionFileHeader, HeaderSizeFollowsTextLength) {
    EXPECT_EQ(HeaderSizeFor(244), 256);
    EXPECT_EQ(HeaderSizeFor(245), 512);
    EXPECT_EQ(HeaderSizeFor(500), 512);
    EXPECT_EQ(HeaderSizeFor(501), 768);

    for (int textLength : {244, 245}) {
        QByteArray text =
            "AppName=VX.exe\r\nGenBy=Inst\r\nModel=2\r\nStart=2024/03/05 14:07:09\r\n";
        text.append(QByteArray(textLength - text.size() - 2, 'x')).append("\r\n");
        ASSERT_EQ(text.size(), textLength);
        SessionImageBuilder b;
        b.HeaderText(text).Samples(Ramp(3));
        const QByteArray image = b.Build();
        ASSERT_EQ(image.size(), (textLength == 244 ? 256 : 512) + 256);
        const auto s = ReadImage(image);
        ASSERT_TRUE(s);
        EXPECT_EQ(s->HeaderSize(), textLength == 244 ? 256 : 512);
        EXPECT_EQ(s->ChanData().ValueCount(), 3) << textLength;
    }
}

TEST(SessionFileHeader, FindingValuesAndNumbers) {
    bool found = true;
    EXPECT_EQ(FindHeaderValue(u"XModel=3\r\nModel=4\r\n"_qs, u"Model="_qs, &found), u"3"_qs)
        << "the first occurrence wins, anywhere in the text";
    EXPECT_TRUE(found);
    EXPECT_EQ(FindHeaderValue(u"A=1"_qs, u"B="_qs, &found), QString());
    EXPECT_FALSE(found);
    EXPECT_EQ(FindHeaderValue(u"Per=1 s\nEnd=x"_qs, u"Per="_qs), u"1 s"_qs);

    EXPECT_DOUBLE_EQ(ParseLocalNumber(u"2,5"_qs), 2.5);
    EXPECT_DOUBLE_EQ(ParseLocalNumber(u"2.5"_qs), 2.5);
    EXPECT_DOUBLE_EQ(ParseLocalNumber(u" 4096 counts"_qs), 4096.0);
    EXPECT_DOUBLE_EQ(ParseLocalNumber(u"abc"_qs), 0.0);
    EXPECT_EQ(LeadingInt(u"-12abc"_qs, LeadingBlankType::SpaceOrTab), -12);
    EXPECT_EQ(LeadingInt(u"99999999999999"_qs, LeadingBlankType::SpaceOrTab), INT32_MAX);
    EXPECT_EQ(LeadingInt(QString(), LeadingBlankType::SpaceOrTab), 0);

    EXPECT_EQ(TcLetterToIndex(u"K"_qs), 1);
    EXPECT_EQ(TcLetterToIndex(u"k"_qs), 0) << "lower case is not a type letter";
    EXPECT_EQ(TcLetterToIndex(u"B"_qs), 7);
    EXPECT_EQ(TcIndexToLetter(6), u"S"_qs);
    EXPECT_EQ(TcIndexToLetter(42), u"J"_qs);
}

TEST(SessionFileHeader, ScaleTexts) {
    EXPECT_EQ(DecodeScaleText(u"0000A041"_qs, u"0"_qs), 20.0f);
    EXPECT_EQ(DecodeScaleText(u"0000a041"_qs, u"0"_qs), 20.0f);
    EXPECT_EQ(DecodeScaleText(u"0000803F"_qs, u"0"_qs), 1.0f);
    EXPECT_EQ(DecodeScaleText(u"20"_qs, u"4"_qs), 4.0f) << "too short: the range text is used";
    EXPECT_EQ(DecodeScaleText(u"0000G041"_qs, u"20"_qs), 20.0f);
    EXPECT_EQ(EncodeScaleText(20.0f), u"0000A041"_qs);
    EXPECT_EQ(EncodeScaleText(4.0f), u"00008040"_qs);
    EXPECT_EQ(EncodeScaleText(100.0f), u"0000C842"_qs);
    EXPECT_EQ(DecodeScaleText(EncodeScaleText(-1234.5f), u"0"_qs), -1234.5f);
}

TEST(SessionFileRead, LoggerFile) {
    SessionImageBuilder b;
    b.Set("Model", "4").Set("SerNum", "777").Set("VRef", "2,5").Set("MaxCnt", "2500");
    b.Set("Ch1LowScale", "20").Set("Ch1HighScale", "x").Samples(Ramp(10, 4000));
    const auto s = ReadImage(b.Build(), Celsius(), u"/media/VEXLO/RECORD.VX"_qs);
    ASSERT_TRUE(s);
    EXPECT_TRUE(s->IsInstrumentFile());
    EXPECT_TRUE(s->IsModified());
    EXPECT_EQ(s->InstrumentName(), u"VX20 (4-20 mAdc) 777"_qs);
    EXPECT_FALSE(s->SessionName().isEmpty());
    EXPECT_TRUE(s->SessionName().startsWith(s->InstrumentName()));
    EXPECT_EQ(s->LowScale(), 4.0f) << "a short scale text reads as the range-low text";
    EXPECT_EQ(s->HighScale(), 20.0f);
    EXPECT_EQ(s->DisplayUnits(), u"mAdc"_qs);
    EXPECT_TRUE(s->HeaderCopy().contains("GenBy=VXCP"));
    EXPECT_EQ(s->DataCopy().size(), 256);
    EXPECT_EQ(s->ChanData().ValueCount(), 10);
    EXPECT_DOUBLE_EQ(s->ChanData().FirstRecord().Values()[0], 4.0) << "2,5 / 2500 per count";
    EXPECT_EQ(s->HeaderValue(HeaderKeyType::Start), u"2024/03/05 14:07:09"_qs);
    EXPECT_EQ(s->DurationSeconds(), 10);
    EXPECT_EQ(s->EndText(), u"2024/03/05 14:07:19"_qs);
    EXPECT_EQ(s->StoragePeriodText(), u"1 seconde"_qs);
}

TEST(SessionFileRead, ControlPanelFileTakesItsParameterBlock) {
    SessionImageBuilder b;
    b.Set("Model", "8").Set("TC_Type", "J").Set("FilterSize", "1");
    b.ParameterText(u"RecordingInProgress=1\r\nInstName=Four\r\nSessionName=Essai été\r\n"
                    u"Location=Lab\r\nHeader=H\r\nFooter=F\r\nComments=c\r\n"
                    u"CorrectedStartTime=2024/01/02 03:04:05\r\nCh1LowScale=\r\nCh1HighScale=\r\n"
                    u"Ch1Units=\r\nTC_Type=k\r\nEnableCJC=0\r\nPolarity=1\r\nFilterSize=3\r\n"_qs);
    b.PairSamples({{100, 0}, {100, 0}, {100, 0}, {100, 0}});
    const auto s = ReadImage(b);
    ASSERT_TRUE(s);
    EXPECT_FALSE(s->IsInstrumentFile());
    EXPECT_FALSE(s->IsModified());
    EXPECT_TRUE(s->RecordingInProgress());
    EXPECT_EQ(s->SessionName(), u"Essai été"_qs);
    EXPECT_EQ(s->InstrumentName(), u"Four"_qs);
    EXPECT_EQ(s->TcIndex(), 0) << "lower-case k reads as type J";
    EXPECT_EQ(s->FilterSize(), 3);
    EXPECT_EQ(s->DisplayUnits(), u"°C"_qs);
    EXPECT_EQ(s->HeaderSize(), b.HeaderBytes().size());
    EXPECT_EQ(s->DataCopy().size(), 256) << "data starts after the 2560-byte block";
    EXPECT_EQ(s->ChanData().ValueCount(), 2) << "4 pairs, filter 3";
    EXPECT_EQ(s->HeaderValue(HeaderKeyType::Start), u"2024/01/02 03:04:05"_qs);
    EXPECT_EQ(s->ChanData().FilterDelay(), 4) << "two skipped samples of 2 s";
}

// What a read sets in a session, to compare before and after a refused one.
struct SessionState {
    ParameterBlockFields fields;
    std::array<QString, kHeaderKeyCount> header;
    QByteArray headerCopy, dataCopy;
    bool temporary, instrumentFile, modified;
    int modelCode, row, valueCount;
    QString storedUnits, displayUnits;

    static SessionState Of(const CRecSession& s) {
        SessionState state{ParameterBlockFields::Of(s),
                           {},
                           s.HeaderCopy(),
                           s.DataCopy(),
                           s.IsTemporary(),
                           s.IsInstrumentFile(),
                           s.IsModified(),
                           s.ModelCode(),
                           s.Row(),
                           s.ChanData().ValueCount(),
                           s.StoredUnits(),
                           s.DisplayUnits()};
        for (int k = 0; k < kHeaderKeyCount; ++k)
            state.header[static_cast<std::size_t>(k)] =
                s.HeaderValue(static_cast<HeaderKeyType>(k));
        return state;
    }
    bool operator==(const SessionState&) const = default;
};

TEST(SessionFileRead, ARefusedFileLeavesTheSessionAsItWas) {
    SessionImageBuilder first;
    first.Set("Model", "4").Samples(Ramp(10, 4000));
    first.ParameterText(u"RecordingInProgress=0\r\nInstName=Four\r\nSessionName=Essai\r\n"
                        u"CorrectedStartTime=2024/01/02 03:04:05\r\nCh1Units=mA\r\n"
                        u"FilterSize=2\r\n"_qs);
    CRecSession session(Celsius());
    session.SetPath(u"/données/ESSAI.VX"_qs);
    ASSERT_TRUE(ReadSessionImage(session, first.Build(), false));
    const SessionState before = SessionState::Of(session);
    ASSERT_EQ(before.valueCount, 9);

    // Each is refused only once its header and block are read, for its start.
    SessionImageBuilder logger;
    logger.Set("Model", "8").Set("TC_Type", "K").Set("Start", "2024/13/05 14:07:09");
    logger.Samples(Ramp(20));
    SessionImageBuilder corrected;
    corrected.Set("Model", "8").Samples(Ramp(20));
    corrected.ParameterText(u"InstName=Autre\r\nCorrectedStartTime=2024/02/30 00:00:00\r\n"
                            u"TC_Type=T\r\nFilterSize=5\r\n"_qs);
    SessionImageBuilder noStartAnywhere;
    noStartAnywhere.Set("Start", "").Samples(Ramp(20));
    noStartAnywhere.ParameterText(u"SessionName=Autre\r\nCorrectedStartTime= \r\n"_qs);
    for (const SessionImageBuilder* refused : {&logger, &corrected, &noStartAnywhere}) {
        EXPECT_EQ(ReadSessionImage(session, refused->Build(), true).kind, OutcomeType::Corrupt);
        EXPECT_EQ(SessionState::Of(session), before);
        EXPECT_EQ(session.ChanData().FirstRecord().Values()[0],
                  ReadImage(first.Build())->ChanData().FirstRecord().Values()[0]);
    }
}

TEST(SessionFileParameterBlock, EveryFieldReadsBackAsWritten) {
    ParameterBlockFields f;
    f.recordingInProgress = true;
    f.instrumentName = u"Four"_qs;
    f.sessionName = u"Essai été"_qs;
    f.location = u"Lab"_qs;
    f.header = u"En-tête"_qs;
    f.footer = u"Pied"_qs;
    f.comments = u"Ligne un\r\nligne deux"_qs;
    f.correctedStart = CalendarDateTime::FromFields(2024, 1, 2, 3, 4, 5);
    f.lowScale = -12.5f;
    f.highScale = 1e6f;
    f.units = u"bar"_qs;
    f.tcIndex = 7;
    f.cjc = true;
    f.polarity = false;
    f.filterSize = 9;
    const QByteArray block = BuildParameterBlock(f);
    const QString text = QString::fromUtf16(reinterpret_cast<const char16_t*>(block.constData()));
    const ParameterBlockReading read =
        ReadParameterBlock(text, {u"-1"_qs, u"1"_qs, u"2024/03/05 14:07:09"_qs});
    f.KeepAsStored();
    EXPECT_EQ(read.fields, f);
    EXPECT_EQ(read.startText, u"2024/01/02 03:04:05"_qs);
    EXPECT_EQ(text.count(u"\r\n"_qs), 15) << "one line for each key, none for the comments";

    // The opposite of each value, so that no field reads back right by chance.
    ParameterBlockFields g;
    g.tcIndex = 1;
    g.correctedStart = f.correctedStart;
    g.filterSize = 1;
    const QByteArray other = BuildParameterBlock(g);
    EXPECT_EQ(
        ReadParameterBlock(QString::fromUtf16(reinterpret_cast<const char16_t*>(other.constData())),
                           {u"-1"_qs, u"1"_qs, QString()})
            .fields,
        g);
}

TEST(SessionFileParameterBlock, AKeyTheBlockLacksReadsAsAnEmptyValue) {
    const ParameterBlockDefaults defaults{u"-10"_qs, u"50"_qs, u"2024/03/05 14:07:09"_qs};
    const ParameterBlockReading empty = ReadParameterBlock(QString(), defaults);
    EXPECT_TRUE(empty.fields.recordingInProgress) << "only a 0 says no recording goes on";
    EXPECT_EQ(empty.fields.lowScale, -10.0f);
    EXPECT_EQ(empty.fields.highScale, 50.0f);
    EXPECT_EQ(empty.fields.tcIndex, 0);
    EXPECT_FALSE(empty.fields.cjc);
    EXPECT_FALSE(empty.fields.polarity);
    EXPECT_EQ(empty.fields.filterSize, 1);
    EXPECT_EQ(empty.startText, defaults.start);
    EXPECT_EQ(empty.fields.correctedStart, CalendarDateTime::FromFields(2024, 3, 5, 14, 7, 9));

    const auto read = [&defaults](const QString& line) {
        return ReadParameterBlock(line, defaults).fields;
    };
    EXPECT_FALSE(read(u"RecordingInProgress=0"_qs).recordingInProgress);
    EXPECT_TRUE(read(u"RecordingInProgress=00"_qs).recordingInProgress);
    EXPECT_TRUE(read(u"RecordingInProgress=1"_qs).recordingInProgress);
    EXPECT_EQ(read(u"FilterSize=-3"_qs).filterSize, 1);
    EXPECT_EQ(read(u"FilterSize=0"_qs).filterSize, 1);
    EXPECT_EQ(read(u"FilterSize=1"_qs).filterSize, 1);
    EXPECT_EQ(read(u"FilterSize=2"_qs).filterSize, 2);
    EXPECT_EQ(read(u"FilterSize=\v2"_qs).filterSize, 1) << "only spaces and tabs lead a number";
    EXPECT_TRUE(read(u"Polarity= \t-1"_qs).polarity);
    EXPECT_EQ(read(u"CorrectedStartTime=\t"_qs).correctedStart,
              CalendarDateTime::FromFields(2024, 3, 5, 14, 7, 9));
}

TEST(SessionFileRead, DataBlocksStayInsideTheImage) {
    SessionImageBuilder b;
    b.Samples({1, 2, 3});
    b.RawBlock(0xFFFF, {9, 9}); // skipped
    b.RawBlock(0);              // nothing
    b.RawBlock(255, {9, 9});    // nothing
    b.RawBlock(256, {9, 9});    // nothing
    b.Samples({4, 5});
    auto s = ReadImage(b);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->ChanData().FirstRecord().RawCounts(), (std::vector<int32_t>{1, 2, 3, 4, 5}));

    // A count above the block's capacity runs on into the next block's bytes, but never
    // past the end of the file.
    SessionImageBuilder over;
    over.RawBlock(254, Ramp(125, 1));
    s = ReadImage(over);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->ChanData().FirstRecord().RawCounts().size(), 125u);

    // A partial last block: only the samples that are in the file.
    SessionImageBuilder partial;
    QByteArray image = partial.Samples(Ramp(100, 1)).Build();
    image.truncate(partial.HeaderBytes().size() + 6 + 2 * 40 + 1);
    s = ReadImage(image);
    ASSERT_TRUE(s);
    const auto& raw = s->ChanData().FirstRecord().RawCounts();
    ASSERT_EQ(raw.size(), 41u);
    EXPECT_EQ(raw[39], 40);
    EXPECT_EQ(raw[40], 41) << "the low byte is in the file, the missing high byte reads as 0";

    // A header without any NUL and a parameter block cut short.
    QByteArray noNul(600, 'A');
    const QByteArray lines = "AppName=VX.exe\r\nGenBy=Inst\r\nStart=2024/03/05 14:07:09\r\n";
    noNul.replace(0, lines.size(), lines);
    s = ReadImage(noNul);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->ChanData().ValueCount(), 0);
    EXPECT_EQ(s->HeaderSize(), 768);

    SessionImageBuilder shortBlock;
    shortBlock.ParameterText(u"CorrectedStartTime=2024/03/05 14:07:09\r\nSessionName=Coupé"_qs);
    QByteArray cut = shortBlock.Build();
    cut.truncate(shortBlock.HeaderBytes().size() + 120);
    s = ReadImage(cut);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->SessionName(), u"Coupé"_qs);
    EXPECT_EQ(s->ChanData().ValueCount(), 0);
}

TEST(SessionFileRead, CountScaleEdgeCases) {
    const auto first = [](SessionImageBuilder& b) {
        b.Samples({1000});
        const auto s = ReadImage(b);
        return s ? s->ChanData().FirstRecord().Values().ToVector().at(0) : -1.0;
    };
    SessionImageBuilder comma, dot;
    comma.Set("VRef", "2,5");
    dot.Set("VRef", "2.5");
    EXPECT_DOUBLE_EQ(first(comma), first(dot));
    EXPECT_DOUBLE_EQ(first(dot), 1.0);

    SessionImageBuilder empty;
    empty.Set("MaxCnt", "").Set("VRef", "4.096");
    EXPECT_DOUBLE_EQ(first(empty), 1.0) << "an empty full-scale count reads as 4096";

    SessionImageBuilder zero;
    zero.Set("MaxCnt", "0");
    EXPECT_EQ(first(zero), NoValue);

    SessionImageBuilder rtdZero;
    rtdZero.Set("Model", "7").Set("MaxCnt", "0");
    EXPECT_EQ(first(rtdZero), NoValue);
}

TEST(SessionFileCheck, RefusedImages) {
    const QString path = u"/tmp/x.vx"_qs;
    for (const QByteArray& refused : {QByteArray(511, 'A'), QByteArray(512, '\0'),
                                      SessionImageBuilder().Set("AppName", "Other.exe").Build()})
        EXPECT_EQ(CheckSessionImage(path, refused).kind, OutcomeType::Unsupported);
    // Each says why in its own words.
    EXPECT_EQ(CheckSessionImage(path, QByteArray(511, 'A')).message,
              u"Le fichier « /tmp/x.vx » ne contient aucune donnée utilisable."_qs);
    EXPECT_EQ(CheckSessionImage(path, QByteArray(512, '\0')).message,
              u"Le fichier « /tmp/x.vx » ne contient aucune donnée."_qs);
    QByteArray other = SessionImageBuilder().Set("AppName", "Other.exe").Build();
    EXPECT_EQ(CheckSessionImage(path, other).message,
              u"Le fichier « /tmp/x.vx » n’est pas pris en charge par ce programme.\n"
              u"Il est supporté par Other.exe."_qs);
    EXPECT_TRUE(CheckSessionImage(path, SessionImageBuilder().Set("AppName", "vx.EXE").Build()));

    QTemporaryDir dir;
    QByteArray image;
    const QString missing = dir.filePath(u"none.vx"_qs);
    const Outcome absent = LoadSessionImage(missing, image);
    EXPECT_EQ(absent.kind, OutcomeType::CannotRead);
    EXPECT_EQ(absent.message,
              u"Impossible d’ouvrir le fichier source "_qs + missing + u" pour la lecture."_qs);
    QFile small(dir.filePath(u"small.vx"_qs));
    ASSERT_TRUE(small.open(QIODevice::WriteOnly));
    small.write(QByteArray(100, 'x'));
    small.close();
    EXPECT_EQ(LoadSessionImage(small.fileName(), image).kind, OutcomeType::Unsupported);
}

TEST(SessionFileCheck, OnlyAPlainFileWithinTheLargestSizeIsOpened) {
    QTemporaryDir dir;
    QByteArray image;
    // A FIFO without a writer would keep the opening waiting for ever.
    const QString fifo = dir.filePath(u"fifo.vx"_qs);
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_EQ(LoadSessionImage(fifo, image).kind, OutcomeType::CannotRead);
    EXPECT_EQ(LoadSessionImage(u"/dev/zero"_qs, image).kind, OutcomeType::CannotRead);
    EXPECT_EQ(LoadSessionImage(dir.path(), image).kind, OutcomeType::CannotRead);

    // Sizes told by the file system alone: nothing past the largest is read.
    QFile large(dir.filePath(u"large.vx"_qs));
    ASSERT_TRUE(large.open(QIODevice::WriteOnly));
    ASSERT_TRUE(large.resize(kMaximumSessionFileSize + 1));
    large.close();
    EXPECT_EQ(LoadSessionImage(large.fileName(), image).kind, OutcomeType::CannotRead);
}

TEST(SessionFileWrite, SavingALoggerFileInsertsTheParameterBlock) {
    QTemporaryDir dir;
    SessionImageBuilder b;
    b.Set("Model", "3").Set("GenBy", "INST").Set("FilterSize", "4").Samples(Ramp(300, -50, 7));
    const QByteArray original = b.Build();
    const auto s = ReadImage(original);
    ASSERT_TRUE(s);
    s->SetComments(u"ligne 1\r\nligne 2"_qs);
    s->SetLocation(QString(200, u'L'));
    const QString path = dir.filePath(u"saved.vx"_qs);
    ASSERT_TRUE(WriteSessionFile(*s, path));

    const QByteArray saved = ReadAll(path);
    EXPECT_EQ(saved.size(), original.size() + 2560);
    EXPECT_EQ(saved.mid(s->HeaderSize() + 2560), original.mid(s->HeaderSize()))
        << "the data moves 2560 bytes further, unchanged";
    const auto back = ReadImage(saved);
    ASSERT_TRUE(back);
    EXPECT_FALSE(back->IsInstrumentFile()) << "GenBy now reads VXCP, whatever its case was";
    EXPECT_FALSE(back->IsModified());
    EXPECT_EQ(back->ChanData().FirstRecord().Values().ToVector(),
              s->ChanData().FirstRecord().Values().ToVector());
    EXPECT_EQ(back->SessionName(), s->SessionName());
    EXPECT_EQ(back->InstrumentName(), s->InstrumentName());
    EXPECT_EQ(back->Comments(), u"ligne 1 ligne 2"_qs) << "nothing after a line break is lost";
    EXPECT_EQ(back->Location(), QString(80, u'L'));
    EXPECT_EQ(back->FilterSize(), 4);
    EXPECT_EQ(back->StartTime(), s->StartTime());

    // In-place rewrite of the parameters only.
    back->SetSessionName(u"Renommée"_qs);
    back->SetReportFooter(u"Pied"_qs);
    ASSERT_TRUE(RewriteParameterBlock(*back, path));
    const QByteArray rewritten = ReadAll(path);
    EXPECT_EQ(rewritten.size(), saved.size());
    const auto again = ReadImage(rewritten);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->SessionName(), u"Renommée"_qs);
    EXPECT_EQ(again->ReportFooter(), u"Pied"_qs);
    EXPECT_EQ(again->ChanData().FirstRecord().Values().ToVector(),
              s->ChanData().FirstRecord().Values().ToVector());

    EXPECT_EQ(RewriteParameterBlock(*back, dir.filePath(u"absent.vx"_qs)).kind,
              OutcomeType::CannotWrite);
    EXPECT_FALSE(QFile::exists(dir.filePath(u"absent.vx"_qs)));
    const Outcome unwritable = WriteSessionFile(*back, dir.filePath(u"no/such/folder.vx"_qs));
    EXPECT_EQ(unwritable.kind, OutcomeType::CannotWrite);
    EXPECT_EQ(unwritable.message, u"Impossible d’ouvrir le fichier de destination "_qs +
                                      dir.filePath(u"no/such/folder.vx"_qs) +
                                      u" pour l’écriture."_qs);
}

TEST(SessionFileWrite, ParameterBlockNeverOverflows) {
    ParameterBlockFields f;
    f.instrumentName = QString(5000, u'I');
    f.sessionName = QString(5000, u'S');
    f.location = QString(5000, u'L');
    f.header = QString(5000, u'H');
    f.footer = QString(5000, u'F');
    f.comments = QString(5000, u'C');
    f.units = u"unités"_qs;
    f.correctedStart = CalendarDateTime::FromFields(2024, 3, 5, 14, 7, 9);
    f.filterSize = 10;
    const QByteArray block = BuildParameterBlock(f);
    ASSERT_EQ(block.size(), 2560);
    EXPECT_EQ(block[2558], '\0');
    EXPECT_EQ(block[2559], '\0');
    const QString text = QString::fromUtf16(reinterpret_cast<const char16_t*>(block.constData()));
    EXPECT_EQ(FindParameterValue(text, u"Ch1Units="_qs), u"unit"_qs);
    EXPECT_EQ(FindParameterValue(text, u"FilterSize="_qs), u"10"_qs);
    EXPECT_EQ(FindParameterValue(text, u"InstName="_qs).size(), 80);
    EXPECT_EQ(FindParameterValue(text, u"CorrectedStartTime="_qs), u"2024/03/05 14:07:09"_qs);
    EXPECT_TRUE(text.endsWith(u"\r\n"_qs));
}
