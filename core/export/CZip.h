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
    bool Open(const QString& path);
    bool OpenEntry(const QString& name);
    // The length taken, or kNoArchive / kNoEntry. A failed write surfaces at CloseEntry.
    qint64 Write(QByteArrayView data);
    bool CloseEntry();
    // Writes the central directory and the end record; an entry still open is closed first.
    bool Close();
    // Gives up the archive; a file that was at the path stays as it was.
    void Discard();

    bool IsOpen() const { return m_file.isOpen(); }
    bool IsEntryOpen() const { return m_entryOpen; }
    const QString& Path() const { return m_path; }

private:
    bool WriteAt(uint64_t offset, QByteArrayView bytes);
    bool AppendToEntry(QByteArrayView bytes);
    bool HandPendingToCompressor();
    void Release();

    QString m_path;
    QSaveFile m_file;
    bool m_failed = false;
    uint64_t m_archiveSize = 0;
    uint32_t m_entries = 0;
    QByteArray m_directory;

    bool m_entryOpen = false;
    bool m_entryFailed = false;
    QByteArray m_entryName;
    uint64_t m_headerOffset = 0;
    uint64_t m_writeOffset = 0;
    std::unique_ptr<char[]> m_pending;
    qsizetype m_pendingFill = 0;
    // The pool outlives the stream whose blocks it compresses.
    std::unique_ptr<CompressorPool> m_pool;
    std::unique_ptr<DeflateStream> m_deflate;
};
