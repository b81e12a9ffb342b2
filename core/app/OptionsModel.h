#pragma once

#include "core/app/SettingsStore.h"
#include "core/common/UpdateHint.h"

#include <QString>
#include <optional>

// The user options the document keeps, as stored in section "Settings".
struct DocumentOptions {
    bool checkFirmware = true;
    bool checkSoftware = true;
    bool dashedOverload = true;
    int temperatureUnits = 1; // 0 °C, any positive value °F
    bool saveRawDump = false;

    // Missing values take their defaults; a negative unit becomes 0 (°C).
    static DocumentOptions Load(const SettingsStore& settings);
    void Save(SettingsStore& settings) const;

    bool operator==(const DocumentOptions&) const = default;
};

// The rules of the "Options" dialog; the dialog only binds its controls to this.
class OptionsModel {
public:
    explicit OptionsModel(const DocumentOptions& current);

    static QString Title() { return QStringLiteral("Options"); }

    bool CheckFirmware() const { return checkFirmware_; }
    bool CheckSoftware() const { return checkSoftware_; }
    bool DashedOverload() const { return dashedOverload_; }
    // Index of the chosen radio button: 0 "°C", 1 "°F".
    int TemperatureUnitIndex() const { return unitIndex_; }
    bool SaveRawDump() const { return saveRawDump_; }

    void SetCheckFirmware(bool on) { checkFirmware_ = on; }
    void SetCheckSoftware(bool on) { checkSoftware_ = on; }
    void SetDashedOverload(bool on) { dashedOverload_ = on; }
    void SetTemperatureUnitIndex(int index);
    void SetSaveRawDump(bool on) { saveRawDump_ = on; }

    struct Accepted {
        DocumentOptions options;            // the document's new values
        std::optional<UpdateHintType> hint; // what the views must be told, if anything
    };
    // "OK": writes all the values to the settings and says what the document now holds.
    // The caller skips the hint while a print preview is showing.
    Accepted Accept(SettingsStore& settings) const;

private:
    DocumentOptions current_;
    bool checkFirmware_;
    bool checkSoftware_;
    bool dashedOverload_;
    int unitIndex_;
    bool saveRawDump_;
};
