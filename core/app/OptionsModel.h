#pragma once

#include "core/app/SettingsKeys.h"
#include "core/app/SettingsStore.h"
#include "core/common/InterfaceLanguage.h"
#include "core/common/Outcome.h"
#include "core/common/UpdateHint.h"
#include "core/common/UserNumber.h"

#include <QString>
#include <optional>

// ΔH/R a user may give, in kelvins: well beyond the 60 to 120 kJ/mol of the guidelines.
inline constexpr NumberRange kMktActivationRange{1000.0, 100000.0};

// The user options the document keeps, as stored in section "Settings".
struct DocumentOptions {
    bool checkFirmware = true;
    bool checkSoftware = true;
    bool dashedOverload = true;
    int temperatureUnits = 1; // 0 °C, any positive value °F
    bool saveRawDump = false;
    int mktActivationKelvin = SettingsKeys::kMktActivationDefault; // ΔH/R of the MKT
    // Read at the next start: the running program keeps the language it began with.
    LanguageChoiceType interfaceLanguage = LanguageChoiceType::Automatic;

    // Missing values take their defaults; a negative unit becomes 0 (°C), a ΔH/R out of
    // range the default.
    static DocumentOptions Load(const SettingsStore& settings);
    void Save(SettingsStore& settings) const;

    bool operator==(const DocumentOptions&) const = default;
};

// The rules of the "Options" dialog; the dialog only binds its controls to this.
class OptionsModel {
public:
    explicit OptionsModel(const DocumentOptions& current);

    static QString Title();

    bool CheckFirmware() const { return checkFirmware_; }
    bool CheckSoftware() const { return checkSoftware_; }
    bool DashedOverload() const { return dashedOverload_; }
    // Index of the chosen radio button: 0 "°C", 1 "°F".
    int TemperatureUnitIndex() const { return unitIndex_; }
    bool SaveRawDump() const { return saveRawDump_; }
    LanguageChoiceType InterfaceLanguage() const { return language_; }
    static QString MktActivationLabel();
    const QString& MktActivationText() const { return mktActivationText_; }

    void SetCheckFirmware(bool on) { checkFirmware_ = on; }
    void SetCheckSoftware(bool on) { checkSoftware_ = on; }
    void SetDashedOverload(bool on) { dashedOverload_ = on; }
    void SetTemperatureUnitIndex(int index);
    void SetSaveRawDump(bool on) { saveRawDump_ = on; }
    void SetInterfaceLanguage(LanguageChoiceType choice) { language_ = choice; }
    // False, with the message to show, when the text is not a ΔH/R the program accepts.
    Outcome SetMktActivationText(const QString& text);

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
    LanguageChoiceType language_;
    QString mktActivationText_;
    int mktActivation_;
};
