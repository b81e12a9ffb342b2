#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <cstdint>

// The logger's recording memory: a header text padded to whole 256-byte units, then data
// blocks {4 bytes block number, uint16 LE count, int16 LE samples}.
class RecordingMemory {
public:
    static constexpr int kBlockSize = 256;
    static constexpr int kBlockHeader = 6;
    // What erased flash reads as.
    static constexpr unsigned char kErasedByte = 0xFF;

    explicit RecordingMemory(qint64 size) : size_(size) {}

    // Starts a recording whose samples have `countsPerSample` counts (2 for thermocouples).
    // False when even the header does not fit.
    bool Begin(const QByteArray& headerText, int countsPerSample);
    // False when the memory is full.
    bool Append(const std::int16_t* counts);
    void Clear();

    qint64 Size() const { return size_; }
    // Header and every block begun, the partial one counted whole.
    qint64 Used() const { return bytes_.size(); }
    qint64 SampleCount() const { return samples_; }
    qint64 SampleCapacity() const;
    bool Full() const { return samples_ >= SampleCapacity(); }
    int HeaderSize() const { return headerSize_; }
    const QByteArray& Bytes() const { return bytes_; }
    // Bytes at `offset`, erased bytes past the used part, nothing past the memory size.
    qint64 Read(qint64 offset, char* buffer, qint64 size) const;
    // Changes whenever the bytes change.
    quint64 Revision() const { return revision_; }

private:
    int SamplesPerBlock() const { return (kBlockSize - kBlockHeader) / (2 * countsPerSample_); }

    qint64 size_;
    QByteArray bytes_;
    int headerSize_ = 0;
    int countsPerSample_ = 1;
    qint64 samples_ = 0;
    quint64 revision_ = 0;
};
