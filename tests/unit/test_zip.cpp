#include "core/export/CZip.h"
#include "core/export/CompressorPool.h"
#include "core/export/DeflateStream.h"
#include "core/export/ZipRecords.h"
#include "unit/test_zip_reader.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <ctime>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace {

// Bytes that deflate cannot shrink, so that sizes in the archive stay predictable.
QByteArray NoiseBytes(qsizetype size, uint32_t seed) {
    QByteArray bytes(size, '\0');
    uint32_t x = seed;
    for (char& c : bytes) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = static_cast<char>(x);
    }
    return bytes;
}

// Text that deflate shrinks a lot, like the sheets it carries.
QByteArray RowText(int rows) {
    QByteArray text;
    for (int r = 1; r <= rows; ++r)
        text += "<row><c r=\"A" + QByteArray::number(r) + "\" t=\"s\"><v>" +
                QByteArray::number(r % 977) + "</v></c></row>";
    return text;
}

void WriteInPieces(CZip& zip, const QByteArray& data, qsizetype piece) {
    for (qsizetype at = 0; at < data.size(); at += piece)
        ASSERT_EQ(zip.Write(QByteArrayView(data).sliced(at, std::min(piece, data.size() - at))),
                  std::min(piece, data.size() - at));
}

class ZipTest : public testing::Test {
protected:
    QString PathOf(const QString& name) const { return dir_.filePath(name); }

    // One archive with the given entries, each written in pieces of 1000 bytes, read back.
    testzip::Archive WriteArchive(const std::vector<std::pair<QString, QByteArray>>& entries) {
        const QString path = PathOf("a.zip");
        CZip zip;
        EXPECT_TRUE(zip.Open(path));
        for (const auto& [name, data] : entries) {
            EXPECT_TRUE(zip.OpenEntry(name));
            WriteInPieces(zip, data, 1000);
            EXPECT_TRUE(zip.CloseEntry());
        }
        EXPECT_TRUE(zip.Close());
        return testzip::ReadFile(path);
    }

    QTemporaryDir dir_;
};

