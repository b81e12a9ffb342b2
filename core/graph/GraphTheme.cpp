#include "core/graph/GraphTheme.h"

namespace {

ColorRef Themed(ColorRef chosen, ColorRef lightDefault, ColorRef darkDefault) {
    return chosen == lightDefault ? darkDefault : chosen;
}

} // namespace

TraceColours ThemedColours(const TraceColours& chosen, bool dark) {
    if (!dark)
        return chosen;
    const TraceColours light;
    TraceColours c = chosen;
    c.voltage = Themed(chosen.voltage, light.voltage, DarkDefaultColours::kTrace);
    c.current = Themed(chosen.current, light.current, DarkDefaultColours::kTrace);
    c.other = Themed(chosen.other, light.other, DarkDefaultColours::kRed);
    c.graphBackground =
        Themed(chosen.graphBackground, light.graphBackground, DarkDefaultColours::kGraphBackground);
    c.cursor = Themed(chosen.cursor, light.cursor, DarkDefaultColours::kRed);
    c.alarmLimits = Themed(chosen.alarmLimits, light.alarmLimits, DarkDefaultColours::kAlarmLimits);
    return c;
}
