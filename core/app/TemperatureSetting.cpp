#include "core/app/TemperatureSetting.h"

#include "core/app/SettingsKeys.h"

TemperatureSetting::TemperatureSetting(const SettingsStore& settings)
    : fahrenheit_(settings.GetInt(SettingsKeys::SettingsSection(), SettingsKeys::TempUnits(),
                                  SettingsKeys::kTempUnitsDefault) > 0) {}
