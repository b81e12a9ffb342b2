#pragma once

#include <QString>

enum class ChannelKindType : int {
    Voltage = 0,
    Current = 1,
    Pulse = 2,
    Event = 3,
    Rtd = 4,
    Thermocouple = 5,
    Undefined = 6,
};

// One channel type: how to read and show a recording of one logger model.
struct ModelEntry {
    const char16_t* Name = u"";
    const char16_t* Label = u"";
    const char16_t* Unit = u"";
    const char16_t* RangeLowText = u"";
    const char16_t* RangeHighText = u"";
    int TcIndex = 0;
    int SubKey = 0;
    int ModelCode = 0;
    int RangeFlags = 0;
    int RangeCode = 0;
    int Bits = 16;
    double Gain = 1.0;
    int Step = 1;
    int Decimals = 0;
    int Radix = 10;
    int ColourGroup = 2;
    ChannelKindType Kind = ChannelKindType::Undefined;
    double SampleInterval = 1.0;

    QString NameText() const { return QString::fromUtf16(Name); }
    QString LabelText() const { return QString::fromUtf16(Label); }
    QString UnitText() const { return QString::fromUtf16(Unit); }
    QString RangeLow() const { return QString::fromUtf16(RangeLowText); }
    QString RangeHigh() const { return QString::fromUtf16(RangeHighText); }
};

struct KindFlags {
    bool linear = false;
    bool thermocouple = false;
    bool analog = false;
    bool temperature = false;
    bool rtd = false;
    bool rangeCheck = false;
    bool pulse = false;
    bool event = false;

    static KindFlags Of(ChannelKindType kind);
};

inline constexpr int kModelTableRows = 18;
inline constexpr int kThermocoupleModelCode = 8;
inline constexpr int kEventModelCode = 6;
inline constexpr int kPulseModelCode = 5;
inline constexpr int kAcVoltageModelCode = 9;

// Row `row` of the model table; a row outside it gives the Undefined row.
const ModelEntry& ModelTableRow(int row);
// The first row with that model code, thermocouple index and sub-key 0; else the first row
// with that model code; else 0 (Undefined).
int FindModelEntry(int modelCode, int tcIndex);
// `eventForm` asks for the rising/falling name of the event model.
QString ModelDisplayName(int modelCode, bool eventForm, bool rising);
