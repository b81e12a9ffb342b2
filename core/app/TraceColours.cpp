#include "core/app/TraceColours.h"

#include "core/app/SettingsKeys.h"
#include "core/common/StringTable.h"

#include <utility>

namespace {

ColorRef Read(const SettingsStore& settings, const QString& key, int fallback) {
    return ColorRef(settings.GetInt(SettingsKeys::ColorsSection(), key, fallback));
}

void Write(SettingsStore& settings, const QString& key, ColorRef colour) {
    settings.SetInt(SettingsKeys::ColorsSection(), key, int(colour));
}
} // namespace

TraceColours TraceColours::Load(const SettingsStore& settings) {
    using namespace SettingsKeys;
    TraceColours c;
    c.voltage = Read(settings, DisplayColorV(), kDisplayColorVDefault);
    c.current = Read(settings, DisplayColorA(), kDisplayColorADefault);
    c.other = Read(settings, DisplayColorOther(), kDisplayColorOtherDefault);
    c.graphBackground = Read(settings, GraphBackgroundColor(), kGraphBackgroundColorDefault);
    c.cursor = Read(settings, CursorColor(), kCursorColorDefault);
    c.alarmLimits = Read(settings, AlarmLimitColor(), kAlarmLimitColorDefault);
    return c;
}

void TraceColours::Save(SettingsStore& settings) const {
    using namespace SettingsKeys;
    Write(settings, DisplayColorV(), voltage);
    Write(settings, DisplayColorA(), current);
    Write(settings, DisplayColorOther(), other);
    Write(settings, GraphBackgroundColor(), graphBackground);
    Write(settings, CursorColor(), cursor);
    Write(settings, AlarmLimitColor(), alarmLimits);
}

ColorRef TraceColours::TraceColourOfGroup(int colourGroup) const {
    switch (colourGroup) {
    case 0:
        return voltage;
    case 1:
        return current;
    default:
        return other;
    }
}

QVector<ColorChangeInfo> BuildColorChangeList(TraceColours& colours) {
    using namespace SettingsKeys;
    return {
        {&colours.voltage, ColorRef(kDisplayColorVDefault), ResourceString(TextId::kVoltageColour)},
        {&colours.current, ColorRef(kDisplayColorADefault), ResourceString(TextId::kCurrentColour)},
        {&colours.other, ColorRef(kDisplayColorOtherDefault), ResourceString(TextId::kOtherColour)},
        {&colours.graphBackground, ColorRef(kGraphBackgroundColorDefault),
         ResourceString(TextId::kGraphBackground)},
        {&colours.cursor, ColorRef(kCursorColorDefault), ResourceString(TextId::kCursorLine)},
        {&colours.alarmLimits, ColorRef(kAlarmLimitColorDefault),
         ResourceString(TextId::kAlarmLimitsColour)},
    };
}

TraceColorsDlgModel::TraceColorsDlgModel(QVector<ColorChangeInfo> entries)
    : entries_(std::move(entries)) {
    choices_.reserve(entries_.size());
    for (const ColorChangeInfo& e : entries_)
        choices_.append(e.colour ? std::optional<ColorRef>(*e.colour) : std::nullopt);
}

QString TraceColorsDlgModel::OtherColoursText() {
    return ResourceString(TextId::kMoreColours);
}

QString TraceColorsDlgModel::AutomaticText() {
    return ResourceString(TextId::kDefaultColour);
}

ColorRef TraceColorsDlgModel::EffectiveColour(int index) const {
    return choices_.at(index).value_or(entries_.at(index).defaultColour);
}

void TraceColorsDlgModel::ResetToDefaults() {
    for (qsizetype i = 0; i < entries_.size(); ++i)
        choices_[i] = entries_.at(i).defaultColour;
}

UpdateHintType TraceColorsDlgModel::Accept() const {
    for (int i = 0; i < Count(); ++i) {
        if (entries_.at(i).colour)
            *entries_.at(i).colour = EffectiveColour(i);
    }
    return UpdateHintType::Colours;
}
