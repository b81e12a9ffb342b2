#include "core/common/StringTable.h"
#include "core/instrument/IntelHexImage.h"

#include <QByteArray>
#include <gtest/gtest.h>
#include <vector>

namespace {

// One record ":nnaaaatt<data>cc" with its checksum computed.
QByteArray Record(int address, int type, const QByteArray& data) {
    QByteArray body;
    body.append(static_cast<char>(data.size()));
    body.append(static_cast<char>(address >> 8));
    body.append(static_cast<char>(address & 0xFF));
    body.append(static_cast<char>(type));
    body.append(data);
    int sum = 0;
    for (const char c : body)
        sum += static_cast<uchar>(c);
    body.append(static_cast<char>(-sum & 0xFF));
    return ':' + body.toHex().toUpper();
}

QByteArray Data(int address, const QByteArray& data) {
    return Record(address, 0, data);
}

QByteArray Segment(int upper) {
    QByteArray data;
    data.append(static_cast<char>(upper >> 8));
    data.append(static_cast<char>(upper & 0xFF));
    return Record(0, 4, data);
}

QByteArray Lines(const std::vector<QByteArray>& lines) {
    QByteArray text;
    for (const QByteArray& line : lines)
        text += line + '\n';
    return text;
}

const QByteArray kEnd = ":00000001FF";

QString Message(int id) {
    return ResourceString(id);
}

// A compatible image of `size` bytes: the family mark, the rest counting up.
QByteArray FirmwareBytes(int size) {
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(i * 7);
    bytes[1056] = 'X';
    bytes[1057] = 'V';
    return bytes;
}

QByteArray AsHex(const QByteArray& bytes, int recordSize) {
    QByteArray text;
    for (int at = 0; at < bytes.size(); at += recordSize)
        text += Data(at, bytes.mid(at, recordSize)) + "\r\n";
    return text + kEnd + "\r\n";
}

} // namespace

TEST(IntelHex, ReadsAFirmwareFileBackIntoItsBytes) {
    const QByteArray bytes = FirmwareBytes(2100);
    for (const int recordSize : {16, 32, 255}) {
        const IntelHexReadResult result = ReadIntelHex(AsHex(bytes, recordSize));
        ASSERT_TRUE(result.outcome) << recordSize;
        EXPECT_EQ(result.image.Bytes(), bytes);
        EXPECT_TRUE(result.image.CheckCompatibility());
    }
}

TEST(IntelHex, ZeroLengthRecordsAndNonRecordLinesAreIgnored) {
    const QByteArray text = Lines({"# comment", "", "   ", kEnd, ":00FFFF02ZZ", Data(0, "\x01\x02"),
                                   "garbage :0100000001FE", kEnd});
    const IntelHexReadResult result = ReadIntelHex(text);
    ASSERT_TRUE(result.outcome) << result.outcome.message.toStdString();
    EXPECT_EQ(result.image.Bytes(), QByteArray("\x01\x02"));
}

TEST(IntelHex, LeadingSpacesAreSkippedButNotTabs) {
    EXPECT_EQ(ReadIntelHex("    " + Data(0, "A")).image.Bytes(), QByteArray("A"));
    // A tab is not a space: the line does not start with ":" and gives nothing.
    EXPECT_EQ(ReadIntelHex("\t" + Data(0, "A")).outcome.message, Message(1104));
}

TEST(IntelHex, HexDigitsReadInEitherCase) {
    EXPECT_EQ(ReadIntelHex(Data(0, "\xab\xcd").toLower()).image.Bytes(), QByteArray("\xab\xcd"));
}

TEST(IntelHex, ANonHexCharacterCountsAsZero) {
    // ":02000000" "0G" "34" checksum of 00 34: the "G" is a 0, so the data are 00 34.
    QByteArray line = Data(0, QByteArray("\x00\x34", 2));
    line[10] = 'G';
    const IntelHexReadResult result = ReadIntelHex(line);
    ASSERT_TRUE(result.outcome) << result.outcome.message.toStdString();
    EXPECT_EQ(result.image.Bytes(), QByteArray("\x00\x34", 2));
}

