#include "sim/RecordingMemory.h"

#include "core/session/SessionFile.h"

#include <algorithm>
#include <cstring>

namespace {

void PutLittleEndian16(char* at, std::uint16_t v) {
    at[0] = static_cast<char>(v & 0xFF);
    at[1] = static_cast<char>(v >> 8);
}

} // namespace

bool RecordingMemory::Begin(const QByteArray& headerText, int countsPerSample) {
    Clear();
    const int header = HeaderSizeFor(headerText.size());
    if (header > size_)
        return false;
    countsPerSample_ = std::clamp(countsPerSample, 1, 2);
    headerSize_ = header;
    bytes_ = headerText;
    bytes_.append(QByteArray(header - headerText.size(), '\0'));
    ++revision_;
    return true;
}

qint64 RecordingMemory::SampleCapacity() const {
    if (headerSize_ == 0)
        return 0;
    return (size_ - headerSize_) / kBlockSize * SamplesPerBlock();
}

bool RecordingMemory::Append(const std::int16_t* counts) {
    if (headerSize_ == 0 || Full())
        return false;
    const int perBlock = SamplesPerBlock();
    const qint64 inBlock = samples_ % perBlock;
    if (inBlock == 0) {
        const qint64 number = samples_ / perBlock;
        QByteArray block(kBlockSize, '\0');
        for (int i = 0; i < 4; ++i)
            block[i] = static_cast<char>((number >> (8 * i)) & 0xFF);
        bytes_.append(block);
    }
    char* block = bytes_.data() + bytes_.size() - kBlockSize;
    char* at = block + kBlockHeader + inBlock * 2 * countsPerSample_;
    for (int i = 0; i < countsPerSample_; ++i)
        PutLittleEndian16(at + 2 * i, static_cast<std::uint16_t>(counts[i]));
    PutLittleEndian16(block + 4, static_cast<std::uint16_t>(inBlock + 1));
    ++samples_;
    ++revision_;
    return true;
}

void RecordingMemory::Clear() {
    bytes_.clear();
    headerSize_ = 0;
    samples_ = 0;
    ++revision_;
}

qint64 RecordingMemory::Read(qint64 offset, char* buffer, qint64 size) const {
    if (offset < 0 || size <= 0 || offset >= size_)
        return 0;
    const qint64 n = std::min(size, size_ - offset);
    std::memset(buffer, kErasedByte, static_cast<std::size_t>(n));
    const qint64 used = bytes_.size();
    if (offset < used)
        std::memcpy(buffer, bytes_.constData() + offset,
                    static_cast<std::size_t>(std::min(n, used - offset)));
    return n;
}
