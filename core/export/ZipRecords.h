#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <cstdint>
#include <ctime>

// The fixed records of a zip archive: little-endian, no extra fields, no Zip64.
namespace ZipRecords {

constexpr int kLocalHeaderSize = 30;
constexpr int kCentralRecordSize = 46;
constexpr int kEndRecordSize = 22;
constexpr uint64_t kSizeLimit = 0x100000000ULL; // 4 GiB: offsets and sizes are 32-bit
constexpr uint32_t kMaxEntries = 65535;

struct DosStamp {
    uint16_t time = 0;
    uint16_t date = 0;
};

// Local wall-clock time of `moment`; both 0 when it has none or lies outside 1980 to 2107,
// the years the date field can hold.
DosStamp DosStampOf(std::time_t moment);

struct EntryRecord {
    QByteArray name; // UTF-8, "/" as separator
    DosStamp stamp;
    uint32_t crc = 0;
    uint32_t compressedSize = 0;
    uint32_t uncompressedSize = 0;
    uint32_t headerOffset = 0;
};

// The 30 bytes before the name.
QByteArray LocalHeader(const EntryRecord& entry);
void AppendCentralRecord(QByteArray& directory, const EntryRecord& entry, QByteArrayView comment);
QByteArray EndRecord(uint16_t entries, uint32_t directorySize, uint32_t directoryOffset);

} // namespace ZipRecords
