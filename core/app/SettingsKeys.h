#pragma once

#include <QString>

// Sections and value names of the program's settings, with their defaults.
namespace SettingsKeys {
inline QString SettingsSection() { return QStringLiteral("Settings"); }
inline QString TempUnits() { return QStringLiteral("TempUnits"); }
inline constexpr int kTempUnitsDefault = 1; // 0 °C, 1 °F
inline QString CheckFirmware() { return QStringLiteral("CheckFirmware"); }
} // namespace SettingsKeys
