#pragma once

#include "instrument/CInstrumentMonitor.h"
#include "session/TemperatureUnitSource.h"
#include "session/UpdateHint.h"

#include <vector>

class Clock;
class DriveBackend;
class SettingsStore;

// The one document: it owns the instrument connection (and, later, the open sessions) and
// tells its views what changed.
class CVexloDoc final : public TemperatureUnitSource {
public:
    CVexloDoc(SettingsStore& settings, DriveBackend& drives, const Clock& clock);
    CVexloDoc(const CVexloDoc&) = delete;
    CVexloDoc& operator=(const CVexloDoc&) = delete;

    bool UseFahrenheit() const override { return temperatureUnits_ > 0; }
    int TemperatureUnits() const { return temperatureUnits_; }
    void SetTemperatureUnits(int units);

    void AddObserver(DocObserver* observer);
    void RemoveObserver(DocObserver* observer);
    void UpdateAllViews(UpdateHintType hint);

    CInstrumentMonitor& Monitor() { return monitor_; }
    const CInstrumentMonitor& Monitor() const { return monitor_; }
    SettingsStore& Settings() { return settings_; }

private:
    SettingsStore& settings_;
    int temperatureUnits_;
    std::vector<DocObserver*> observers_;
    CInstrumentMonitor monitor_;
};
