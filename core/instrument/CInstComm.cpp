#include "core/instrument/CInstComm.h"

#include "core/instrument/DriveText.h"
#include "core/instrument/InstrumentRecords.h"
#include "core/instrument/LinkLog.h"

#include <algorithm>

namespace {

int Code(CommRequestType request) {
    return static_cast<int>(request);
}

QString TransferName(const TransferRequest& r) {
    switch (r.kind) {
    case TransferKindType::Presence:
        return QStringLiteral("presence check");
    case TransferKindType::Write:
        return QStringLiteral("write of ") + DriveFileName(r.file);
    case TransferKindType::Read:
        break;
    }
    return QStringLiteral("read of ") + DriveFileName(r.file);
}

} // namespace

CInstComm::CInstComm(DriveBackend& drives, std::chrono::milliseconds passInterval)
    : drives_(drives), passInterval_(passInterval) {}

CInstComm::~CInstComm() {
    Stop();
}

void CInstComm::Start() {
    if (worker_.joinable())
        return;
    {
        const std::lock_guard lock(wakeMutex_);
        stopRequested_ = false;
        workerEnded_ = false;
    }
    // Owned by a shared pointer, the worker keeps the link alive should it be left behind.
    std::shared_ptr<CInstComm> self = weak_from_this().lock();
    worker_ = std::thread([this, self = std::move(self)] {
        Run();
        const std::lock_guard lock(wakeMutex_);
        workerEnded_ = true;
        ended_.notify_all();
    });
}

void CInstComm::Stop() {
    if (!worker_.joinable())
        return;
    if (worker_.get_id() == std::this_thread::get_id()) {
        // The last owner was the worker itself, back from a drive call it was left in.
        worker_.detach();
        return;
    }
    std::unique_lock lock(wakeMutex_);
    stopRequested_ = true;
    wake_.notify_all();
    const bool ended = ended_.wait_for(lock, std::chrono::milliseconds(kStopWaitMs),
                                       [this] { return workerEnded_; });
    lock.unlock();
    if (ended || weak_from_this().expired()) {
        worker_.join();
        return;
    }
    qCInfo(LinkLog) << "the link worker is caught in a drive call: left behind";
    worker_.detach();
}

bool CInstComm::IsRunning() const {
    return worker_.joinable();
}

bool CInstComm::StopRequested() {
    const std::lock_guard lock(wakeMutex_);
    return stopRequested_;
}

void CInstComm::Run() {
    while (!StopRequested()) {
        // A job's transfer goes first, whatever the pause: the job is counting the time.
        TransferPass();
        if (paused_.load(std::memory_order_acquire) == 0)
            Pass();
        std::unique_lock lock(wakeMutex_);
        if (wake_.wait_for(lock, passInterval_,
                           [this] { return stopRequested_ || transferPosted_; }) &&
            stopRequested_)
            return;
    }
}

void CInstComm::TransferPass() {
    {
        const std::lock_guard wakeLock(wakeMutex_);
        transferPosted_ = false;
    }
    TransferRequest request;
    QString root;
    {
        const std::lock_guard lock(transferMutex_);
        if (transfer_.phase != TransferPhaseType::Posted)
            return;
        transfer_.phase = TransferPhaseType::Running;
        request = transfer_.request;
        root = transfer_.root;
    }
    TransferResult result = DoTransfer(request, root);
    const std::lock_guard lock(transferMutex_);
    if (transfer_.abandoned) {
        qCInfo(LinkLog).nospace().noquote()
            << TransferName(request) << " on " << root << " ended after it was given up";
        transfer_ = Transfer{};
        return;
    }
    transfer_.result = std::move(result);
    transfer_.phase = TransferPhaseType::Done;
}

TransferResult CInstComm::DoTransfer(const TransferRequest& r, const QString& root) {
    TransferResult result;
    if (r.kind == TransferKindType::Presence) {
        result.bytes = drives_.DriveExists(root) ? 1 : 0;
        return result;
    }
    const bool write = r.kind == TransferKindType::Write;
    const qint64 size = write ? r.data.size() : r.size;
    if (r.offset < 0 || size <= 0 || r.offset % kDriveSector != 0 || size % kDriveSector != 0)
        return result;
    qint64 n = 0;
    if (write) {
        n = drives_.WriteFile(root, r.file, r.offset, r.data.constData(), size);
    } else {
        result.data = QByteArray(size, '\0');
        n = drives_.ReadFile(root, r.file, r.offset, result.data.data(), size);
    }
    if (n == DriveBackend::kCannotOpen)
        qCInfo(LinkLog).nospace().noquote()
            << TransferName(r) << " on " << root << ": cannot open the file";
    else if (n < size)
        qCInfo(LinkLog).nospace().noquote() << TransferName(r) << " on " << root << " at "
                                            << r.offset << ": " << n << " of " << size << " bytes";
    result.bytes = std::clamp<qint64>(n, 0, size);
    if (!write)
        result.data.truncate(result.bytes);
    return result;
}

