#pragma once

#include "core/instrument/LinkTransfer.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

class Clock;
class InstrumentPort;
class QIODevice;

// The keys of the logger's own header that the parameter step offers.
struct LoggerHeaderValues {
    QString startText, lowScaleText, highScaleText, unitsText;
    int tcIndex = 0;
    bool cjc = false;
    bool polarity = false;
    int filterSize = 1;

    static LoggerHeaderValues Read(const char* text, int length);
};

enum class TransferStateType {
    WaitingForLink,
    Copying,
    Finished,
    NoData,
    Unreadable,
    WriteFailed,
    Unplugged,
    Replaced, // another logger took the drive's place
};

// The copy of the download window (`CDownloadDlg`): RECORD.VX in chunks into the session file,
// with the logger's header first, then a zeroed parameter block, then the recording. Each read
// is posted on one step and picked up on a later one; a short read is followed by one for the
// rest, and after a device change the drive's presence and serial number are checked before
// another byte is trusted.
class DownloadTransfer {
public:
    static constexpr qint64 kChunkBytes = 32768;
    static constexpr qint64 kTailBytes = 256;
    static constexpr int kTickMs = 10;
    // Without a byte for this long the copy is reported as stalled; it goes on trying.
    static constexpr qint64 kStallMs = 3000;

    static QString StallText();

    DownloadTransfer(InstrumentPort& port, QIODevice& output, qint64 memoryUsed,
                     const Clock& clock);

    // One step of the window's timer.
    TransferStateType Tick();
    TransferStateType State() const { return state_; }
    bool Running() const;

    qint64 Total() const { return total_; }
    // Finished before the bytes the status announced: RECORD.VX ended early.
    bool Incomplete() const { return state_ == TransferStateType::Finished && done_ < memoryUsed_; }
    QString IncompleteText() const;
    qint64 Done() const { return done_; }
    bool DropsTail() const { return dropTail_; }
    // "%0.0f%% complete".
    QString ProgressText() const;
    bool Stalled() const { return stalled_; }
    // Since the last bytes arrived, or since the transfer began.
    qint64 MsWithoutProgress() const;

    // Known once the first chunk has been handled.
    qint64 HeaderLength() const { return headerLength_; }
    const LoggerHeaderValues& Header() const { return header_; }
    // The serial number of the logger that took the drive's place.
    const QString& ReplacementSerial() const { return replacementSerial_; }

private:
    enum class AskType {
        Record,
        Presence,        // after a read that brought nothing
        ChangedPresence, // after a device change, before the serial number
        Identity,
    };

    void CopyStep();
    void Ask(AskType what, TransferRequest request);
    void NoteNoProgress();
    void HandleRecord(const TransferResult& result);
    void HandleIdentity(const TransferResult& result);
    void HandleFirstChunk(char* bytes, qint64 read, qint64 writable);
    [[nodiscard]] bool Write(const char* data, qint64 count);
    [[nodiscard]] bool WriteZeros(qint64 count);

    InstrumentPort& port_;
    QIODevice& output_;
    const Clock& clock_;
    LinkTransfer transfer_;
    AskType asked_ = AskType::Record;
    qint64 askedOffset_ = 0;
    qint64 askedBytes_ = 0;
    int deviceChangesSeen_;
    // Until the drive has shown the same serial number since the last device change.
    bool identityPending_ = false;
    QString serial_;
    QString replacementSerial_;
    // The last read brought fewer bytes than asked: a read with nothing after it ends the file.
    bool shortRead_ = false;
    qint64 memoryUsed_;
    qint64 total_;
    qint64 writeLimit_;
    qint64 done_ = 0;
    bool dropTail_;
    bool firstChunk_ = true;
    qint64 headerLength_ = 0;
    LoggerHeaderValues header_;
    TransferStateType state_ = TransferStateType::WaitingForLink;
    bool stalled_ = false;
    qint64 lastProgressMs_;
};
