#pragma once

#include <QByteArrayView>
#include <cstdint>
#include <deque>
#include <functional>
#include <future>
#include <vector>

class CompressorPool;

// Raw deflate at level 9 of one entry's data. The data is cut into blocks compressed
// independently, each primed with the window of data before it, so that several cores share
// the work: every block but the last ends on a byte boundary with a full flush, and the
// blocks, delivered in order, form one valid stream.
class DeflateStream {
public:
    // Receives the compressed bytes in stream order, on the caller's thread; false stops
    // the stream.
    using Sink = std::function<bool(QByteArrayView)>;

    static constexpr qsizetype kBlockSize = 1 << 20;

    // Without a pool every block is compressed on the caller's thread.
    DeflateStream(CompressorPool* pool, Sink sink);
    DeflateStream(const DeflateStream&) = delete;
    DeflateStream& operator=(const DeflateStream&) = delete;

    // False once the compressor or the sink has failed; later data is dropped.
    bool Feed(QByteArrayView data);
    // Compresses the rest as the final block; true when the whole stream reached the sink.
    bool Finish();

    uint32_t Crc() const { return crc_; }
    uint64_t InputSize() const { return inputSize_; }
    uint64_t OutputSize() const { return outputSize_; }

    struct Block {
        std::vector<char> bytes;
        uint32_t crc = 0;
        qsizetype inputSize = 0;
        bool ok = false;
    };

private:
    void Submit(bool last);
    void Deliver(bool waitForAll);
    void Accept(const Block& block);

    CompressorPool* pool_;
    Sink sink_;
    std::vector<char> input_;
    std::vector<char> dictionary_;
    std::deque<std::future<Block>> inFlight_;
    uint32_t crc_ = 0;
    uint64_t inputSize_ = 0;
    uint64_t outputSize_ = 0;
    bool ok_ = true;
};
