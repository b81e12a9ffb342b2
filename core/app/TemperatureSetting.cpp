#include "app/TemperatureSetting.h"

#include "app/SettingsKeys.h"

TemperatureSetting::TemperatureSetting(const SettingsStore& settings)
    : fahrenheit_(settings.GetInt(SettingsKeys::SettingsSection(), SettingsKeys::TempUnits(),
                                  SettingsKeys::kTempUnitsDefault) > 0) {}
