#include "core/session/ModelTable.h"

#include "core/common/StringTable.h"

#include <array>

namespace {

using K = ChannelKindType;

constexpr ModelEntry Row(const char16_t* name, const char16_t* label, const char16_t* unit,
                         const char16_t* low, const char16_t* high, int tcIndex, int modelCode,
                         int rangeFlags, int rangeCode, int step, int decimals, int colourGroup,
                         K kind, double sampleInterval) {
    ModelEntry e;
    e.Name = name;
    e.Label = label;
    e.Unit = unit;
    e.RangeLowText = low;
    e.RangeHighText = high;
    e.TcIndex = tcIndex;
    e.ModelCode = modelCode;
    e.RangeFlags = rangeFlags;
    e.RangeCode = rangeCode;
    e.Step = step;
    e.Decimals = decimals;
    e.ColourGroup = colourGroup;
    e.Kind = kind;
    e.SampleInterval = sampleInterval;
    return e;
}

constexpr std::array<ModelEntry, kModelTableRows> kModelTable = {{
    Row(u"Undefined", u"Undef", u"", u"", u"", 0, 5000, 0, 0, 1, -1, 2, K::Undefined, 1.0),
    Row(u"V1DC100mV", u"V1", u"mVdc", u"0", u"100", 0, 0, 0, 101, 1, 1, 0, K::Voltage, 1.0),
    Row(u"V1DC1V", u"V1", u"Vdc", u"0", u"1", 0, 1, 0, 102, 1, 3, 0, K::Voltage, 1.0),
    Row(u"V1DC10V", u"V1", u"Vdc", u"0", u"10", 0, 2, 0, 103, 1, 2, 0, K::Voltage, 1.0),
    Row(u"V1DC50V", u"V1", u"Vdc", u"0", u"50", 0, 3, 0, 104, 5, 2, 0, K::Voltage, 1.0),
    Row(u"A1DC", u"A1", u"mAdc", u"4", u"20", 0, 4, 0, 200, 2, 2, 1, K::Current, 1.0),
    Row(u"CT1", u"CT1", u" ", u"0", u"8", 0, 5, 255, 0, 1, 0, 2, K::Pulse, 1.0),
    Row(u"EV1", u"EV1", u" ", u"0", u"1", 0, 6, 255, 300, 1, 0, 2, K::Event, 0.0625),
    Row(u"RTD1CV", u"RTD1", u"mVdc", u"0", u"150", 0, 7, 255, 5, 1, 1, 2, K::Rtd, 1.0),
    Row(u"TC1VJ", u"T1 - J", u"mVdc", u"0", u"1", 0, 8, 255, 8, 1, 1, 2, K::Thermocouple, 2.0),
    Row(u"TC1VK", u"T1 - K", u"mVdc", u"0", u"1", 1, 8, 255, 12, 1, 1, 2, K::Thermocouple, 2.0),
    Row(u"TC1VT", u"T1 - T", u"mVdc", u"0", u"1", 2, 8, 255, 16, 1, 1, 2, K::Thermocouple, 2.0),
    Row(u"TC1VN", u"T1 - N", u"mVdc", u"0", u"1", 3, 8, 255, 20, 1, 1, 2, K::Thermocouple, 2.0),
    Row(u"TC1VE", u"T1 - E", u"mVdc", u"0", u"1", 4, 8, 255, 24, 1, 1, 2, K::Thermocouple, 2.0),
    Row(u"TC1VR", u"T1 - R", u"mVdc", u"0", u"1", 5, 8, 255, 28, 1, 1, 2, K::Thermocouple, 2.0),
    Row(u"TC1VS", u"T1 - S", u"mVdc", u"0", u"1", 6, 8, 255, 32, 1, 1, 2, K::Thermocouple, 2.0),
    Row(u"TC1VB", u"T1 - B", u"mVdc", u"0", u"1", 7, 8, 255, 36, 1, 1, 2, K::Thermocouple, 2.0),
    Row(u"V1AC10V", u"V1", u"Vac", u"0", u"5", 0, 9, 0, 103, 1, 2, 0, K::Voltage, 1.0),
}};

} // namespace

KindFlags KindFlags::Of(ChannelKindType kind) {
    KindFlags f;
    switch (kind) {
    case K::Voltage:
    case K::Current:
        f.linear = f.analog = f.rangeCheck = true;
        break;
    case K::Pulse:
        f.linear = f.pulse = true;
        break;
    case K::Event:
        f.event = true;
        break;
    case K::Rtd:
        f.analog = f.temperature = f.rtd = f.rangeCheck = true;
        break;
    case K::Thermocouple:
        f.thermocouple = f.analog = f.temperature = f.rangeCheck = true;
        break;
    case K::Undefined:
        f.rangeCheck = true;
        break;
    }
    return f;
}

const ModelEntry& ModelTableRow(int row) {
    return row >= 0 && row < kModelTableRows ? kModelTable[row] : kModelTable[0];
}

int FindModelEntry(int modelCode, int tcIndex) {
    for (int i = 0; i < kModelTableRows; ++i) {
        const ModelEntry& e = kModelTable[i];
        if (e.ModelCode == modelCode && e.TcIndex == tcIndex && e.SubKey == 0)
            return i;
    }
    for (int i = 0; i < kModelTableRows; ++i)
        if (kModelTable[i].ModelCode == modelCode)
            return i;
    return 0;
}

QString ModelDisplayName(int modelCode, bool eventForm, bool rising) {
    static constexpr int kNames[] = {
        TextId::kModelVx10, TextId::kModelVx11, TextId::kModelVx12,      TextId::kModelVx13,
        TextId::kModelVx20, TextId::kModelVx30, TextId::kModelVx31Event, TextId::kModelVx40,
        TextId::kModelVx50, TextId::kModelVx01};
    if (modelCode == kEventModelCode && eventForm)
        return ResourceString(rising ? TextId::kModelVx31Rising : TextId::kModelVx31Falling);
    if (modelCode >= 0 && modelCode < static_cast<int>(std::size(kNames)))
        return ResourceString(kNames[modelCode]);
    return ResourceString(TextId::kModelUnknown);
}