TransferTicket CInstComm::PostTransfer(TransferRequest request) {
    const QString root = DriveRoot();
    const std::lock_guard lock(transferMutex_);
    if (transfer_.phase == TransferPhaseType::Posted ||
        transfer_.phase == TransferPhaseType::Running)
        return 0;
    transfer_ = Transfer{};
    transfer_.ticket = ++nextTicket_;
    transfer_.request = std::move(request);
    transfer_.root = root;
    // Without a drive or a worker there is nothing to ask: the transfer fails at once.
    if (root.isEmpty() || !IsRunning()) {
        transfer_.phase = TransferPhaseType::Done;
        return transfer_.ticket;
    }
    transfer_.phase = TransferPhaseType::Posted;
    {
        const std::lock_guard wakeLock(wakeMutex_);
        transferPosted_ = true;
    }
    wake_.notify_all();
    return transfer_.ticket;
}

std::optional<TransferResult> CInstComm::TakeTransfer(TransferTicket ticket) {
    const std::lock_guard lock(transferMutex_);
    if (ticket == 0 || transfer_.ticket != ticket || transfer_.phase != TransferPhaseType::Done)
        return std::nullopt;
    std::optional<TransferResult> result = std::move(transfer_.result);
    transfer_ = Transfer{};
    return result;
}

void CInstComm::AbandonTransfer(TransferTicket ticket) {
    const std::lock_guard lock(transferMutex_);
    if (ticket == 0 || transfer_.ticket != ticket)
        return;
    if (transfer_.phase == TransferPhaseType::Running) {
        qCInfo(LinkLog).nospace().noquote()
            << TransferName(transfer_.request) << " on " << transfer_.root
            << " given up while the drive still has it";
        transfer_.abandoned = true;
        return;
    }
    transfer_ = Transfer{};
}

bool CInstComm::TransferOut() const {
    const std::lock_guard lock(transferMutex_);
    return transfer_.phase == TransferPhaseType::Posted ||
           transfer_.phase == TransferPhaseType::Running;
}

void CInstComm::Pass() {
    switch (static_cast<CommRequestType>(request_.load(std::memory_order_acquire))) {
    case CommRequestType::ReadStatus:
        StatusPass();
        break;
    case CommRequestType::ReadConfig:
        ConfigPass();
        break;
    case CommRequestType::ScanDrives:
        ScanPass();
        break;
    default:
        break;
    }
}

void CInstComm::RequestScan() {
    const std::lock_guard lock(publish_);
    request_.store(Code(CommRequestType::ScanDrives), std::memory_order_release);
}

void CInstComm::RequestStatusRead() {
    PostTextRead(status_, CommRequestType::ReadStatus);
}

void CInstComm::RequestConfigRead() {
    PostTextRead(config_, CommRequestType::ReadConfig);
}

void CInstComm::PostTextRead(TextBuffer& buffer, CommRequestType request) {
    const std::lock_guard lock(publish_);
    readLength_.store(kTextReadSize, std::memory_order_relaxed);
    buffer.fill(0);
    request_.store(Code(request), std::memory_order_release);
}

bool CInstComm::IsIdle() const {
    return request_.load(std::memory_order_acquire) == Code(CommRequestType::None);
}

CommRequestType CInstComm::Request() const {
    return static_cast<CommRequestType>(request_.load(std::memory_order_acquire));
}

int CInstComm::ReadLength() const {
    return readLength_.load(std::memory_order_acquire);
}

CInstComm::TextRead CInstComm::ReadText(const QString& root, DriveFileType file) {
    TextRead read;
    if (root.isEmpty())
        return read;
    const qint64 size = readLength_.load(std::memory_order_relaxed) > 0 ? kTextReadSize : 0;
    const qint64 result = drives_.ReadFile(root, file, 0, read.data.data(), size);
    if (result == DriveBackend::kCannotOpen)
        return read;
    read.opened = true;
    read.bytes = static_cast<int>(std::clamp<qint64>(result, 0, kTextReadSize));
    // Whatever a failed or short read left behind must not pass for text.
    std::fill(read.data.begin() + read.bytes, read.data.end(), '\0');
    return read;
}

bool CInstComm::StillRequested(CommRequestType request) const {
    return request_.load(std::memory_order_relaxed) == Code(request);
}

void CInstComm::Complete(int bytes) {
    readLength_.store(bytes, std::memory_order_relaxed);
    request_.store(Code(CommRequestType::None), std::memory_order_release);
}

void CInstComm::ApplyStatus(const TextRead& read) {
    // The whole buffer is replaced, so a shorter text never shows the tail of an earlier one.
    status_ = read.data;
    memoryUsed_.store(0, std::memory_order_relaxed);
    if (read.bytes == 0)
        return;
    const char* text = status_.data();
    const int pageSize = DriveTextInt(text, read.bytes, "CodePageSize=", 0);
    const int pageCount = DriveTextInt(text, read.bytes, "NumCodePages=", 0);
    // A negative size or count cannot describe a logger; it counts as none.
    codePageSize_.store(std::clamp(pageSize, 0, kMaxCodePageSize), std::memory_order_relaxed);
    codePageCount_.store(std::max(pageCount, 0), std::memory_order_relaxed);
    memoryUsed_.store(DriveTextInt(text, read.bytes, "MemUsed=", 0), std::memory_order_relaxed);
}

