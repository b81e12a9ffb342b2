#include "core/app/OptionsModel.h"
#include "core/app/SettingsKeys.h"
#include "core/app/TemperatureSetting.h"
#include "support/MemorySettingsStore.h"

#include <gtest/gtest.h>

namespace {
int Stored(const MemorySettingsStore& settings, const QString& key) {
    return settings.GetInt(SettingsKeys::SettingsSection(), key, -100);
}
} // namespace

TEST(AppOptions, FirstRunShowsEverythingCheckedAndFahrenheit) {
    const MemorySettingsStore settings;
    const DocumentOptions options = DocumentOptions::Load(settings);
    EXPECT_EQ(options, DocumentOptions{});
    const OptionsModel model(options);
    EXPECT_TRUE(model.CheckFirmware());
    EXPECT_TRUE(model.CheckSoftware());
    EXPECT_TRUE(model.DashedOverload());
    EXPECT_EQ(model.TemperatureUnitIndex(), 1);
    EXPECT_TRUE(TemperatureSetting(settings).UseFahrenheit());
}

TEST(AppOptions, LoadReadsEachValueAndClampsANegativeUnit) {
    using namespace SettingsKeys;
    MemorySettingsStore settings;
    settings.SetInt(SettingsSection(), CheckFirmware(), 0);
    settings.SetInt(SettingsSection(), CheckSoftware(), 7);
    settings.SetInt(SettingsSection(), DashedOverload(), 0);
    settings.SetInt(SettingsSection(), TempUnits(), -3);
    const DocumentOptions options = DocumentOptions::Load(settings);
    EXPECT_FALSE(options.checkFirmware);
    EXPECT_TRUE(options.checkSoftware);
    EXPECT_FALSE(options.dashedOverload);
    EXPECT_EQ(options.temperatureUnits, 0);
}

TEST(AppOptions, UnitRadioIsClampedBothWays) {
    DocumentOptions options;
    options.temperatureUnits = -2;
    EXPECT_EQ(OptionsModel(options).TemperatureUnitIndex(), 0);
    options.temperatureUnits = 5;
    EXPECT_EQ(OptionsModel(options).TemperatureUnitIndex(), 1);
    OptionsModel model(options);
    model.SetTemperatureUnitIndex(9);
    EXPECT_EQ(model.TemperatureUnitIndex(), 1);
    model.SetTemperatureUnitIndex(-1);
    EXPECT_EQ(model.TemperatureUnitIndex(), 0);
}

TEST(AppOptions, AUnitOfFiveIsWrittenBackAsOne) {
    using namespace SettingsKeys;
    MemorySettingsStore settings;
    settings.SetInt(SettingsSection(), TempUnits(), 5);
    const DocumentOptions loaded = DocumentOptions::Load(settings);
    EXPECT_EQ(loaded.temperatureUnits, 5);
    const OptionsModel::Accepted accepted = OptionsModel(loaded).Accept(settings);
    EXPECT_EQ(accepted.options.temperatureUnits, 1);
    EXPECT_EQ(Stored(settings, TempUnits()), 1);
}

TEST(AppOptions, OkWritesAllFourValuesAsZeroOrOne) {
    using namespace SettingsKeys;
    MemorySettingsStore settings;
    settings.SetInt(SettingsSection(), CheckSoftware(), 7);
    OptionsModel model(DocumentOptions::Load(settings));
    model.SetCheckFirmware(false);
    model.SetTemperatureUnitIndex(0);
    const OptionsModel::Accepted accepted = model.Accept(settings);
    EXPECT_EQ(Stored(settings, CheckFirmware()), 0);
    EXPECT_EQ(Stored(settings, CheckSoftware()), 1);
    EXPECT_EQ(Stored(settings, DashedOverload()), 1);
    EXPECT_EQ(Stored(settings, TempUnits()), 0);
    EXPECT_EQ(accepted.options, DocumentOptions::Load(settings));
    EXPECT_FALSE(TemperatureSetting(settings).UseFahrenheit());
}