TEST_F(ZipTest, EmptyArchiveIsOnlyTheEndRecordWithZeroCounts) {
    CZip zip;
    ASSERT_TRUE(zip.Open(PathOf("empty.zip")));
    ASSERT_TRUE(zip.Close());
    const QByteArray expected("PK\x05\x06\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 22);
    EXPECT_EQ(testzip::FileBytes(PathOf("empty.zip")), expected);
}

TEST_F(ZipTest, EntryRecordsCarryTheFixedFieldsAndTheComment) {
    const testzip::Archive a = WriteArchive({{"one.xml", "<a/>"}, {"two.xml", RowText(50)}});
    ASSERT_EQ(a.problem, "");
    ASSERT_EQ(a.entries.size(), 2u);
    EXPECT_EQ(a.entries[0].headerOffset, 0u);
    for (const testzip::Entry& e : a.entries) {
        EXPECT_EQ(e.versionMadeBy, 0);
        EXPECT_EQ(e.versionNeeded, 20);
        EXPECT_EQ(e.flags, 0);
        EXPECT_EQ(e.method, 8);
        EXPECT_EQ(e.comment, "No comment");
    }
    EXPECT_EQ(a.entries[0].data, "<a/>");
    EXPECT_EQ(a.entries[1].data, RowText(50));
    EXPECT_LT(a.entries[1].compressedSize, a.entries[1].uncompressedSize / 4);
}

TEST_F(ZipTest, AnEntryWithoutDataHoldsOneSpace) {
    const testzip::Archive a = WriteArchive({{"empty.txt", QByteArray()}});
    ASSERT_EQ(a.problem, "");
    ASSERT_EQ(a.entries.size(), 1u);
    EXPECT_EQ(a.entries[0].data, " ");
    EXPECT_EQ(a.entries[0].uncompressedSize, 1u);
}

TEST_F(ZipTest, DataEndingOnAFullPendingBufferGainsASpace) {
    const QByteArray exact = NoiseBytes(CZip::kPendingSize, 7);
    const QByteArray oneMore = NoiseBytes(CZip::kPendingSize + 1, 8);
    const testzip::Archive a = WriteArchive({{"exact.bin", exact}, {"more.bin", oneMore}});
    ASSERT_EQ(a.problem, "");
    ASSERT_EQ(a.entries.size(), 2u);
    EXPECT_EQ(a.entries[0].uncompressedSize, 65537u);
    EXPECT_EQ(a.entries[0].data, exact + ' ');
    EXPECT_EQ(a.entries[1].data, oneMore);
}

TEST_F(ZipTest, LargeEntriesSpanningManyBlocksInflateWhole) {
    const QByteArray text = RowText(120000); // several compressor blocks
    const QByteArray noise = NoiseBytes(3 * DeflateStream::kBlockSize + 12345, 3);
    const testzip::Archive a = WriteArchive({{"text.xml", text}, {"noise.bin", noise}});
    ASSERT_EQ(a.problem, "");
    ASSERT_EQ(a.entries.size(), 2u);
    EXPECT_GT(text.size(), 4 * DeflateStream::kBlockSize);
    EXPECT_EQ(a.entries[0].data, text);
    EXPECT_EQ(a.entries[1].data, noise);
}

TEST(DeflateStreamTest, WorkersAndCallerThreadMakeEquivalentStreams) {
    const QByteArray text = RowText(90000) + NoiseBytes(100000, 5) + RowText(30000);
    CompressorPool pool(2);
    for (CompressorPool* p : {static_cast<CompressorPool*>(nullptr), &pool}) {
        QByteArray out;
        DeflateStream stream(p, [&out](QByteArrayView bytes) {
            out.append(bytes);
            return true;
        });
        for (qsizetype at = 0; at < text.size(); at += 70000)
            ASSERT_TRUE(stream.Feed(
                QByteArrayView(text).sliced(at, std::min<qsizetype>(70000, text.size() - at))));
        ASSERT_TRUE(stream.Finish());
        QByteArray back;
        ASSERT_TRUE(testzip::Inflate(out.constData(), static_cast<uint32_t>(out.size()), back));
        EXPECT_EQ(back, text);
        EXPECT_EQ(stream.InputSize(), uint64_t(text.size()));
        EXPECT_EQ(stream.OutputSize(), uint64_t(out.size()));
        EXPECT_EQ(stream.Crc(), crc32(0, reinterpret_cast<const Bytef*>(text.constData()),
                                      static_cast<uInt>(text.size())));
    }
}

TEST(DeflateStreamTest, ASinkFailureStopsTheStream) {
    int calls = 0;
    DeflateStream stream(nullptr, [&calls](QByteArrayView) { return ++calls < 2; });
    const QByteArray noise = NoiseBytes(3 * DeflateStream::kBlockSize, 9);
    stream.Feed(noise);
    EXPECT_FALSE(stream.Feed("more"));
    EXPECT_FALSE(stream.Finish());
    EXPECT_EQ(calls, 2);
}

TEST_F(ZipTest, BackslashesInNamesAreStoredAsSlashes) {
    const testzip::Archive a = WriteArchive({{"xl\\styles.xml", "s"}, {"é/ü.xml", "u"}});
    ASSERT_EQ(a.problem, "");
    ASSERT_EQ(a.entries.size(), 2u);
    EXPECT_EQ(a.entries[0].name, "xl/styles.xml");
    EXPECT_EQ(a.entries[1].name, QString("é/ü.xml").toUtf8());
}

TEST_F(ZipTest, NamesThatCannotBeStoredAreRefused) {
    CZip zip;
    ASSERT_TRUE(zip.Open(PathOf("names.zip")));
    EXPECT_FALSE(zip.OpenEntry("/abs.xml"));
    EXPECT_FALSE(zip.OpenEntry("\\abs.xml"));
    EXPECT_FALSE(zip.OpenEntry("c:file.xml"));
    EXPECT_FALSE(zip.OpenEntry(""));
    EXPECT_FALSE(zip.OpenEntry(QString(260, u'n')));
    // Two-byte characters count as two.
    EXPECT_FALSE(zip.OpenEntry(QString(130, u'é')));
    EXPECT_EQ(zip.Write("x"), CZip::kNoEntry);
    ASSERT_TRUE(zip.OpenEntry(QString(259, u'n')));
    ASSERT_TRUE(zip.CloseEntry());
    ASSERT_TRUE(zip.Close());
    const testzip::Archive a = testzip::ReadFile(PathOf("names.zip"));
    ASSERT_EQ(a.problem, "");
    ASSERT_EQ(a.entries.size(), 1u);
    EXPECT_EQ(a.entries[0].name, QByteArray(259, 'n'));
}

TEST_F(ZipTest, CallsOutOfOrderAreRefused) {
    CZip zip;
    EXPECT_FALSE(zip.OpenEntry("a.xml"));
    EXPECT_EQ(zip.Write("x"), CZip::kNoArchive);
    EXPECT_FALSE(zip.CloseEntry());
    EXPECT_FALSE(zip.Close());
    ASSERT_TRUE(zip.Open(PathOf("order.zip")));
    EXPECT_EQ(zip.Write("x"), CZip::kNoEntry);
    EXPECT_FALSE(zip.CloseEntry());
    ASSERT_TRUE(zip.OpenEntry("a.xml"));
    // A second entry would overwrite the first one's data.
    EXPECT_FALSE(zip.OpenEntry("b.xml"));
    EXPECT_EQ(zip.Write("abc"), 3);
    // Close finishes the entry still open.
    ASSERT_TRUE(zip.Close());
    const testzip::Archive a = testzip::ReadFile(PathOf("order.zip"));
    ASSERT_EQ(a.problem, "");
    ASSERT_EQ(a.entries.size(), 1u);
    EXPECT_EQ(a.entries[0].data, "abc");
}

TEST_F(ZipTest, OpeningAgainFinishesTheArchiveStillOpen) {
    CZip zip;
    ASSERT_TRUE(zip.Open(PathOf("first.zip")));
    ASSERT_TRUE(zip.OpenEntry("a.xml"));
    zip.Write("first");
    ASSERT_TRUE(zip.CloseEntry());
    ASSERT_TRUE(zip.Open(PathOf("second.zip")));
    ASSERT_TRUE(zip.Close());
    const testzip::Archive first = testzip::ReadFile(PathOf("first.zip"));
    ASSERT_EQ(first.problem, "");
    ASSERT_EQ(first.entries.size(), 1u);
    EXPECT_EQ(first.entries[0].data, "first");
    EXPECT_EQ(testzip::FileBytes(PathOf("second.zip")).size(), 22);
}

TEST_F(ZipTest, DiscardRemovesTheFile) {
    CZip zip;
    ASSERT_TRUE(zip.Open(PathOf("gone.zip")));
    ASSERT_TRUE(zip.OpenEntry("a.xml"));
    zip.Write("data");
    zip.Discard();
    EXPECT_FALSE(zip.IsOpen());
    EXPECT_FALSE(QFile::exists(PathOf("gone.zip")));
}

TEST_F(ZipTest, AFolderThatDoesNotExistCannotBeOpened) {
    CZip zip;
    EXPECT_FALSE(zip.Open(PathOf("missing/a.zip")));
    EXPECT_FALSE(zip.IsOpen());
}

// The file-size limit makes writes fail past a point, as a full disk does.
class ZipWriteFailureTest : public ZipTest {
protected:
    void SetUp() override {
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved_), 0);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    }
    void TearDown() override {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, oldHandler_);
    }
    void LimitFileSize(rlim_t bytes) {
        rlimit small = saved_;
        small.rlim_cur = bytes;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    }

