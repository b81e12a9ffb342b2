#pragma once

#include <QtGlobal>
#include <cstdint>

// How the logger's converter counts relate to volts: what it reports as "VRef=", "MaxCnt=",
// "Chan1Mult=" and the resistance bridge values, per model.
struct ConverterConstants {
    double referenceVolts = 2.5;
    int fullScaleCount = 32768;
    double multiplier = 1.0;
    double rtdReferenceOhms = 4750.0;
    double rtdNominalOhms = 1000.0;

    static ConverterConstants ForModel(int modelCode);
    // Channel units per count, as the program derives it.
    double CountScale() const { return multiplier * referenceVolts / fullScaleCount; }
};

// Platinum sensor resistance at `celsius` (Callendar-Van Dusen, IEC 60751 coefficients).
double RtdOhmsAt(double nominalOhms, double celsius);

// The inputs a logger of one model sees: slow waves with a little noise, as pure functions of
// the instrument time so that live values and the recording agree.
class SignalModel {
public:
    SignalModel(int modelCode, quint64 seed);

    // The channel count at instrument time `ms`: volts, milliamps, the pulses of that second,
    // the RTD bridge count, or the thermocouple count (relative to the cold junction).
    std::int16_t ChannelCount(qint64 ms, int tcIndex) const;
    // Bridge count of the room-temperature sensor next to the input terminals.
    std::int16_t ColdJunctionCount(qint64 ms) const;
    // The 16 input states of the second `second`, the first 1/16 s in the top bit.
    std::uint16_t EventWord(qint64 second) const;
    std::int16_t BatteryCount(qint64 ms) const;

    // The profiles behind the counts, for checks.
    double RoomCelsius(qint64 ms) const;
    double ProcessCelsius(qint64 ms, int tcIndex) const;
    // Fraction 0..1 of the model's input range.
    double RangeFraction(qint64 ms) const;

private:
    double Noise(qint64 ms) const;
    std::int16_t BridgeCount(double celsius) const;

    int modelCode_;
    quint64 seed_;
    ConverterConstants converter_;
    double rangeLow_ = 0.0;
    double rangeHigh_ = 1.0;
};