TEST(AppOptions, OnlyDrawingChangesAskForARedraw) {
    MemorySettingsStore settings;
    const DocumentOptions current;

    OptionsModel webOnly(current);
    webOnly.SetCheckFirmware(false);
    webOnly.SetCheckSoftware(false);
    EXPECT_FALSE(webOnly.Accept(settings).hint.has_value());

    OptionsModel unchanged(current);
    EXPECT_FALSE(unchanged.Accept(settings).hint.has_value());

    OptionsModel unit(current);
    unit.SetTemperatureUnitIndex(0);
    EXPECT_EQ(unit.Accept(settings).hint, UpdateHintType::DisplaySettings);

    OptionsModel dashed(current);
    dashed.SetDashedOverload(false);
    EXPECT_EQ(dashed.Accept(settings).hint, UpdateHintType::DisplaySettings);

    // Flipping back and forth before OK is no change.
    OptionsModel toggled(current);
    toggled.SetDashedOverload(false);
    toggled.SetDashedOverload(true);
    EXPECT_FALSE(toggled.Accept(settings).hint.has_value());
}

TEST(AppOptions, TheRawDumpIsOffUntilChosenAndOkKeepsTheChoice) {
    using namespace SettingsKeys;
    MemorySettingsStore settings;
    EXPECT_FALSE(DocumentOptions::Load(settings).saveRawDump);
    settings.SetInt(SettingsSection(), SaveRawDump(), 2);
    EXPECT_TRUE(DocumentOptions::Load(settings).saveRawDump) << "any non-zero value is on";
    OptionsModel model(DocumentOptions::Load(settings));
    EXPECT_TRUE(model.SaveRawDump());
    model.SetSaveRawDump(false);
    const OptionsModel::Accepted off = model.Accept(settings);
    EXPECT_FALSE(off.options.saveRawDump);
    EXPECT_EQ(Stored(settings, SaveRawDump()), 0);
    EXPECT_FALSE(off.hint) << "nothing to redraw";
    model.SetSaveRawDump(true);
    model.Accept(settings);
    EXPECT_EQ(Stored(settings, SaveRawDump()), 1);
}

TEST(AppOptions, MktActivationIsReadInRangeAndOtherwiseTheDefault) {
    using namespace SettingsKeys;
    MemorySettingsStore settings;
    EXPECT_EQ(DocumentOptions::Load(settings).mktActivationKelvin, 10000);
    for (const auto& [stored, loaded] :
         {std::pair{1000, 1000}, std::pair{999, 10000}, std::pair{100000, 100000},
          std::pair{100001, 10000}, std::pair{-5, 10000}, std::pair{12000, 12000}}) {
        settings.SetInt(SettingsSection(), MktActivation(), stored);
        EXPECT_EQ(DocumentOptions::Load(settings).mktActivationKelvin, loaded) << stored;
    }
}

TEST(AppOptions, MktActivationTypedInTheDialogIsCheckedAtItsEnds) {
    using namespace SettingsKeys;
    MemorySettingsStore settings;
    OptionsModel model{DocumentOptions{}};
    EXPECT_EQ(model.MktActivationText(), u"10000");
    for (const char* refused : {"999.9", "100000.1", "", "dix", "1e6"}) {
        const Outcome read = model.SetMktActivationText(QString::fromUtf8(refused));
        EXPECT_EQ(read.kind, OutcomeType::Refused) << refused;
        EXPECT_EQ(read.message, u"ΔH/R de la température cinétique moyenne (K) : Entrez un nombre "
                                u"compris entre 1000 et 100000.")
            << refused;
    }
    EXPECT_FALSE(model.Accept(settings).hint) << "a refused text changes nothing";
    EXPECT_EQ(Stored(settings, MktActivation()), 10000);

    for (const auto& [typed, kelvins] :
         {std::pair{"1000", 1000}, std::pair{"100000", 100000}, std::pair{" 9 500,4 ", -1},
          std::pair{"9500,4", 9500}, std::pair{"12000.6", 12001}}) {
        const bool accepted =
            static_cast<bool>(model.SetMktActivationText(QString::fromUtf8(typed)));
        EXPECT_EQ(accepted, kelvins > 0) << typed;
        if (!accepted)
            continue;
        const OptionsModel::Accepted ok = model.Accept(settings);
        EXPECT_EQ(ok.options.mktActivationKelvin, kelvins) << typed;
        EXPECT_EQ(Stored(settings, MktActivation()), kelvins);
        EXPECT_EQ(ok.hint, UpdateHintType::Refresh) << "the figures change, not the drawing";
    }
}
