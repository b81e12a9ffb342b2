#pragma once

// A strict reader of the archives our writer makes, for the tests: every record is checked
// against the layout we promise and every entry is inflated and its CRC-32 recomputed.

#include <QByteArray>
#include <QFile>
#include <cstdint>
#include <string>
#include <vector>
#include <zlib.h>

namespace testzip {

struct Entry {
    QByteArray name;
    QByteArray comment;
    uint16_t versionMadeBy = 0;
    uint16_t versionNeeded = 0;
    uint16_t flags = 0;
    uint16_t method = 0;
    uint16_t time = 0;
    uint16_t date = 0;
    uint32_t crc = 0;
    uint32_t compressedSize = 0;
    uint32_t uncompressedSize = 0;
    uint32_t headerOffset = 0;
    QByteArray data; // inflated
};

struct Archive {
    std::string problem; // empty when the archive is sound
    std::vector<Entry> entries;

    const Entry* Find(const QByteArray& name) const {
        for (const Entry& e : entries)
            if (e.name == name)
                return &e;
        return nullptr;
    }
};

inline uint16_t U16(const QByteArray& b, qsizetype at) {
    return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1])
                                                                   << 8);
}

inline uint32_t U32(const QByteArray& b, qsizetype at) {
    return U16(b, at) | static_cast<uint32_t>(U16(b, at + 2)) << 16;
}

// Raw inflate of exactly `size` bytes that must end the stream.
inline bool Inflate(const char* from, uint32_t size, QByteArray& out) {
    z_stream z{};
    if (inflateInit2(&z, -15) != Z_OK)
        return false;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(from));
    z.avail_in = size;
    char chunk[65536];
    int rc = Z_OK;
    while (rc == Z_OK) {
        z.next_out = reinterpret_cast<Bytef*>(chunk);
        z.avail_out = sizeof chunk;
        rc = inflate(&z, Z_NO_FLUSH);
        out.append(chunk, static_cast<qsizetype>(sizeof chunk - z.avail_out));
    }
    const bool ok = rc == Z_STREAM_END && z.avail_in == 0;
    inflateEnd(&z);
    return ok;
}

inline Archive Read(const QByteArray& b) {
    Archive a;
    const qsizetype endAt = b.size() - 22;
    if (endAt < 0 || U32(b, endAt) != 0x06054B50) {
        a.problem = "no end record at the end";
        return a;
    }
    const uint16_t count = U16(b, endAt + 10);
    const uint32_t dirSize = U32(b, endAt + 12);
    const uint32_t dirOffset = U32(b, endAt + 16);
    if (U16(b, endAt + 4) != 0 || U16(b, endAt + 6) != 0 || U16(b, endAt + 8) != count ||
        U16(b, endAt + 20) != 0 || qsizetype(dirOffset) + dirSize != endAt) {
        a.problem = "end record fields";
        return a;
    }
    qsizetype at = dirOffset;
    for (uint16_t i = 0; i < count; ++i) {
        if (at + 46 > endAt || U32(b, at) != 0x02014B50) {
            a.problem = "central record signature";
            return a;
        }
        Entry e;
        e.versionMadeBy = U16(b, at + 4);
        e.versionNeeded = U16(b, at + 6);
        e.flags = U16(b, at + 8);
        e.method = U16(b, at + 10);
        e.time = U16(b, at + 12);
        e.date = U16(b, at + 14);
        e.crc = U32(b, at + 16);
        e.compressedSize = U32(b, at + 20);
        e.uncompressedSize = U32(b, at + 24);
        const uint16_t nameLength = U16(b, at + 28);
        const uint16_t commentLength = U16(b, at + 32);
        if (U16(b, at + 30) != 0 || U16(b, at + 34) != 0 || U16(b, at + 36) != 0 ||
            U32(b, at + 38) != 0) {
            a.problem = "central record zero fields";
            return a;
        }
        e.headerOffset = U32(b, at + 42);
        e.name = b.mid(at + 46, nameLength);
        e.comment = b.mid(at + 46 + nameLength, commentLength);
        // From "version needed" to the name length, the two records agree field by field.
        const QByteArray sharedFields = b.mid(at + 6, 24);
        at += 46 + nameLength + commentLength;

        const qsizetype h = e.headerOffset;
        if (h + 30 > b.size() || U32(b, h) != 0x04034B50 || b.mid(h + 4, 24) != sharedFields ||
            U16(b, h + 28) != 0 || b.mid(h + 30, nameLength) != e.name) {
            a.problem = "local header differs from its central record: " + e.name.toStdString();
            return a;
        }
        const qsizetype dataAt = h + 30 + nameLength;
        if (dataAt + e.compressedSize > dirOffset ||
            !Inflate(b.constData() + dataAt, e.compressedSize, e.data)) {
            a.problem = "entry does not inflate: " + e.name.toStdString();
            return a;
        }
        if (uint32_t(e.data.size()) != e.uncompressedSize ||
            crc32(0, reinterpret_cast<const Bytef*>(e.data.constData()),
                  static_cast<uInt>(e.data.size())) != e.crc) {
            a.problem = "size or CRC-32 differs: " + e.name.toStdString();
            return a;
        }
        a.entries.push_back(std::move(e));
    }
    if (at != endAt)
        a.problem = "central directory size";
    return a;
}

inline QByteArray FileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline Archive ReadFile(const QString& path) {
    return Read(FileBytes(path));
}

} // namespace testzip