TEST(IntelHex, ExtendedLinearAddressMovesLaterRecordsAbove64KiB) {
    EXPECT_EQ(Segment(1), ":020000040001F9");
    const IntelHexReadResult result =
        ReadIntelHex(Lines({Data(0x0010, "lo"), Segment(1), Data(0x0002, "hi"), kEnd}));
    ASSERT_TRUE(result.outcome);
    ASSERT_EQ(result.image.Size(), 0x10004);
    EXPECT_EQ(result.image.Bytes().mid(0x10, 2), "lo");
    EXPECT_EQ(result.image.Bytes().mid(0x10002, 2), "hi");
    EXPECT_EQ(result.image.Bytes().mid(0x12, 0x10002 - 0x12), QByteArray(0x10002 - 0x12, '\0'));
}

TEST(IntelHex, AGapBetweenRecordsIsZeroFilledAndLaterRecordsOverwrite) {
    const IntelHexReadResult result =
        ReadIntelHex(Lines({Data(0x20, "BB"), Data(0x00, "AAAA"), Data(0x02, "cc")}));
    ASSERT_TRUE(result.outcome);
    EXPECT_EQ(result.image.Bytes(), "AAcc" + QByteArray(0x1C, '\0') + "BB");
}

TEST(IntelHex, StartAddressRecordIsAcceptedAndIgnored) {
    const IntelHexReadResult result =
        ReadIntelHex(Lines({Data(0, "ab"), Record(0, 5, QByteArray("\x00\x00\x01\x00", 4)), kEnd}));
    ASSERT_TRUE(result.outcome);
    EXPECT_EQ(result.image.Bytes(), "ab");
}

TEST(IntelHex, RecordTypesOtherThan0_4_5AreRefused) {
    for (const int type : {1, 2, 3, 6, 0xFF}) {
        const IntelHexReadResult result =
            ReadIntelHex(Lines({Data(0, "ok"), Record(0, type, "\x10\x00"), Data(2, "ok")}));
        EXPECT_EQ(result.outcome.message, Message(1100)) << type;
        EXPECT_EQ(result.image.Size(), 0) << type;
    }
}

TEST(IntelHex, AnExtendedAddressWithOneByteIsRefused) {
    EXPECT_EQ(ReadIntelHex(Record(0, 4, "\x01")).outcome.message, Message(1100));
}

TEST(IntelHex, ARecordMayEndAtFFFFButNotCrossIt) {
    EXPECT_EQ(ReadIntelHex(Data(0xFFF0, QByteArray(32, 'x'))).outcome.message, Message(1101));
    EXPECT_EQ(ReadIntelHex(Data(0xFFF0, QByteArray(17, 'x'))).outcome.message, Message(1101));
    const IntelHexReadResult atEnd = ReadIntelHex(Data(0xFFF0, QByteArray(16, 'x')));
    ASSERT_TRUE(atEnd.outcome);
    EXPECT_EQ(atEnd.image.Size(), 0x10000);
}

TEST(IntelHex, AWrongChecksumIsRefused) {
    QByteArray line = Data(0, "abc");
    EXPECT_TRUE(ReadIntelHex(line).outcome);
    line[line.size() - 1] = line.back() == '0' ? '1' : '0';
    EXPECT_EQ(ReadIntelHex(Lines({Data(0, "x"), line})).outcome.message, Message(1102));
}

TEST(IntelHex, ALineThatStopsBeforeItsChecksumIsRefused) {
    const QByteArray line = Data(0, "abc");
    for (const qsizetype cut :
         {qsizetype(1), qsizetype(2), qsizetype(9), line.size() - 2, line.size() - 1}) {
        EXPECT_EQ(ReadIntelHex(line.left(cut)).outcome.message, Message(1103)) << cut;
    }
    // Characters after the checksum are not looked at.
    EXPECT_TRUE(ReadIntelHex(line + "  trailing").outcome);
}

TEST(IntelHex, AFileWithoutProgramBytesIsRefused) {
    for (const QByteArray& text :
         {QByteArray(), Lines({kEnd}), Lines({"hello", "world"}), Lines({Segment(1), kEnd})}) {
        const IntelHexReadResult result = ReadIntelHex(text);
        EXPECT_FALSE(result.outcome);
        EXPECT_EQ(result.outcome.message, Message(1104));
    }
}

