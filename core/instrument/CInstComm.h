#pragma once

#include "core/instrument/DriveBackend.h"
#include "core/instrument/TransferChannel.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

enum class CommRequestType : int {
    Unset = -1,
    None = 0,
    ScanDrives = 1,
    ReadStatus = 2,
    ReadConfig = 3
};

// The link to the logger drive. A worker thread does every drive call: the text-file reads it
// is asked for through the request word, and the command, recording and presence transfers that
// jobs post one at a time and pick up on a later step. The request word is the handshake: a
// requester fills its inputs before posting, the worker publishes its results before it stores
// None, and the buffers are read only after None has been seen. A drive call that never returns
// holds only the worker: Stop() then leaves it behind instead of waiting for it.
class CInstComm final : public TransferChannel, public std::enable_shared_from_this<CInstComm> {
public:
    static constexpr int kBufferSize = 1024;
    static constexpr int kTextReadSize = 512;
    static constexpr int kMaxCodePageSize = 256;
    static constexpr qint64 kMaxRecordRead = 32768;
    // How long Stop() waits for a worker caught in a drive call before leaving it behind.
    static constexpr qint64 kStopWaitMs = 1000;

    explicit CInstComm(DriveBackend& drives,
                       std::chrono::milliseconds passInterval = std::chrono::milliseconds(50));
    ~CInstComm() override;
    CInstComm(const CInstComm&) = delete;
    CInstComm& operator=(const CInstComm&) = delete;

    void Start();
    void Stop();
    bool IsRunning() const;

    void RequestScan();
    void RequestStatusRead();
    void RequestConfigRead();
    bool IsIdle() const;
    CommRequestType Request() const;
    int ReadLength() const;
    const char* StatusBuffer() const { return status_.data(); }
    const char* ConfigBuffer() const { return config_.data(); }

    int DriveIndex() const;
    QString DriveRoot() const;
    void ClearDrive();
    int CodePageSize() const;
    int CodePageCount() const;
    int MemoryUsed() const;

    void Pause();
    void Resume();
    bool IsPaused() const;

    TransferTicket PostTransfer(TransferRequest request) override;
    std::optional<TransferResult> TakeTransfer(TransferTicket ticket) override;
    void AbandonTransfer(TransferTicket ticket) override;
    // A transfer is posted or under way (an abandoned one included).
    bool TransferOut() const;

private:
    enum class TransferPhaseType { Idle, Posted, Running, Done };
    struct Transfer {
        TransferRequest request;
        QString root;
        TransferResult result;
        TransferTicket ticket = 0;
        TransferPhaseType phase = TransferPhaseType::Idle;
        bool abandoned = false;
    };

    TransferResult DoTransfer(const TransferRequest& request, const QString& root);
    void TransferPass();
    using TextBuffer = std::array<char, kBufferSize>;
    struct TextRead {
        bool opened = false;
        int bytes = 0;
        TextBuffer data{};
    };

    void Run();
    bool StopRequested();
    void Pass();
    TextRead ReadText(const QString& root, DriveFileType file);
    // Copies a status read into the status buffer and parses it; called with publish_ held.
    void ApplyStatus(const TextRead& read);
    bool StillRequested(CommRequestType request) const;
    void Complete(int bytes);
    void PostTextRead(TextBuffer& buffer, CommRequestType request);
    void StatusPass();
    void ConfigPass();
    void ScanPass();
    void SetDrive(int index, const QString& root);
    // Traces a text file of the drive that stops or starts opening (worker only).
    void NoteTextOpen(const QString& root, DriveFileType file, bool opened);

    DriveBackend& drives_;
    const std::chrono::milliseconds passInterval_;

    // Written by the worker before it stores None, by a requester before it posts.
    TextBuffer status_{};
    TextBuffer config_{};
    std::atomic<int> readLength_{kTextReadSize};
    std::atomic<int> codePageSize_{0};
    std::atomic<int> codePageCount_{0};
    std::atomic<int> memoryUsed_{-1};
    std::atomic<int> request_{static_cast<int>(CommRequestType::Unset)};
    std::atomic<int> paused_{0};
    // Serialises a requester's post against the worker's publication, so that a request posted
    // while the worker is busy is neither lost nor raced with.
    std::mutex publish_;

    // The worker's own: whether the last open of each text file failed, for the trace.
    bool statusOpenFailing_ = false;
    bool configOpenFailing_ = false;

    mutable std::mutex driveMutex_;
    int driveIndex_ = -1;
    QString driveRoot_;

    mutable std::mutex transferMutex_;
    Transfer transfer_;
    TransferTicket nextTicket_ = 0;

    std::mutex wakeMutex_;
    std::condition_variable wake_;
    bool stopRequested_ = false;
    bool transferPosted_ = false;
    bool workerEnded_ = false;
    std::condition_variable ended_;
    std::thread worker_;
};
