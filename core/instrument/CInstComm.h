#pragma once

#include "core/instrument/ControlBlock.h"
#include "core/instrument/DriveBackend.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

enum class CommRequestType : int {
    Unset = -1,
    None = 0,
    ScanDrives = 1,
    ReadStatus = 2,
    ReadConfig = 3
};

// What the caller of a command or recording transfer does while the worker has it: keep the
// interface alive, show that it waits, and say whether the user still wants it.
class TransferWait {
public:
    virtual ~TransferWait() = default;
    // Called again and again while the transfer is out; false when the user gives up.
    virtual bool KeepWaiting(qint64 elapsedMs) = 0;
    // The transfer ended, one way or the other.
    virtual void Finished() = 0;
};

// The link to the logger drive. A worker thread does every blocking drive transfer: the
// text-file reads it is asked for through the request word, and the command and recording
// transfers that the caller hands it one at a time and waits for without blocking (through a
// TransferWait), giving up after kTransferLimitMs. The request word is the handshake: a
// requester fills its inputs before posting, the worker publishes its results before it stores
// None, and the buffers are read only after None has been seen.
class CInstComm {
public:
    static constexpr int kBufferSize = 1024;
    static constexpr int kTextReadSize = 512;
    static constexpr int kMaxCodePageSize = 256;
    static constexpr qint64 kMaxRecordRead = 32768;
    // A command or recording transfer not done by then counts as failed.
    static constexpr qint64 kTransferLimitMs = 5000;

    explicit CInstComm(DriveBackend& drives,
                       std::chrono::milliseconds passInterval = std::chrono::milliseconds(50));
    ~CInstComm();
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

    // Null waits without showing anything, for the whole limit.
    void SetTransferWait(TransferWait* wait) { wait_ = wait; }
    // kTransferLimitMs unless a test shortens it.
    void SetTransferLimitMs(qint64 ms) { transferLimitMs_ = ms; }
    // Each returns the bytes transferred, 0 on failure, on a stall past the limit or when the
    // user gave up; a transfer still stalled in the worker makes the next ones fail at once.
    qint64 WriteControlBlock(const ControlBlock& block);
    qint64 ReadControlBlock(uint8_t* buffer512);
    qint64 ReadRecord(char* buffer, qint64 offset, qint64 count);

private:
    enum class TransferPhaseType { Idle, Posted, Running, Done };
    struct Transfer {
        DriveFileType file = DriveFileType::Control;
        bool write = false;
        QString root;
        qint64 offset = 0;
        qint64 size = 0;
        QByteArray data;
        qint64 result = 0;
        quint64 ticket = 0;
        TransferPhaseType phase = TransferPhaseType::Idle;
    };

    // Hands the transfer to the worker and waits for it; `out` receives what a read brought.
    qint64 RunTransfer(DriveFileType file, bool write, qint64 offset, QByteArray data, char* out);
    qint64 DoTransfer(const Transfer& t, QByteArray& data);
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

    TransferWait* wait_ = nullptr;
    qint64 transferLimitMs_ = kTransferLimitMs;
    std::mutex transferMutex_;
    Transfer transfer_;
    quint64 nextTicket_ = 0;

    std::mutex wakeMutex_;
    std::condition_variable wake_;
    bool stopRequested_ = false;
    bool transferPosted_ = false;
    std::thread worker_;
};