private:
    rlimit saved_{};
    void (*oldHandler_)(int) = nullptr;
};

TEST_F(ZipWriteFailureTest, AWriteFailingInsideAnEntryFailsTheEntryAndTheArchive) {
    LimitFileSize(200000);
    CZip zip;
    ASSERT_TRUE(zip.Open(PathOf("big.zip")));
    ASSERT_TRUE(zip.OpenEntry("noise.bin"));
    EXPECT_EQ(zip.Write(NoiseBytes(3 * DeflateStream::kBlockSize, 4)),
              3 * DeflateStream::kBlockSize);
    EXPECT_FALSE(zip.CloseEntry());
    EXPECT_FALSE(zip.Close());
}

TEST_F(ZipWriteFailureTest, AFailureWritingTheDirectoryFailsClose) {
    const QByteArray data = NoiseBytes(1000, 6);
    ASSERT_EQ(WriteArchive({{"a.bin", data}}).problem, "");
    const qint64 sound = testzip::FileBytes(PathOf("a.zip")).size();
    LimitFileSize(static_cast<rlim_t>(sound - 30)); // the entry fits, its directory does not
    CZip zip;
    ASSERT_TRUE(zip.Open(PathOf("b.zip")));
    ASSERT_TRUE(zip.OpenEntry("a.bin"));
    zip.Write(data);
    EXPECT_TRUE(zip.CloseEntry());
    EXPECT_FALSE(zip.Close());
}

TEST(ZipDosStampTest, LocalTimeIsPackedIntoTimeAndDateFields) {
    std::tm local{};
    local.tm_year = 2024 - 1900;
    local.tm_mon = 2;
    local.tm_mday = 5;
    local.tm_hour = 14;
    local.tm_min = 7;
    local.tm_sec = 9;
    local.tm_isdst = -1;
    const ZipRecords::DosStamp stamp = ZipRecords::DosStampOf(std::mktime(&local));
    EXPECT_EQ(stamp.time, 14 * 2048 + 7 * 32 + 4);
    EXPECT_EQ(stamp.date, 44 * 512 + 3 * 32 + 5);
    const ZipRecords::DosStamp before1980 = ZipRecords::DosStampOf(0);
    EXPECT_EQ(before1980.time, 0);
    EXPECT_EQ(before1980.date, 0);
}

TEST_F(ZipTest, EntriesAreStampedWithTheTimeTheyWereClosed) {
    const ZipRecords::DosStamp before = ZipRecords::DosStampOf(std::time(nullptr));
    const testzip::Archive a = WriteArchive({{"a.xml", "a"}});
    const ZipRecords::DosStamp after = ZipRecords::DosStampOf(std::time(nullptr));
    ASSERT_EQ(a.entries.size(), 1u);
    const auto value = [](uint16_t date, uint16_t time) { return uint32_t(date) << 16 | time; };
    EXPECT_GE(value(a.entries[0].date, a.entries[0].time), value(before.date, before.time));
    EXPECT_LE(value(a.entries[0].date, a.entries[0].time), value(after.date, after.time));
}

} // namespace