void CInstComm::NoteTextOpen(const QString& root, DriveFileType file, bool opened) {
    bool& failing = file == DriveFileType::Status ? statusOpenFailing_ : configOpenFailing_;
    if (opened == !failing)
        return;
    failing = !opened;
    if (failing)
        qCInfo(LinkLog).nospace().noquote() << "cannot open " << DriveFileName(file) << " on "
                                            << root << "; the read is tried again every pass";
    else
        qCInfo(LinkLog).nospace().noquote()
            << DriveFileName(file) << " on " << root << " opens again";
}

void CInstComm::StatusPass() {
    codePageSize_.store(0, std::memory_order_relaxed);
    codePageCount_.store(0, std::memory_order_relaxed);
    const QString root = DriveRoot();
    const TextRead read = ReadText(root, DriveFileType::Status);
    NoteTextOpen(root, DriveFileType::Status, read.opened);
    if (!read.opened)
        return;
    const std::lock_guard lock(publish_);
    if (!StillRequested(CommRequestType::ReadStatus))
        return;
    ApplyStatus(read);
    Complete(read.bytes);
}

void CInstComm::ConfigPass() {
    const QString root = DriveRoot();
    const TextRead read = ReadText(root, DriveFileType::Config);
    NoteTextOpen(root, DriveFileType::Config, read.opened);
    if (!read.opened)
        return;
    const std::lock_guard lock(publish_);
    if (!StillRequested(CommRequestType::ReadConfig))
        return;
    config_ = read.data;
    Complete(read.bytes);
}

void CInstComm::ScanPass() {
    const std::vector<QString> candidates = drives_.CandidateDrives();
    const std::size_t count = std::min<std::size_t>(candidates.size(), kMaxDriveCandidates);
    qCDebug(LinkLog).noquote() << "scan:" << count << "candidate drive(s)";
    int found = -1;
    for (std::size_t i = 0; i < count && found < 0; ++i) {
        if (StopRequested())
            return;
        codePageSize_.store(0, std::memory_order_relaxed);
        codePageCount_.store(0, std::memory_order_relaxed);
        readLength_.store(kTextReadSize, std::memory_order_relaxed);
        const TextRead read = ReadText(candidates[i], DriveFileType::Status);
        const std::lock_guard lock(publish_);
        if (!StillRequested(CommRequestType::ScanDrives))
            return;
        if (!read.opened) {
            qCDebug(LinkLog).nospace().noquote() << "scan: " << candidates[i] << ": cannot open "
                                                 << DriveFileName(DriveFileType::Status);
            continue;
        }
        ApplyStatus(read);
        readLength_.store(read.bytes, std::memory_order_relaxed);
        if (IsLoggerStatusText(status_.data(), read.bytes))
            found = static_cast<int>(i);
        else
            qCDebug(LinkLog).nospace().noquote() << "scan: " << candidates[i] << ": " << read.bytes
                                                 << " bytes of status, not a logger's";
    }
    const std::lock_guard lock(publish_);
    if (!StillRequested(CommRequestType::ScanDrives))
        return;
    const QString root = found >= 0 ? candidates[static_cast<std::size_t>(found)] : QString();
    if (found >= 0)
        qCInfo(LinkLog).noquote() << "scan: logger at" << root;
    else
        qCInfo(LinkLog).noquote() << "scan: no logger among" << count << "candidate drive(s)";
    statusOpenFailing_ = configOpenFailing_ = false;
    SetDrive(found, root);
    request_.store(Code(CommRequestType::None), std::memory_order_release);
}

void CInstComm::SetDrive(int index, const QString& root) {
    const std::lock_guard lock(driveMutex_);
    driveIndex_ = index;
    driveRoot_ = root;
}

int CInstComm::DriveIndex() const {
    const std::lock_guard lock(driveMutex_);
    return driveIndex_;
}

QString CInstComm::DriveRoot() const {
    const std::lock_guard lock(driveMutex_);
    return driveRoot_;
}

void CInstComm::ClearDrive() {
    SetDrive(-1, QString());
}

int CInstComm::CodePageSize() const {
    return codePageSize_.load(std::memory_order_relaxed);
}

int CInstComm::CodePageCount() const {
    return codePageCount_.load(std::memory_order_relaxed);
}

int CInstComm::MemoryUsed() const {
    return memoryUsed_.load(std::memory_order_relaxed);
}

void CInstComm::Pause() {
    paused_.store(1, std::memory_order_release);
}

void CInstComm::Resume() {
    paused_.store(0, std::memory_order_release);
}

bool CInstComm::IsPaused() const {
    return paused_.load(std::memory_order_acquire) != 0;
}