TEST(IntelHex, ALineHoldsAtMost1022CharactersAndTheRestStartsTheNextLine) {
    const QByteArray record = Data(0, QByteArray(255, 'z')); // 521 characters
    const auto padded = [&](qsizetype length) {
        return QByteArray(length - record.size(), ' ') + record;
    };
    EXPECT_TRUE(ReadIntelHex(padded(1021) + '\n').outcome);
    EXPECT_TRUE(ReadIntelHex(padded(1022) + '\n').outcome);
    // One more: the line loses its checksum's last digit, which starts a line of its own.
    EXPECT_EQ(ReadIntelHex(padded(1023) + '\n').outcome.message, Message(1103));
    // Carriage returns are dropped wherever they stand and take no room in the line.
    QByteArray withReturn = padded(1022);
    withReturn.insert(1, '\r');
    withReturn.insert(withReturn.size() - 4, '\r');
    EXPECT_TRUE(ReadIntelHex(withReturn + "\r\n" + padded(1022) + "\r\n").outcome);
    // What overflows a line is read as a line: here a whole record.
    const IntelHexReadResult spill = ReadIntelHex(QByteArray(1022, ' ') + Data(4, "s"));
    ASSERT_TRUE(spill.outcome);
    EXPECT_EQ(spill.image.Bytes(), QByteArray(4, '\0') + "s");
}

TEST(IntelHex, AnImageBeyondTheAcknowledgedMemoryIsRefused) {
    const int lastSegment = (IntelHexImage::kMaxSize >> 16) - 1;
    const IntelHexReadResult last = ReadIntelHex(Lines({Segment(lastSegment), Data(0xFFFF, "e")}));
    ASSERT_TRUE(last.outcome);
    EXPECT_EQ(last.image.Size(), IntelHexImage::kMaxSize);
    EXPECT_EQ(ReadIntelHex(Lines({Segment(lastSegment), Data(0xFFFF, "ee")})).outcome.message,
              Message(1101));
    EXPECT_EQ(ReadIntelHex(Lines({Segment(lastSegment + 1), Data(0, "e")})).outcome.message,
              Message(1061));
    EXPECT_EQ(ReadIntelHex(Lines({Segment(0xFFFF), Data(0xFFFF, "e")})).outcome.message,
              Message(1061));
}

TEST(IntelHexImage, CompatibleOnlyWithTheMarkXVAndAtLeast2048Bytes) {
    EXPECT_TRUE(IntelHexImage(FirmwareBytes(2048)).CheckCompatibility());
    EXPECT_TRUE(IntelHexImage(FirmwareBytes(2049)).CheckCompatibility());
    const Outcome tooShort = IntelHexImage(FirmwareBytes(2047)).CheckCompatibility();
    EXPECT_EQ(tooShort.kind, OutcomeType::Unsupported);
    EXPECT_EQ(tooShort.message, Message(1061));
    EXPECT_EQ(IntelHexImage(FirmwareBytes(1058)).CheckCompatibility().kind,
              OutcomeType::Unsupported);
    EXPECT_EQ(IntelHexImage().CheckCompatibility().kind, OutcomeType::Unsupported);

    QByteArray reversed = FirmwareBytes(4096);
    reversed[1056] = 'V';
    reversed[1057] = 'X';
    EXPECT_EQ(IntelHexImage(reversed).CheckCompatibility().kind, OutcomeType::Unsupported);
    QByteArray lower = FirmwareBytes(4096);
    lower[1056] = 'x';
    EXPECT_FALSE(IntelHexImage(lower).CheckCompatibility());
    QByteArray shifted = FirmwareBytes(4096);
    shifted[1055] = 'X';
    shifted[1056] = 'V';
    shifted[1057] = '\0';
    EXPECT_FALSE(IntelHexImage(shifted).CheckCompatibility());
}

TEST(IntelHexImage, PagesCoverTheImageAndTheLastOneIsShort) {
    const IntelHexImage image(FirmwareBytes(2048 + 100));
    QByteArray joined;
    qsizetype pages = 0;
    for (qsizetype at = 0; at < image.Size(); at += 256, ++pages) {
        const QByteArrayView page = image.Page(at, 256);
        EXPECT_EQ(page.size(), at + 256 <= image.Size() ? 256 : 100) << at;
        joined += page;
    }
    EXPECT_EQ(pages, 9);
    EXPECT_EQ(joined, image.Bytes());
    EXPECT_EQ(image.Page(image.Size() - 1, 256).size(), 1);
    EXPECT_TRUE(image.Page(image.Size(), 256).isEmpty());
    EXPECT_TRUE(image.Page(-1, 256).isEmpty());
    EXPECT_TRUE(image.Page(0, 0).isEmpty());
}
