#pragma once

#include "core/app/SettingsStore.h"
#include "core/common/TemperatureUnitSource.h"

// The user's temperature unit as stored in the settings; any positive value means °F.
class TemperatureSetting final : public TemperatureUnitSource {
public:
    explicit TemperatureSetting(const SettingsStore& settings);
    bool UseFahrenheit() const override { return fahrenheit_; }

private:
    bool fahrenheit_;
};
