#include "core/export/ZipRecords.h"

namespace ZipRecords {

namespace {

constexpr uint32_t kLocalSignature = 0x04034B50;
constexpr uint32_t kCentralSignature = 0x02014B50;
constexpr uint32_t kEndSignature = 0x06054B50;
constexpr uint16_t kVersionNeeded = 20;
constexpr uint16_t kMethodDeflate = 8;

class LittleEndianWriter {
public:
    explicit LittleEndianWriter(char* out) : out_(out) {}
    void U16(uint16_t v) {
        out_[0] = static_cast<char>(v & 0xFF);
        out_[1] = static_cast<char>(v >> 8);
        out_ += 2;
    }
    void U32(uint32_t v) {
        U16(static_cast<uint16_t>(v & 0xFFFF));
        U16(static_cast<uint16_t>(v >> 16));
    }

private:
    char* out_;
};

// Fields 4 to 25 of the local header, which the central record repeats from its field 6.
void WriteCommonFields(LittleEndianWriter& w, const EntryRecord& e) {
    w.U16(kVersionNeeded);
    w.U16(0); // flags
    w.U16(kMethodDeflate);
    w.U16(e.stamp.time);
    w.U16(e.stamp.date);
    w.U32(e.crc);
    w.U32(e.compressedSize);
    w.U32(e.uncompressedSize);
    w.U16(static_cast<uint16_t>(e.name.size()));
    w.U16(0); // extra field length
}

} // namespace

DosStamp DosStampOf(std::time_t moment) {
    std::tm local{};
    if (!localtime_r(&moment, &local))
        return {};
    const int year = local.tm_year + 1900;
    if (year < 1980 || year > 2107)
        return {};
    return {static_cast<uint16_t>(local.tm_hour * 2048 + local.tm_min * 32 + local.tm_sec / 2),
            static_cast<uint16_t>((year - 1980) * 512 + (local.tm_mon + 1) * 32 + local.tm_mday)};
}

QByteArray LocalHeader(const EntryRecord& entry) {
    QByteArray header(kLocalHeaderSize, '\0');
    LittleEndianWriter w(header.data());
    w.U32(kLocalSignature);
    WriteCommonFields(w, entry);
    return header;
}

void AppendCentralRecord(QByteArray& directory, const EntryRecord& entry, QByteArrayView comment) {
    char record[kCentralRecordSize];
    LittleEndianWriter w(record);
    w.U32(kCentralSignature);
    w.U16(0); // version made by
    WriteCommonFields(w, entry);
    w.U16(static_cast<uint16_t>(comment.size()));
    w.U16(0); // disk number start
    w.U16(0); // internal attributes
    w.U32(0); // external attributes
    w.U32(entry.headerOffset);
    directory.append(record, kCentralRecordSize);
    directory.append(entry.name);
    directory.append(comment);
}

QByteArray EndRecord(uint16_t entries, uint32_t directorySize, uint32_t directoryOffset) {
    QByteArray record(kEndRecordSize, '\0');
    LittleEndianWriter w(record.data());
    w.U32(kEndSignature);
    w.U16(0); // this disk
    w.U16(0); // disk of the directory
    w.U16(entries);
    w.U16(entries);
    w.U32(directorySize);
    w.U32(directoryOffset);
    w.U16(0); // comment length
    return record;
}

} // namespace ZipRecords
