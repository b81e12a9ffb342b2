#include "core/instrument/CInstComm.h"

#include "core/instrument/DriveText.h"
#include "core/instrument/InstrumentRecords.h"
#include "core/instrument/LinkLog.h"

#include <algorithm>
#include <cstring>

namespace {

int Code(CommRequestType request) {
    return static_cast<int>(request);
}

const char* TransferName(bool write) {
    return write ? "write of " : "read of ";
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
    }
    worker_ = std::thread([this] { Run(); });
}

void CInstComm::Stop() {
    if (!worker_.joinable())
        return;
    {
        const std::lock_guard lock(wakeMutex_);
        stopRequested_ = true;
    }
    wake_.notify_all();
    worker_.join();
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
        // A command or recording transfer goes first, whatever the pause: its caller waits.
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
    Transfer job;
    {
        const std::lock_guard lock(transferMutex_);
        if (transfer_.phase != TransferPhaseType::Posted)
            return;
        transfer_.phase = TransferPhaseType::Running;
        job = transfer_;
    }
    QByteArray data = job.data;
    const qint64 result = DoTransfer(job, data);
    const std::lock_guard lock(transferMutex_);
    transfer_.data = std::move(data);
    transfer_.result = result;
    transfer_.phase = TransferPhaseType::Done;
}

qint64 CInstComm::DoTransfer(const Transfer& t, QByteArray& data) {
    const qint64 n = t.write ? drives_.WriteFile(t.root, t.file, t.offset, data.constData(), t.size)
                             : drives_.ReadFile(t.root, t.file, t.offset, data.data(), t.size);
    if (n == DriveBackend::kCannotOpen)
        qCInfo(LinkLog).nospace().noquote() << TransferName(t.write) << DriveFileName(t.file)
                                            << " on " << t.root << ": cannot open the file";
    else if (n < t.size)
        qCInfo(LinkLog).nospace().noquote()
            << TransferName(t.write) << DriveFileName(t.file) << " on " << t.root << " at "
            << t.offset << ": " << n << " of " << t.size << " bytes";
    return std::clamp<qint64>(n, 0, t.size);
}

qint64 CInstComm::RunTransfer(DriveFileType file, bool write, qint64 offset, QByteArray data,
                              char* out) {
    Transfer job;
    job.file = file;
    job.write = write;
    job.root = DriveRoot();
    job.offset = offset;
    job.size = data.size();
    job.data = std::move(data);
    if (job.root.isEmpty())
        return 0;
    if (!IsRunning()) {
        const qint64 n = DoTransfer(job, job.data);
        if (out && n > 0)
            std::memcpy(out, job.data.constData(), static_cast<std::size_t>(n));
        return n;
    }
    quint64 ticket = 0;
    {
        const std::lock_guard lock(transferMutex_);
        // One that stalled and was given up may still hold the drive.
        if (transfer_.phase == TransferPhaseType::Posted ||
            transfer_.phase == TransferPhaseType::Running) {
            qCInfo(LinkLog).nospace().noquote() << TransferName(write) << DriveFileName(file)
                                                << " refused: an earlier transfer is still stalled";
            return 0;
        }
        job.ticket = ticket = ++nextTicket_;
        job.phase = TransferPhaseType::Posted;
        transfer_ = std::move(job);
    }
    {
        const std::lock_guard wakeLock(wakeMutex_);
        transferPosted_ = true;
    }
    wake_.notify_all();
    const auto begun = std::chrono::steady_clock::now();
    qint64 result = 0;
    for (;;) {
        {
            const std::lock_guard lock(transferMutex_);
            if (transfer_.ticket == ticket && transfer_.phase == TransferPhaseType::Done) {
                result = transfer_.result;
                if (out && result > 0)
                    std::memcpy(out, transfer_.data.constData(), static_cast<std::size_t>(result));
                transfer_.phase = TransferPhaseType::Idle;
                break;
            }
        }
        const qint64 elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
                                   std::chrono::steady_clock::now() - begun)
                                   .count();
        if (elapsed >= transferLimitMs_) {
            qCInfo(LinkLog).nospace().noquote() << TransferName(write) << DriveFileName(file)
                                                << " stalled: given up after " << elapsed << " ms";
            break;
        }
        if (wait_) {
            if (!wait_->KeepWaiting(elapsed)) {
                qCInfo(LinkLog).nospace().noquote()
                    << TransferName(write) << DriveFileName(file) << " given up by the user after "
                    << elapsed << " ms";
                break;
            }
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    if (wait_)
        wait_->Finished();
    {
        // Given up: a transfer the worker has not begun is withdrawn.
        const std::lock_guard lock(transferMutex_);
        if (transfer_.ticket == ticket && transfer_.phase == TransferPhaseType::Posted)
            transfer_.phase = TransferPhaseType::Idle;
    }
    return result;
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

qint64 CInstComm::WriteControlBlock(const ControlBlock& block) {
    return RunTransfer(DriveFileType::Control, true, 0,
                       QByteArray(reinterpret_cast<const char*>(block.Data()), ControlBlock::kSize),
                       nullptr);
}

qint64 CInstComm::ReadControlBlock(uint8_t* buffer512) {
    if (!buffer512)
        return 0;
    return RunTransfer(DriveFileType::Control, false, 0, QByteArray(ControlBlock::kSize, '\0'),
                       reinterpret_cast<char*>(buffer512));
}

qint64 CInstComm::ReadRecord(char* buffer, qint64 offset, qint64 count) {
    if (!buffer || offset < 0 || count <= 0 || offset % kDriveSector != 0 ||
        count % kDriveSector != 0)
        return 0;
    return RunTransfer(DriveFileType::Record, false, offset,
                       QByteArray(std::min(count, kMaxRecordRead), '\0'), buffer);
}
