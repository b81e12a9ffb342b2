#pragma once

#include "core/common/Outcome.h"

#include <QByteArray>
#include <QByteArrayView>
#include <utility>

// A firmware image read from Intel HEX text: byte i is the byte for absolute address i, and
// bytes no record wrote are 0x00.
class IntelHexImage {
public:
    // Characters of one text line; further characters start the next line.
    static constexpr qsizetype kMaxLineLength = 1022;
    // Addresses the logger's page acknowledgement map reaches (one bit per 256-byte page in a
    // 512-byte map); an image beyond it could never be confirmed.
    static constexpr qsizetype kMaxSize = 512 * 8 * 256;
    static constexpr qsizetype kMinCompatibleSize = 2048;
    static constexpr qsizetype kMarkAddress = 1056;

    IntelHexImage() = default;
    explicit IntelHexImage(QByteArray bytes) : bytes_(std::move(bytes)) {}

    const QByteArray& Bytes() const { return bytes_; }
    qsizetype Size() const { return bytes_.size(); }

    // Whether the image is meant for this logger family: long enough and marked "VX" as a
    // little-endian pair; otherwise the French text that says it is not.
    Outcome CheckCompatibility() const;
    // The bytes of the page that starts at `address`: `pageSize` bytes, fewer on the last page,
    // none past the end.
    QByteArrayView Page(qsizetype address, qsizetype pageSize) const;

private:
    QByteArray bytes_;
};

struct IntelHexReadResult {
    Outcome outcome;
    IntelHexImage image; // empty unless outcome is a success
};

// Reads record types 0 (data), 4 (extended linear address) and 5 (start address, ignored);
// zero-length records are skipped, lines that do not start with ":" after their leading spaces
// are ignored. The first faulty line ends the reading with its French message; so does a text
// that gives no program byte at all.
IntelHexReadResult ReadIntelHex(QByteArrayView text);
