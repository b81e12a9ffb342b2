#include "core/app/OptionsModel.h"

#include "core/app/SettingsKeys.h"
#include "core/common/StringTable.h"

#include <algorithm>
#include <cmath>

namespace {
int ClampedUnitIndex(int units) {
    return std::clamp(units, 0, 1);
}
} // namespace

DocumentOptions DocumentOptions::Load(const SettingsStore& settings) {
    using namespace SettingsKeys;
    const QString section = SettingsSection();
    DocumentOptions o;
    o.checkFirmware = settings.GetInt(section, CheckFirmware(), kCheckFirmwareDefault) != 0;
    o.checkSoftware = settings.GetInt(section, CheckSoftware(), kCheckSoftwareDefault) != 0;
    o.dashedOverload = settings.GetInt(section, DashedOverload(), kDashedOverloadDefault) != 0;
    o.temperatureUnits = std::max(0, settings.GetInt(section, TempUnits(), kTempUnitsDefault));
    o.saveRawDump = settings.GetInt(section, SaveRawDump(), kSaveRawDumpDefault) != 0;
    const int activation = settings.GetInt(section, MktActivation(), kMktActivationDefault);
    if (kMktActivationRange.Contains(activation))
        o.mktActivationKelvin = activation;
    o.interfaceLanguage =
        LanguageChoiceOf(settings.GetInt(section, InterfaceLanguage(), kInterfaceLanguageDefault));
    return o;
}

void DocumentOptions::Save(SettingsStore& settings) const {
    using namespace SettingsKeys;
    const QString section = SettingsSection();
    settings.SetInt(section, CheckFirmware(), checkFirmware ? 1 : 0);
    settings.SetInt(section, CheckSoftware(), checkSoftware ? 1 : 0);
    settings.SetInt(section, DashedOverload(), dashedOverload ? 1 : 0);
    settings.SetInt(section, TempUnits(), temperatureUnits);
    settings.SetInt(section, SaveRawDump(), saveRawDump ? 1 : 0);
    settings.SetInt(section, MktActivation(), mktActivationKelvin);
    settings.SetInt(section, InterfaceLanguage(), static_cast<int>(interfaceLanguage));
}

OptionsModel::OptionsModel(const DocumentOptions& current)
    : current_(current), checkFirmware_(current.checkFirmware),
      checkSoftware_(current.checkSoftware), dashedOverload_(current.dashedOverload),
      unitIndex_(ClampedUnitIndex(current.temperatureUnits)), saveRawDump_(current.saveRawDump),
      language_(current.interfaceLanguage),
      mktActivationText_(QString::number(current.mktActivationKelvin)),
      mktActivation_(current.mktActivationKelvin) {}

QString OptionsModel::Title() {
    return ResourceString(TextId::kOptionsTitle);
}

QString OptionsModel::MktActivationLabel() {
    return ResourceString(TextId::kMktActivationLabel);
}

Outcome OptionsModel::SetMktActivationText(const QString& text) {
    mktActivationText_ = text;
    const std::optional<double> kelvins = kMktActivationRange.Read(text);
    if (!kelvins)
        return Outcome::Failure(OutcomeType::Refused,
                                MktActivationLabel() + u' ' + kMktActivationRange.RefusalText());
    mktActivation_ = static_cast<int>(std::lround(*kelvins));
    return Outcome::Success();
}

void OptionsModel::SetTemperatureUnitIndex(int index) {
    unitIndex_ = ClampedUnitIndex(index);
}

OptionsModel::Accepted OptionsModel::Accept(SettingsStore& settings) const {
    Accepted result;
    result.options.checkFirmware = checkFirmware_;
    result.options.checkSoftware = checkSoftware_;
    result.options.dashedOverload = dashedOverload_;
    result.options.temperatureUnits = unitIndex_;
    result.options.saveRawDump = saveRawDump_;
    result.options.mktActivationKelvin = mktActivation_;
    result.options.interfaceLanguage = language_;
    result.options.Save(settings);
    // The web checks only matter at the next start or status read; drawing changes at once.
    // A new ΔH/R changes only the sessions' figures, not how values are drawn or converted.
    if (result.options.dashedOverload != current_.dashedOverload ||
        result.options.temperatureUnits != current_.temperatureUnits)
        result.hint = UpdateHintType::DisplaySettings;
    else if (result.options.mktActivationKelvin != current_.mktActivationKelvin)
        result.hint = UpdateHintType::Refresh;
    return result;
}
