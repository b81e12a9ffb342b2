#include "core/instrument/IntelHexImage.h"

#include "core/common/StringTable.h"

#include <algorithm>

namespace {

constexpr int kDataRecord = 0;
constexpr int kExtendedLinearAddress = 4;
constexpr int kStartLinearAddress = 5;

// Anything that is not a hexadecimal digit reads as 0, so a damaged digit is caught by the
// checksum rather than by a separate rule.
int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return 0;
}

// The next line of the text, CRs left out; `pos` moves past it.
QByteArray NextLine(QByteArrayView text, qsizetype& pos) {
    QByteArray line;
    while (pos < text.size()) {
        const char c = text[pos];
        if (c == '\n') {
            ++pos;
            break;
        }
        if (line.size() == IntelHexImage::kMaxLineLength)
            break;
        ++pos;
        if (c != '\r')
            line += c;
    }
    return line;
}

class RecordCursor {
public:
    RecordCursor(const QByteArray& line, qsizetype from) : line_(line), pos_(from) {}

    bool HasBytes(qsizetype count) const { return line_.size() - pos_ >= 2 * count; }
    int Byte() {
        const int value = HexDigit(line_[pos_]) * 16 + HexDigit(line_[pos_ + 1]);
        pos_ += 2;
        sum_ += value;
        return value;
    }
    int Sum() const { return sum_ & 0xFF; }

private:
    const QByteArray& line_;
    qsizetype pos_;
    int sum_ = 0;
};

class HexReader {
public:
    // False with the message of the first fault.
    bool AddLine(const QByteArray& line);
    const QString& Error() const { return error_; }
    QByteArray TakeImage() { return std::move(image_); }

private:
    bool Fail(int id) {
        error_ = ResourceString(id);
        return false;
    }

    QByteArray image_;
    qint64 base_ = 0;
    QString error_;
};

bool HexReader::AddLine(const QByteArray& line) {
    qsizetype start = 0;
    while (start < line.size() && line[start] == ' ')
        ++start;
    if (start == line.size() || line[start] != ':')
        return true;
    RecordCursor record(line, start + 1);
    if (!record.HasBytes(1))
        return Fail(TextId::kHexShortLine);
    const int count = record.Byte();
    if (count == 0)
        return true;
    if (!record.HasBytes(3))
        return Fail(TextId::kHexShortLine);
    const int address = record.Byte() * 256;
    const int offset = address + record.Byte();
    const int type = record.Byte();
    // An extended address needs both of its bytes; one alone says nothing about the segment.
    if ((type != kDataRecord && type != kExtendedLinearAddress && type != kStartLinearAddress) ||
        (type == kExtendedLinearAddress && count < 2))
        return Fail(TextId::kHexUnknownRecord);
    if (offset + count - 1 > 0xFFFF)
        return Fail(TextId::kHexAddressRange);
    if (!record.HasBytes(count + 1))
        return Fail(TextId::kHexShortLine);
    QByteArray data(count, Qt::Uninitialized);
    for (int i = 0; i < count; ++i)
        data[i] = static_cast<char>(record.Byte());
    const int expected = (0x100 - record.Sum()) & 0xFF;
    if (record.Byte() != expected)
        return Fail(TextId::kHexBadChecksum);

    if (type == kExtendedLinearAddress) {
        base_ = qint64((static_cast<uchar>(data[0]) << 8) | static_cast<uchar>(data[1])) << 16;
    } else if (type == kDataRecord) {
        const qint64 at = base_ + offset;
        if (at + count > IntelHexImage::kMaxSize)
            return Fail(TextId::kFirmwareIncompatible);
        if (image_.size() < at + count)
            image_.resize(at + count, '\0');
        std::copy(data.cbegin(), data.cend(), image_.begin() + at);
    }
    return true;
}

} // namespace

Outcome IntelHexImage::CheckCompatibility() const {
    if (bytes_.size() >= kMinCompatibleSize && bytes_[kMarkAddress] == 'X' &&
        bytes_[kMarkAddress + 1] == 'V')
        return Outcome::Success();
    return Outcome::Failure(OutcomeType::Unsupported,
                            ResourceString(TextId::kFirmwareIncompatible));
}

QByteArrayView IntelHexImage::Page(qsizetype address, qsizetype pageSize) const {
    if (address < 0 || pageSize <= 0 || address >= bytes_.size())
        return {};
    return QByteArrayView(bytes_).sliced(address, std::min(pageSize, bytes_.size() - address));
}

IntelHexReadResult ReadIntelHex(QByteArrayView text) {
    HexReader reader;
    qsizetype pos = 0;
    while (pos < text.size()) {
        if (!reader.AddLine(NextLine(text, pos)))
            return {Outcome::Failure(OutcomeType::Corrupt, reader.Error()), {}};
    }
    IntelHexImage image(reader.TakeImage());
    if (image.Size() == 0)
        return {Outcome::Failure(OutcomeType::Corrupt, ResourceString(TextId::kHexNoCode)), {}};
    return {Outcome::Success(), std::move(image)};
}
