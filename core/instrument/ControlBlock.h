#pragma once

#include "core/common/CalendarDateTime.h"

#include <QString>
#include <array>
#include <cstdint>
#include <optional>

// One command for the logger: the 512 bytes written to CONTROL.DAT at offset 0.
class ControlBlock {
public:
    static constexpr int kSize = 512;
    static constexpr int kMaxCodePage = 256;

    const uint8_t* Data() const { return bytes_.data(); }
    uint8_t Code() const { return bytes_[2]; }

    static ControlBlock SetClock(uint32_t instrumentTime);
    static ControlBlock EraseMemory();
    static ControlBlock StartRecording();
    static ControlBlock ScheduleRecording(uint32_t start, uint32_t durationSeconds);
    static ControlBlock StopRecording();
    static ControlBlock SetScalesAndUnits(float low, float high, const QString& units);
    // tcIndex 0..7 for "JKTNERSB"; other values are clamped into that range.
    static ControlBlock SetThermocouple(int tcIndex, bool cjc);
    // Clamped to 1..255, the range of the single payload byte.
    static ControlBlock SetFilterSize(int size);
    static ControlBlock SetPolarity(bool on);
    static ControlBlock EnterFlashMode();
    // `address` keeps its low 24 bits; `count` is clamped to 0..256.
    static ControlBlock WriteCodePage(uint32_t address, const uint8_t* code, int count);
    static ControlBlock EndFlashMode();

private:
    class Writer;
    std::array<uint8_t, kSize> bytes_{};
};

// Whether the acknowledgement map read back from CONTROL.DAT holds the page at `address`.
bool IsPageAcknowledged(const uint8_t* map512, uint32_t address);

// Seconds since 1970 of the wall-clock fields taken as UTC; 0 for an invalid date, clamped to
// the 32-bit range. For reading the logger's own clock.
uint32_t InstrumentTimeValue(const CalendarDateTime& localWallClock);
// The same for a time to send: nothing for an invalid date or one the logger's 32-bit clock
// cannot hold (before 1970-01-01 00:00:00, after 2106-02-07 06:28:15), which is never clamped.
std::optional<uint32_t> InstrumentTimeToSend(const CalendarDateTime& localWallClock);
// Why `refused` cannot be sent.
QString InstrumentTimeRangeText(const CalendarDateTime& refused);
CalendarDateTime FromInstrumentTimeValue(uint32_t value);
