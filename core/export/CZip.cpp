#include "core/export/CZip.h"

#include "core/export/CompressorPool.h"
#include "core/export/DeflateStream.h"
#include "core/export/ZipRecords.h"

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

CZip::CZip() : pending_(std::make_unique<char[]>(kPendingSize)) {}

CZip::~CZip() {
    // Nobody is left to hear how it went: the archive is finished as well as it can be.
    if (IsOpen())
        static_cast<void>(Close());
}

bool CZip::Open(const QString& path) {
    // The earlier archive's fate was the caller's to learn from its own Close.
    if (IsOpen())
        static_cast<void>(Close());
    path_ = path;
    file_.setFileName(path);
    // Every write goes straight to the system, so that a full disk shows at the call.
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        return false;
    failed_ = false;
    archiveSize_ = 0;
    entries_ = 0;
    directory_.clear();
    return true;
}

bool CZip::OpenEntry(const QString& name) {
    if (!IsOpen() || entryOpen_)
        return false;
    QByteArray utf8 = name.toUtf8();
    utf8.replace('\\', '/');
    if (!IsAcceptedName(utf8) || entries_ >= ZipRecords::kMaxEntries)
        return false;
    const uint64_t recordsSize = ZipRecords::kLocalHeaderSize + ZipRecords::kCentralRecordSize +
                                 static_cast<uint64_t>(utf8.size()) + kEntryComment.size();
    if (archiveSize_ + recordsSize >= ZipRecords::kSizeLimit)
        return false;

    if (!WriteAt(archiveSize_, QByteArray(ZipRecords::kLocalHeaderSize, '\0') + utf8)) {
        failed_ = true;
        return false;
    }
    entryName_ = utf8;
    headerOffset_ = archiveSize_;
    writeOffset_ = archiveSize_ + ZipRecords::kLocalHeaderSize + utf8.size();
    pendingFill_ = 0;
    entryFailed_ = false;
    if (!pool_) {
        if (const unsigned threads = CompressorPool::UsefulThreads(); threads > 0)
            pool_ = std::make_unique<CompressorPool>(threads);
    }
    deflate_ = std::make_unique<DeflateStream>(
        pool_.get(), [this](QByteArrayView bytes) { return AppendToEntry(bytes); });
    entryOpen_ = true;
    return true;
}

qint64 CZip::Write(QByteArrayView data) {
    if (!IsOpen())
        return kNoArchive;
    if (!entryOpen_)
        return kNoEntry;
    const char* from = data.data();
    qsizetype left = data.size();
    while (left > 0) {
        const qsizetype take = std::min(left, kPendingSize - pendingFill_);
        std::memcpy(pending_.get() + pendingFill_, from, static_cast<size_t>(take));
        pendingFill_ += take;
        from += take;
        left -= take;
        if (pendingFill_ == kPendingSize && !HandPendingToCompressor())
            entryFailed_ = true;
    }
    return data.size();
}

bool CZip::CloseEntry() {
    if (!entryOpen_)
        return false;
    entryOpen_ = false;
    // No entry is ever empty: one that ends on a full pending buffer gains a space too.
    if (pendingFill_ == 0)
        pending_[pendingFill_++] = ' ';
    bool ok = HandPendingToCompressor() && deflate_->Finish() && !entryFailed_;

    ZipRecords::EntryRecord record;
    record.name = entryName_;
    record.crc = deflate_->Crc();
    const uint64_t compressed = deflate_->OutputSize();
    const uint64_t uncompressed = deflate_->InputSize();
    deflate_.reset();
    ok = ok && compressed < ZipRecords::kSizeLimit && uncompressed < ZipRecords::kSizeLimit &&
         writeOffset_ < ZipRecords::kSizeLimit;
    if (ok) {
        record.compressedSize = static_cast<uint32_t>(compressed);
        record.uncompressedSize = static_cast<uint32_t>(uncompressed);
        record.headerOffset = static_cast<uint32_t>(headerOffset_);
        record.stamp = ZipRecords::DosStampOf(std::time(nullptr));
        ok = WriteAt(headerOffset_, ZipRecords::LocalHeader(record));
    }
    if (!ok) {
        failed_ = true;
        return false;
    }
    ZipRecords::AppendCentralRecord(directory_, record, kEntryComment);
    ++entries_;
    archiveSize_ = writeOffset_;
    return true;
}

bool CZip::Close() {
    if (!IsOpen())
        return false;
    const bool entryClosed = !entryOpen_ || CloseEntry();
    const uint64_t end =
        archiveSize_ + static_cast<uint64_t>(directory_.size()) + ZipRecords::kEndRecordSize;
    bool ok = entryClosed && !failed_ && end <= ZipRecords::kSizeLimit;
    if (ok) {
        const QByteArray endRecord = ZipRecords::EndRecord(static_cast<uint16_t>(entries_),
                                                           static_cast<uint32_t>(directory_.size()),
                                                           static_cast<uint32_t>(archiveSize_));
        // A failed entry may have left bytes past the last good one.
        ok = WriteAt(archiveSize_, directory_ + endRecord) &&
             file_.resize(static_cast<qint64>(end)) && file_.flush();
    }
    if (!ok)
        file_.cancelWriting();
    // The rename fails too when the folder went away meanwhile.
    ok = file_.commit() && ok;
    Release();
    return ok;
}

void CZip::Discard() {
    if (!IsOpen())
        return;
    file_.cancelWriting();
    file_.commit();
    Release();
}

bool CZip::WriteAt(uint64_t offset, QByteArrayView bytes) {
    return file_.seek(static_cast<qint64>(offset)) &&
           file_.write(bytes.data(), bytes.size()) == bytes.size();
}

bool CZip::AppendToEntry(QByteArrayView bytes) {
    if (!WriteAt(writeOffset_, bytes))
        return false;
    writeOffset_ += static_cast<uint64_t>(bytes.size());
    return true;
}

bool CZip::HandPendingToCompressor() {
    const bool ok = deflate_->Feed(QByteArrayView(pending_.get(), pendingFill_));
    pendingFill_ = 0;
    return ok;
}

void CZip::Release() {
    entryOpen_ = false;
    deflate_.reset();
    pool_.reset();
    directory_.clear();
    directory_.squeeze();
    entryName_.clear();
}
