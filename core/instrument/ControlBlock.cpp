#include "core/instrument/ControlBlock.h"

#include "core/common/StringTable.h"
#include "core/session/SessionFile.h"

#include <QDate>
#include <algorithm>
#include <limits>

namespace {

constexpr uint8_t kCodeSetClock = 0x01;
constexpr uint8_t kCodeErase = 0x02;
constexpr uint8_t kCodeStart = 0x03;
constexpr uint8_t kCodeSchedule = 0x04;
constexpr uint8_t kCodeStop = 0x05;
constexpr uint8_t kCodeScales = 0x06;
constexpr uint8_t kCodeThermocouple = 0x07;
constexpr uint8_t kCodeFilter = 0x08;
constexpr uint8_t kCodePolarity = 0x09;
constexpr uint8_t kCodeEnterFlash = 0x40;
constexpr uint8_t kCodeWritePage = 0x41;
constexpr uint8_t kCodeEndFlash = 0x42;

constexpr int kScaleTextLength = 8;
constexpr int kUnitsField = 4;
constexpr int kMaxThermocoupleIndex = 7;
constexpr qint64 kSecondsPerDay = 86400;
constexpr qint64 kUnixEpochJulianDay = 2440588;

uint8_t Flag(bool on) {
    return on ? '1' : '0';
}

} // namespace

// Appends the payload after the four header bytes and seals the block with its checksum.
class ControlBlock::Writer {
public:
    explicit Writer(uint8_t code) {
        block_.bytes_[0] = 0x55;
        block_.bytes_[1] = 0xAA;
        block_.bytes_[2] = code;
        block_.bytes_[3] = static_cast<uint8_t>(0xFF - code);
    }

    Writer& Byte(uint8_t value) {
        block_.bytes_[at_++] = value;
        return *this;
    }
    Writer& BigEndian(uint32_t value, int bytes) {
        for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8)
            Byte(static_cast<uint8_t>(value >> shift));
        return *this;
    }
    // Low byte of each character; a shorter text ends with one zero byte.
    Writer& Text(const QString& text, int field) {
        const int used = static_cast<int>(std::min<qsizetype>(text.size(), field));
        for (int i = 0; i < used; ++i)
            block_.bytes_[at_ + i] = static_cast<uint8_t>(text[i].unicode() & 0xFF);
        at_ += field;
        return *this;
    }
    Writer& Skip(int count) {
        at_ += count;
        return *this;
    }

    ControlBlock Seal() {
        uint8_t sum = 0;
        for (std::size_t i = 0; i < at_; ++i)
            sum = static_cast<uint8_t>(sum + block_.bytes_[i]);
        block_.bytes_[at_] = static_cast<uint8_t>(0x100 - sum);
        return block_;
    }

private:
    ControlBlock block_;
    std::size_t at_ = 4;
};

ControlBlock ControlBlock::SetClock(uint32_t instrumentTime) {
    return Writer(kCodeSetClock).BigEndian(instrumentTime, 4).Seal();
}

ControlBlock ControlBlock::EraseMemory() {
    return Writer(kCodeErase).Byte(0x12).Byte(0x34).Seal();
}

ControlBlock ControlBlock::StartRecording() {
    return Writer(kCodeStart).Byte(0x43).Byte(0x21).Seal();
}

ControlBlock ControlBlock::ScheduleRecording(uint32_t start, uint32_t durationSeconds) {
    return Writer(kCodeSchedule).BigEndian(start, 4).BigEndian(durationSeconds, 4).Seal();
}

ControlBlock ControlBlock::StopRecording() {
    return Writer(kCodeStop).Byte(0x21).Byte(0x43).Seal();
}

ControlBlock ControlBlock::SetScalesAndUnits(float low, float high, const QString& units) {
    return Writer(kCodeScales)
        .Text(EncodeScaleText(low), kScaleTextLength)
        .Text(EncodeScaleText(high), kScaleTextLength)
        .Text(units, kUnitsField)
        .Seal();
}

ControlBlock ControlBlock::SetThermocouple(int tcIndex, bool cjc) {
    const QString letter = TcIndexToLetter(std::clamp(tcIndex, 0, kMaxThermocoupleIndex));
    return Writer(kCodeThermocouple)
        .Byte(static_cast<uint8_t>(letter[0].unicode()))
        .Byte(Flag(cjc))
        .Seal();
}

ControlBlock ControlBlock::SetFilterSize(int size) {
    return Writer(kCodeFilter).Byte(static_cast<uint8_t>(std::clamp(size, 1, 255))).Seal();
}

ControlBlock ControlBlock::SetPolarity(bool on) {
    return Writer(kCodePolarity).Byte(Flag(on)).Seal();
}

ControlBlock ControlBlock::EnterFlashMode() {
    return Writer(kCodeEnterFlash).Byte(0x57).Byte(0x75).Seal();
}

ControlBlock ControlBlock::WriteCodePage(uint32_t address, const uint8_t* code, int count) {
    Writer writer(kCodeWritePage);
    writer.BigEndian(address & 0xFFFFFFu, 3);
    const int used = code ? std::clamp(count, 0, kMaxCodePage) : 0;
    for (int i = 0; i < used; ++i)
        writer.Byte(code[i]);
    return writer.Skip(kMaxCodePage - used).Seal();
}

ControlBlock ControlBlock::EndFlashMode() {
    return Writer(kCodeEndFlash).Byte(0x75).Byte(0x57).Seal();
}

bool IsPageAcknowledged(const uint8_t* map512, uint32_t address) {
    const uint32_t byte = address / 2048;
    if (!map512 || byte >= static_cast<uint32_t>(ControlBlock::kSize))
        return false;
    return (map512[byte] >> ((address / 256) % 8)) & 1;
}

uint32_t InstrumentTimeValue(const CalendarDateTime& localWallClock) {
    if (!localWallClock.valid)
        return 0;
    return static_cast<uint32_t>(std::clamp<qint64>(localWallClock.SecondsSince(LoggerClockFirst()),
                                                    0, std::numeric_limits<uint32_t>::max()));
}

std::optional<uint32_t> InstrumentTimeToSend(const CalendarDateTime& localWallClock) {
    if (!IsOnLoggerClock(localWallClock))
        return std::nullopt;
    return static_cast<uint32_t>(localWallClock.SecondsSince(LoggerClockFirst()));
}

QString InstrumentTimeRangeText(const CalendarDateTime& refused) {
    return FormatResource(TextId::kClockOutOfRange, {FormatDateTimeText(refused)});
}

CalendarDateTime FromInstrumentTimeValue(uint32_t value) {
    const qint64 days = value / kSecondsPerDay;
    const int inDay = static_cast<int>(value % kSecondsPerDay);
    const QDate date = QDate::fromJulianDay(kUnixEpochJulianDay + days);
    return CalendarDateTime::FromFields(date.year(), date.month(), date.day(), inDay / 3600,
                                        inDay % 3600 / 60, inDay % 60);
}
