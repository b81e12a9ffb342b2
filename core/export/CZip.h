#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QSaveFile>
#include <QString>
#include <cstdint>
#include <memory>

class CompressorPool;
class DeflateStream;

// A zip archive written one streamed entry at a time, every entry deflated at level 9.
// Any failure, even one that a call could not report, makes Close fail.
class CZip {
public:
    static constexpr qint64 kNoArchive = -1;
    static constexpr qint64 kNoEntry = -3;
    static constexpr qsizetype kPendingSize = 65536;
    // The name buffer holds 259 bytes and its terminator.
    static constexpr qsizetype kMaxNameBytes = 259;

    CZip();
    ~CZip();
    CZip(const CZip&) = delete;
    CZip& operator=(const CZip&) = delete;

    // Finishes an archive still open, then starts a new, empty one for `path`. It is written
    // beside it and takes the place of any file there only when Close succeeds.
    [[nodiscard]] bool Open(const QString& path);
    [[nodiscard]] bool OpenEntry(const QString& name);
    // The length taken, or kNoArchive / kNoEntry. A failed write surfaces at CloseEntry.
    qint64 Write(QByteArrayView data);
    [[nodiscard]] bool CloseEntry();
    // Writes the central directory and the end record; an entry still open is closed first.
    [[nodiscard]] bool Close();
    // Gives up the archive; a file that was at the path stays as it was.
    void Discard();

    bool IsOpen() const { return file_.isOpen(); }
    bool IsEntryOpen() const { return entryOpen_; }
    const QString& Path() const { return path_; }

private:
    [[nodiscard]] bool WriteAt(uint64_t offset, QByteArrayView bytes);
    bool AppendToEntry(QByteArrayView bytes);
    bool HandPendingToCompressor();
    void Release();

    QString path_;
    QSaveFile file_;
    bool failed_ = false;
    uint64_t archiveSize_ = 0;
    uint32_t entries_ = 0;
    QByteArray directory_;

    bool entryOpen_ = false;
    bool entryFailed_ = false;
    QByteArray entryName_;
    uint64_t headerOffset_ = 0;
    uint64_t writeOffset_ = 0;
    std::unique_ptr<char[]> pending_;
    qsizetype pendingFill_ = 0;
    // The pool outlives the stream whose blocks it compresses.
    std::unique_ptr<CompressorPool> pool_;
    std::unique_ptr<DeflateStream> deflate_;
};
