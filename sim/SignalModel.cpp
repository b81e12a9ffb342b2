#include "sim/SignalModel.h"

#include "core/session/ModelTable.h"
#include "core/session/ThermocoupleEmf.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

std::int16_t ClampCount(double v) {
    return static_cast<std::int16_t>(std::clamp(std::lround(v), -32768L, 32767L));
}

quint64 Mix(quint64 x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

double Wave(double seconds, double period, double phase = 0.0) {
    return std::sin(kTwoPi * seconds / period + phase);
}

} // namespace

ConverterConstants ConverterConstants::ForModel(int modelCode) {
    ConverterConstants c;
    // Multipliers put the top of each input range near 80 % of the converter's span.
    switch (modelCode) {
    case 0:
        c.multiplier = 50.0;
        break; // 100 mVdc
    case 1:
        c.multiplier = 0.5;
        break; // 1 Vdc
    case 2:
        c.multiplier = 5.0;
        break; // 10 Vdc
    case 3:
        c.multiplier = 25.0;
        break; // 50 Vdc
    case 4:
        c.multiplier = 10.0;
        break; // 4-20 mAdc
    case 8:
        c.multiplier = 16.0;
        break; // thermocouple mV, 40 mV span
    case 9:
        c.multiplier = 2.5;
        break; // 5 Vac
    default:
        c.multiplier = 1.0;
        break; // pulse, event and RTD counts are used as they are
    }
    return c;
}

double RtdOhmsAt(double nominalOhms, double celsius) {
    constexpr double a = 3.9083e-3;
    constexpr double b = -5.775e-7;
    constexpr double c = -4.183e-12;
    double r = 1.0 + a * celsius + b * celsius * celsius;
    if (celsius < 0.0)
        r += c * (celsius - 100.0) * celsius * celsius * celsius;
    return nominalOhms * r;
}

SignalModel::SignalModel(int modelCode, quint64 seed)
    : modelCode_(modelCode), seed_(seed), converter_(ConverterConstants::ForModel(modelCode)) {
    const ModelEntry& e = ModelTableRow(FindModelEntry(modelCode, 0));
    rangeLow_ = e.RangeLow().toDouble();
    rangeHigh_ = e.RangeHigh().toDouble();
}

double SignalModel::Noise(qint64 ms) const {
    const quint64 h = Mix(seed_ ^ Mix(static_cast<quint64>(ms)));
    return static_cast<double>(h >> 11) / static_cast<double>(1ull << 53) * 2.0 - 1.0;
}

double SignalModel::RangeFraction(qint64 ms) const {
    const double t = static_cast<double>(ms) / 1000.0;
    const double f = 0.5 + 0.3 * Wave(t, 600.0) + 0.05 * Wave(t, 97.0, 1.0) + 0.01 * Noise(ms);
    return std::clamp(f, 0.0, 1.0);
}

double SignalModel::RoomCelsius(qint64 ms) const {
    const double t = static_cast<double>(ms) / 1000.0;
    return 22.0 + 1.5 * Wave(t, 1800.0) + 0.02 * Noise(ms ^ 0x5A5A);
}

double SignalModel::ProcessCelsius(qint64 ms, int tcIndex) const {
    const double t = static_cast<double>(ms) / 1000.0;
    const double wave = Wave(t, 900.0) + 0.1 * Wave(t, 131.0, 2.0) + 0.02 * Noise(ms);
    if (modelCode_ == kThermocoupleModelCode) {
        switch (tcIndex) {
        case 5: // R
        case 6: // S
            return 400.0 + 60.0 * wave;
        case 7: // B only reads usefully well above room temperature
            return 700.0 + 80.0 * wave;
        default:
            return 150.0 + 50.0 * wave;
        }
    }
    return 20.0 + 12.0 * wave;
}

std::int16_t SignalModel::BridgeCount(double celsius) const {
    const double r = RtdOhmsAt(converter_.rtdNominalOhms, celsius);
    return ClampCount(converter_.fullScaleCount * r / (converter_.rtdReferenceOhms + r));
}

std::int16_t SignalModel::ChannelCount(qint64 ms, int tcIndex) const {
    switch (modelCode_) {
    case kPulseModelCode: {
        const qint64 second = ms / 1000;
        const double rate = 4.0 + 3.0 * Wave(static_cast<double>(second), 300.0);
        return ClampCount(std::max(0.0, rate + 1.5 * Noise(second * 1000)));
    }
    case kEventModelCode:
        return static_cast<std::int16_t>(EventWord(ms / 1000));
    case 7:
        return BridgeCount(ProcessCelsius(ms, tcIndex));
    case kThermocoupleModelCode: {
        const double mv = ThermocoupleCelsiusToMv(tcIndex, ProcessCelsius(ms, tcIndex)) -
                          ThermocoupleCelsiusToMv(tcIndex, RoomCelsius(ms));
        return ClampCount(mv / converter_.CountScale());
    }
    default: {
        const double value = rangeLow_ + RangeFraction(ms) * (rangeHigh_ - rangeLow_);
        return ClampCount(value / converter_.CountScale());
    }
    }
}

std::int16_t SignalModel::ColdJunctionCount(qint64 ms) const {
    return BridgeCount(RoomCelsius(ms));
}

std::uint16_t SignalModel::EventWord(qint64 second) const {
    // A contact that closes for a few seconds every ten or so, its timing drifting a little.
    constexpr double period = 9.7;
    constexpr double closed = 3.1;
    std::uint16_t word = 0;
    for (int bit = 0; bit < 16; ++bit) {
        const double t = static_cast<double>(second) + bit / 16.0;
        const double phase = std::fmod(t + 0.4 * Wave(t, 120.0), period);
        if (phase < closed)
            word |= static_cast<std::uint16_t>(0x8000u >> bit);
    }
    return word;
}

std::int16_t SignalModel::BatteryCount(qint64 ms) const {
    const double volts = 3.55 + 0.01 * Noise(ms / 1000 * 1000 + 7);
    return ClampCount(volts / 3.0 * converter_.fullScaleCount / converter_.referenceVolts);
}
