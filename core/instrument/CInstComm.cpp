#include "instrument/CInstComm.h"

#include "instrument/DriveText.h"

#include <algorithm>

namespace {

int Code(CommRequest request) {
    return static_cast<int>(request);
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
        if (paused_.load(std::memory_order_acquire) == 0)
            Pass();
        std::unique_lock lock(wakeMutex_);
        if (wake_.wait_for(lock, passInterval_, [this] { return stopRequested_; }))
            return;
    }
}

void CInstComm::Pass() {
    switch (static_cast<CommRequest>(request_.load(std::memory_order_acquire))) {
    case CommRequest::ReadStatus:
        StatusPass();
        break;
    case CommRequest::ReadConfig:
        ConfigPass();
        break;
    case CommRequest::ScanDrives:
        ScanPass();
        break;
    default:
        break;
    }
}

void CInstComm::RequestScan() {
    const std::lock_guard lock(publish_);
    request_.store(Code(CommRequest::ScanDrives), std::memory_order_release);
}

void CInstComm::RequestStatusRead() {
    PostTextRead(status_, CommRequest::ReadStatus);
}

void CInstComm::RequestConfigRead() {
    PostTextRead(config_, CommRequest::ReadConfig);
}

void CInstComm::PostTextRead(TextBuffer& buffer, CommRequest request) {
    const std::lock_guard lock(publish_);
    readLength_.store(kTextReadSize, std::memory_order_relaxed);
    buffer.fill(0);
    request_.store(Code(request), std::memory_order_release);
}

bool CInstComm::IsIdle() const {
    return request_.load(std::memory_order_acquire) == Code(CommRequest::None);
}

CommRequest CInstComm::Request() const {
    return static_cast<CommRequest>(request_.load(std::memory_order_acquire));
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

bool CInstComm::StillRequested(CommRequest request) const {
    return request_.load(std::memory_order_relaxed) == Code(request);
}

void CInstComm::Complete(int bytes) {
    readLength_.store(bytes, std::memory_order_relaxed);
    request_.store(Code(CommRequest::None), std::memory_order_release);
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

void CInstComm::StatusPass() {
    codePageSize_.store(0, std::memory_order_relaxed);
    codePageCount_.store(0, std::memory_order_relaxed);
    const TextRead read = ReadText(DriveRoot(), DriveFileType::Status);
    if (!read.opened)
        return;
    const std::lock_guard lock(publish_);
    if (!StillRequested(CommRequest::ReadStatus))
        return;
    ApplyStatus(read);
    Complete(read.bytes);
}

void CInstComm::ConfigPass() {
    const TextRead read = ReadText(DriveRoot(), DriveFileType::Config);
    if (!read.opened)
        return;
    const std::lock_guard lock(publish_);
    if (!StillRequested(CommRequest::ReadConfig))
        return;
    config_ = read.data;
    Complete(read.bytes);
}

void CInstComm::ScanPass() {
    const std::vector<QString> candidates = drives_.CandidateDrives();
    const std::size_t count = std::min<std::size_t>(candidates.size(), kMaxDriveCandidates);
    int found = -1;
    for (std::size_t i = 0; i < count && found < 0; ++i) {
        if (StopRequested())
            return;
        codePageSize_.store(0, std::memory_order_relaxed);
        codePageCount_.store(0, std::memory_order_relaxed);
        readLength_.store(kTextReadSize, std::memory_order_relaxed);
        const TextRead read = ReadText(candidates[i], DriveFileType::Status);
        const std::lock_guard lock(publish_);
        if (!StillRequested(CommRequest::ScanDrives))
            return;
        if (!read.opened)
            continue;
        ApplyStatus(read);
        readLength_.store(read.bytes, std::memory_order_relaxed);
        if (CodePageSize() != 0 && CodePageCount() != 0)
            found = static_cast<int>(i);
    }
    const std::lock_guard lock(publish_);
    if (!StillRequested(CommRequest::ScanDrives))
        return;
    SetDrive(found, found >= 0 ? candidates[static_cast<std::size_t>(found)] : QString());
    request_.store(Code(CommRequest::None), std::memory_order_release);
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
    const QString root = DriveRoot();
    if (root.isEmpty())
        return 0;
    const qint64 written =
        drives_.WriteFile(root, DriveFileType::Control, 0,
                          reinterpret_cast<const char*>(block.Data()), ControlBlock::kSize);
    return std::max<qint64>(written, 0);
}

qint64 CInstComm::ReadControlBlock(uint8_t* buffer512) {
    const QString root = DriveRoot();
    if (root.isEmpty() || !buffer512)
        return 0;
    const qint64 read = drives_.ReadFile(root, DriveFileType::Control, 0,
                                         reinterpret_cast<char*>(buffer512), ControlBlock::kSize);
    return std::max<qint64>(read, 0);
}

qint64 CInstComm::ReadRecord(char* buffer, qint64 offset, qint64 count) {
    const QString root = DriveRoot();
    if (root.isEmpty() || !buffer || offset < 0 || count <= 0 || offset % kDriveSector != 0 ||
        count % kDriveSector != 0)
        return 0;
    const qint64 read = drives_.ReadFile(root, DriveFileType::Record, offset, buffer,
                                         std::min(count, kMaxRecordRead));
    return std::max<qint64>(read, 0);
}
