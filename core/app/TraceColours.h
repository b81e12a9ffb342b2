#pragma once

#include "core/app/SettingsStore.h"
#include "core/common/StringTable.h"
#include "core/common/UpdateHint.h"

#include <QString>
#include <QVector>
#include <optional>

// A colour as 0x00BBGGRR: 255 is pure red.
using ColorRef = quint32;

inline constexpr ColorRef MakeColorRef(int red, int green, int blue) {
    return ColorRef(red & 0xFF) | ColorRef(green & 0xFF) << 8 | ColorRef(blue & 0xFF) << 16;
}
inline constexpr int RedOf(ColorRef c) {
    return int(c & 0xFF);
}
inline constexpr int GreenOf(ColorRef c) {
    return int(c >> 8 & 0xFF);
}
inline constexpr int BlueOf(ColorRef c) {
    return int(c >> 16 & 0xFF);
}

// The colours every graph and channel table uses, kept in section "Colors".
struct TraceColours {
    ColorRef voltage = 0; // colour group 0
    ColorRef current = 0; // colour group 1
    ColorRef other = 255; // every other colour group
    ColorRef graphBackground = 0xFFFFFF;
    ColorRef cursor = 255;
    ColorRef alarmLimits = MakeColorRef(230, 120, 0);

    // Around the plot; not a setting.
    static constexpr ColorRef kWindowBackground = 0xFFFFFF;

    static TraceColours Load(const SettingsStore& settings);
    void Save(SettingsStore& settings) const;

    // The trace colour of a channel whose model row has this colour group.
    ColorRef TraceColourOfGroup(int colourGroup) const;

    bool operator==(const TraceColours&) const = default;
};

// One editable colour: the variable the dialog changes, its default and its label.
struct ColorChangeInfo {
    ColorRef* colour = nullptr;
    ColorRef defaultColour = 0;
    QString label;
};

// The entries in the order the dialog lists them; they point into `colours`.
QVector<ColorChangeInfo> BuildColorChangeList(TraceColours& colours);

// The rules of the "Couleurs d’affichage" dialog: one colour choice per entry, each either a
// colour or the entry's default ("Par défaut"). Nothing reaches the entries before Accept().
class TraceColorsDlgModel {
public:
    explicit TraceColorsDlgModel(QVector<ColorChangeInfo> entries);

    static QString Title() { return ResourceString(TextId::kTraceColoursTitle); }
    static QString DefaultsButtonText() { return ResourceString(TextId::kTraceColoursDefaults); }
    static QString OtherColoursText(); // the full colour chooser
    static QString AutomaticText();    // the choice standing for an entry's default
    static constexpr int kPaletteColumns = 8;
    static constexpr int kNameColumnPercent = 80;

    int Count() const { return int(entries_.size()); }
    QString Name(int index) const { return entries_.at(index).label; }
    ColorRef DefaultColour(int index) const { return entries_.at(index).defaultColour; }
    // The colour chosen for an entry; none when it is the automatic ("Par défaut") choice.
    std::optional<ColorRef> Choice(int index) const { return choices_.at(index); }
    // What the entry will get on "OK".
    ColorRef EffectiveColour(int index) const;

    void Choose(int index, ColorRef colour) { choices_[index] = colour; }
    void ChooseAutomatic(int index) { choices_[index].reset(); }
    // "Défaut": every choice back to its entry's default, shown but not yet stored.
    void ResetToDefaults();

    // "OK": writes every choice into its entry's variable. The caller then saves the colours
    // and, unless a print preview is showing, tells the views the returned hint.
    UpdateHintType Accept() const;

private:
    QVector<ColorChangeInfo> entries_;
    QVector<std::optional<ColorRef>> choices_;
};
