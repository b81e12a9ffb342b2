#include "core/app/SettingsKeys.h"
#include "core/app/TraceColours.h"
#include "support/MemorySettingsStore.h"

#include <gtest/gtest.h>

TEST(AppColours, FirstStartGivesBlackTracesRedOthersAndWhiteBackground) {
    const MemorySettingsStore settings;
    const TraceColours colours = TraceColours::Load(settings);
    EXPECT_EQ(colours.voltage, 0u);
    EXPECT_EQ(colours.current, 0u);
    EXPECT_EQ(colours.other, 255u);
    EXPECT_EQ(colours.graphBackground, 0xFFFFFFu);
    EXPECT_EQ(colours.cursor, 255u);
    EXPECT_EQ(colours, TraceColours{});
    EXPECT_EQ(MakeColorRef(255, 0, 0), 255u);
    EXPECT_EQ(BlueOf(MakeColorRef(1, 2, 3)), 3);
    EXPECT_EQ(GreenOf(0x00123456), 0x34);
}

TEST(AppColours, SaveAndLoadUseTheColorsSection) {
    MemorySettingsStore settings;
    TraceColours colours;
    colours.voltage = MakeColorRef(0, 128, 0);
    colours.current = 0x00FF0000;
    colours.other = 0x00808080;
    colours.graphBackground = 0;
    colours.cursor = 0x0000FFFF;
    colours.alarmLimits = 0x00123456;
    colours.Save(settings);
    const QString section = SettingsKeys::ColorsSection();
    EXPECT_EQ(settings.GetInt(section, QStringLiteral("DisplayColorV"), -1), 0x8000);
    EXPECT_EQ(settings.GetInt(section, QStringLiteral("DisplayColorA"), -1), 0xFF0000);
    EXPECT_EQ(settings.GetInt(section, QStringLiteral("DisplayColor_Other"), -1), 0x808080);
    EXPECT_EQ(settings.GetInt(section, QStringLiteral("GraphBackgroundColor"), -1), 0);
    EXPECT_EQ(settings.GetInt(section, QStringLiteral("CursorColor"), -1), 0xFFFF);
    EXPECT_EQ(settings.GetInt(section, QStringLiteral("AlarmLimitColor"), -1), 0x123456);
    EXPECT_EQ(settings.Count(), 6);
    EXPECT_EQ(TraceColours::Load(settings), colours);
}

TEST(AppColours, ChannelsTakeTheColourOfTheirGroup) {
    TraceColours colours;
    colours.voltage = 1;
    colours.current = 2;
    colours.other = 3;
    EXPECT_EQ(colours.TraceColourOfGroup(0), 1u);
    EXPECT_EQ(colours.TraceColourOfGroup(1), 2u);
    EXPECT_EQ(colours.TraceColourOfGroup(2), 3u);
    EXPECT_EQ(colours.TraceColourOfGroup(-1), 3u);
}

TEST(AppColours, ChangeListFollowsTheTableOrder) {
    TraceColours colours;
    const QVector<ColorChangeInfo> list = BuildColorChangeList(colours);
    ASSERT_EQ(list.size(), 6);
    const QString labels[] = {QStringLiteral("V1"),
                              QStringLiteral("A1"),
                              QStringLiteral("Autres"),
                              QStringLiteral("Fond de graphe"),
                              QStringLiteral("Ligne du curseur"),
                              QStringLiteral("Limites d’alarme")};
    const ColorRef* targets[] = {&colours.voltage,         &colours.current, &colours.other,
                                 &colours.graphBackground, &colours.cursor,  &colours.alarmLimits};
    const ColorRef defaults[] = {0, 0, 255, 0xFFFFFF, 255, MakeColorRef(230, 120, 0)};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(list[i].label, labels[i]);
        EXPECT_EQ(list[i].colour, targets[i]);
        EXPECT_EQ(list[i].defaultColour, defaults[i]);
    }
}

TEST(AppColours, DialogTexts) {
    EXPECT_EQ(TraceColorsDlgModel::Title(), u"Couleurs d’affichage");
    EXPECT_EQ(TraceColorsDlgModel::DefaultsButtonText(), u"Défaut");
    EXPECT_EQ(TraceColorsDlgModel::AutomaticText(), u"Par défaut");
    EXPECT_EQ(TraceColorsDlgModel::OtherColoursText(), u"Plus de couleurs…");
}

TEST(AppColours, DialogChangesNothingBeforeOk) {
    TraceColours colours;
    colours.voltage = 0x123456;
    colours.cursor = 0x00FF00;
    const TraceColours before = colours;
    TraceColorsDlgModel dialog(BuildColorChangeList(colours));
    EXPECT_EQ(dialog.Choice(0), ColorRef(0x123456));
    EXPECT_EQ(dialog.Name(4), u"Ligne du curseur");

    dialog.ResetToDefaults();
    EXPECT_EQ(dialog.Choice(0), ColorRef(0));
    EXPECT_EQ(dialog.Choice(4), ColorRef(255));
    dialog.Choose(2, 0x0000AA);
    EXPECT_EQ(colours, before) << "\"Défaut\" then \"Annuler\" leaves the colours alone";
}

TEST(AppColours, OkStoresDefaultsAsValuesAndAsksForARedraw) {
    MemorySettingsStore settings;
    TraceColours colours;
    colours.other = 0x00AA00;
    colours.graphBackground = 0x202020;
    TraceColorsDlgModel dialog(BuildColorChangeList(colours));
    dialog.ChooseAutomatic(2);
    dialog.Choose(0, MakeColorRef(0, 0, 255));
    EXPECT_FALSE(dialog.Choice(2).has_value());
    EXPECT_EQ(dialog.EffectiveColour(2), 255u);

    EXPECT_EQ(dialog.Accept(), UpdateHintType::Colours);
    colours.Save(settings);
    EXPECT_EQ(colours.other, 255u) << "\"Par défaut\" stores the default itself";
    EXPECT_EQ(colours.voltage, 0xFF0000u);
    EXPECT_EQ(colours.graphBackground, 0x202020u);
    EXPECT_EQ(settings.GetInt(SettingsKeys::ColorsSection(), SettingsKeys::DisplayColorOther(), -1),
              255);
}
