#include "export/CZip.h"

#include "export/CompressorPool.h"
#include "export/DeflateStream.h"
#include "export/ZipRecords.h"

#include <algorithm>
#include <cstring>
#include <ctime>

namespace {

constexpr QByteArrayView kEntryComment("No comment");

bool IsAcceptedName(const QByteArray& name) {
    return !name.isEmpty() && name.size() <= CZip::kMaxNameBytes && !name.startsWith('/') &&
           !name.contains(':');
}

} // namespace

CZip::CZip() : m_pending(std::make_unique<char[]>(kPendingSize)) {}

CZip::~CZip() {
    if (IsOpen())
        Close();
}

bool CZip::Open(const QString& path) {
    if (IsOpen())
        Close();
    m_path = path;
    m_file.setFileName(path);
    // Every write goes straight to the system, so that a full disk shows at the call.
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        return false;
    m_failed = false;
    m_archiveSize = 0;
    m_entries = 0;
    m_directory.clear();
    return true;
}

bool CZip::OpenEntry(const QString& name) {
    if (!IsOpen() || m_entryOpen)
        return false;
    QByteArray utf8 = name.toUtf8();
    utf8.replace('\\', '/');
    if (!IsAcceptedName(utf8) || m_entries >= ZipRecords::kMaxEntries)
        return false;
    const uint64_t recordsSize = ZipRecords::kLocalHeaderSize + ZipRecords::kCentralRecordSize +
                                 static_cast<uint64_t>(utf8.size()) + kEntryComment.size();
    if (m_archiveSize + recordsSize >= ZipRecords::kSizeLimit)
        return false;

    if (!WriteAt(m_archiveSize, QByteArray(ZipRecords::kLocalHeaderSize, '\0') + utf8)) {
        m_failed = true;
        return false;
    }
    m_entryName = utf8;
    m_headerOffset = m_archiveSize;
    m_writeOffset = m_archiveSize + ZipRecords::kLocalHeaderSize + utf8.size();
    m_pendingFill = 0;
    m_entryFailed = false;
    if (!m_pool) {
        if (const unsigned threads = CompressorPool::UsefulThreads(); threads > 0)
            m_pool = std::make_unique<CompressorPool>(threads);
    }
    m_deflate = std::make_unique<DeflateStream>(
        m_pool.get(), [this](QByteArrayView bytes) { return AppendToEntry(bytes); });
    m_entryOpen = true;
    return true;
}

qint64 CZip::Write(QByteArrayView data) {
    if (!IsOpen())
        return kNoArchive;
    if (!m_entryOpen)
        return kNoEntry;
    const char* from = data.data();
    qsizetype left = data.size();
    while (left > 0) {
        const qsizetype take = std::min(left, kPendingSize - m_pendingFill);
        std::memcpy(m_pending.get() + m_pendingFill, from, static_cast<size_t>(take));
        m_pendingFill += take;
        from += take;
        left -= take;
        if (m_pendingFill == kPendingSize && !HandPendingToCompressor())
            m_entryFailed = true;
    }
    return data.size();
}

bool CZip::CloseEntry() {
    if (!m_entryOpen)
        return false;
    m_entryOpen = false;
    // No entry is ever empty: one that ends on a full pending buffer gains a space too.
    if (m_pendingFill == 0)
        m_pending[m_pendingFill++] = ' ';
    bool ok = HandPendingToCompressor() && m_deflate->Finish() && !m_entryFailed;

    ZipRecords::EntryRecord record;
    record.name = m_entryName;
    record.crc = m_deflate->Crc();
    const uint64_t compressed = m_deflate->OutputSize();
    const uint64_t uncompressed = m_deflate->InputSize();
    m_deflate.reset();
    ok = ok && compressed < ZipRecords::kSizeLimit && uncompressed < ZipRecords::kSizeLimit &&
         m_writeOffset < ZipRecords::kSizeLimit;
    if (ok) {
        record.compressedSize = static_cast<uint32_t>(compressed);
        record.uncompressedSize = static_cast<uint32_t>(uncompressed);
        record.headerOffset = static_cast<uint32_t>(m_headerOffset);
        record.stamp = ZipRecords::DosStampOf(std::time(nullptr));
        ok = WriteAt(m_headerOffset, ZipRecords::LocalHeader(record));
    }
    if (!ok) {
        m_failed = true;
        return false;
    }
    ZipRecords::AppendCentralRecord(m_directory, record, kEntryComment);
    ++m_entries;
    m_archiveSize = m_writeOffset;
    return true;
}

bool CZip::Close() {
    if (!IsOpen())
        return false;
    if (m_entryOpen)
        CloseEntry();
    const uint64_t end =
        m_archiveSize + static_cast<uint64_t>(m_directory.size()) + ZipRecords::kEndRecordSize;
    bool ok = !m_failed && end <= ZipRecords::kSizeLimit;
    if (ok) {
        const QByteArray endRecord = ZipRecords::EndRecord(
            static_cast<uint16_t>(m_entries), static_cast<uint32_t>(m_directory.size()),
            static_cast<uint32_t>(m_archiveSize));
        // A failed entry may have left bytes past the last good one.
        ok = WriteAt(m_archiveSize, m_directory + endRecord) &&
             m_file.resize(static_cast<qint64>(end)) && m_file.flush();
    }
    if (!ok)
        m_file.cancelWriting();
    // The rename fails too when the folder went away meanwhile.
    ok = m_file.commit() && ok;
    Release();
    return ok;
}

void CZip::Discard() {
    if (!IsOpen())
        return;
    m_file.cancelWriting();
    m_file.commit();
    Release();
}

bool CZip::WriteAt(uint64_t offset, QByteArrayView bytes) {
    return m_file.seek(static_cast<qint64>(offset)) &&
           m_file.write(bytes.data(), bytes.size()) == bytes.size();
}

bool CZip::AppendToEntry(QByteArrayView bytes) {
    if (!WriteAt(m_writeOffset, bytes))
        return false;
    m_writeOffset += static_cast<uint64_t>(bytes.size());
    return true;
}

bool CZip::HandPendingToCompressor() {
    const bool ok = m_deflate->Feed(QByteArrayView(m_pending.get(), m_pendingFill));
    m_pendingFill = 0;
    return ok;
}

void CZip::Release() {
    m_entryOpen = false;
    m_deflate.reset();
    m_pool.reset();
    m_directory.clear();
    m_directory.squeeze();
    m_entryName.clear();
}
