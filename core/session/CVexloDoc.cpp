#include "session/CVexloDoc.h"

#include "app/SettingsKeys.h"
#include "app/SettingsStore.h"

#include <algorithm>

CVexloDoc::CVexloDoc(SettingsStore& settings, DriveBackend& drives, const Clock& clock)
    : settings_(settings),
      temperatureUnits_(std::max(0, settings.GetInt(SettingsKeys::SettingsSection(),
                                                    SettingsKeys::TempUnits(),
                                                    SettingsKeys::kTempUnitsDefault))),
      monitor_(drives, clock, *this,
               [this] { UpdateAllViews(UpdateHintType::InstrumentStatus); }) {
    monitor_.SetFirmwareCheckEnabled(
        settings.GetInt(SettingsKeys::SettingsSection(), SettingsKeys::CheckFirmware(), 1) != 0);
}

void CVexloDoc::SetTemperatureUnits(int units) {
    const int normalised = std::max(0, units);
    if (normalised == temperatureUnits_)
        return;
    temperatureUnits_ = normalised;
    UpdateAllViews(UpdateHintType::DisplaySettings);
}

void CVexloDoc::AddObserver(DocObserver* observer) {
    if (std::find(observers_.begin(), observers_.end(), observer) == observers_.end())
        observers_.push_back(observer);
}

void CVexloDoc::RemoveObserver(DocObserver* observer) {
    std::erase(observers_, observer);
}

void CVexloDoc::UpdateAllViews(UpdateHintType hint) {
    // A copy, since an observer may leave while it is told.
    const std::vector<DocObserver*> observers = observers_;
    for (DocObserver* o : observers)
        o->OnDocumentUpdate(hint);
}
