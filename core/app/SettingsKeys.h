#pragma once

#include <QString>

// Sections and value names of the program's settings, with their defaults.
namespace SettingsKeys {
inline QString SettingsSection() {
    return QStringLiteral("Settings");
}
inline QString ColorsSection() {
    return QStringLiteral("Colors");
}

// Language of the interface when the tool bar and menu layout was last reset.
inline QString MenuLang() {
    return QStringLiteral("MenuLang");
}
inline QString MenuLangDefault() {
    return {};
}
inline QString MenuResetVersion() {
    return QStringLiteral("MenuResetVersion");
}
inline constexpr int kMenuResetVersionDefault = 0;

inline QString CheckFirmware() {
    return QStringLiteral("CheckFirmware");
}
inline constexpr int kCheckFirmwareDefault = 1;
inline QString CheckSoftware() {
    return QStringLiteral("CheckSoftware");
}
inline constexpr int kCheckSoftwareDefault = 1;
inline QString DashedOverload() {
    return QStringLiteral("DashedOverload");
}
inline constexpr int kDashedOverloadDefault = 1;
inline QString TempUnits() {
    return QStringLiteral("TempUnits");
}
inline constexpr int kTempUnitsDefault = 1; // 0 °C, 1 °F
// Whether a download keeps the bytes it read beside the session, for support.
inline QString SaveRawDump() {
    return QStringLiteral("SaveRawDump");
}
inline constexpr int kSaveRawDumpDefault = 0;

// ΔH/R of the mean kinetic temperature, in kelvins: 83.144 kJ/mol by default.
inline QString MktActivation() {
    return QStringLiteral("MktActivation");
}
inline constexpr int kMktActivationDefault = 10000;

// Version and language of the help file the update check installed.
inline QString HelpVersion() {
    return QStringLiteral("HelpVersion");
}
inline constexpr int kHelpVersionDefault = 0;
// 0 the desktop's language, 1 French, 2 English; read once at start.
inline QString InterfaceLanguage() {
    return QStringLiteral("InterfaceLanguage");
}
inline constexpr int kInterfaceLanguageDefault = 0;
inline QString HelpLang() {
    return QStringLiteral("HelpLang");
}
inline QString HelpLangDefault() {
    return {};
}

// The update server: a base address to which the versions file's path is appended, and the
// manual's page when the server names none. Values of the deployment.
inline QString UpdateServer() {
    return QStringLiteral("UpdateServer");
}
inline QString UpdateServerDefault() {
    return QStringLiteral("https://updates.vexlo.example");
}
inline QString ManualPage() {
    return QStringLiteral("ManualPage");
}
inline QString ManualPageDefault() {
    return QStringLiteral("https://www.vexlo.example/literature/vx-loggers");
}

// Colours, 0x00BBGGRR. The trace names are built from a prefix and one suffix per colour group.
inline QString DisplayColorPrefix() {
    return QStringLiteral("DisplayColor");
}
inline QString DisplayColorV() {
    return DisplayColorPrefix() + u'V';
}
inline QString DisplayColorA() {
    return DisplayColorPrefix() + u'A';
}
inline QString DisplayColorOther() {
    return DisplayColorPrefix() + QStringLiteral("_Other");
}
inline QString GraphBackgroundColor() {
    return QStringLiteral("GraphBackgroundColor");
}
inline QString CursorColor() {
    return QStringLiteral("CursorColor");
}
inline constexpr int kDisplayColorVDefault = 0;
inline constexpr int kDisplayColorADefault = 0;
inline constexpr int kDisplayColorOtherDefault = 255;
inline constexpr int kGraphBackgroundColorDefault = 0xFFFFFF;
inline constexpr int kCursorColorDefault = 255;
inline QString AlarmLimitColor() {
    return QStringLiteral("AlarmLimitColor");
}
inline constexpr int kAlarmLimitColorDefault = 0x0078E6; // orange

// The recent files, most recent first: "File1" to "File4".
inline QString RecentFilesSection() {
    return QStringLiteral("Recent File List");
}
inline QString RecentFile(int index) {
    return QStringLiteral("File%1").arg(index + 1);
}
inline constexpr int kRecentFileCount = 4;

// The window's bars and docks as the toolkit saves them, base64.
inline QString WindowSection() {
    return QStringLiteral("Window");
}
inline QString WindowState() {
    return QStringLiteral("State");
}
inline QString WindowGeometry() {
    return QStringLiteral("Geometry");
}
// Where the user left the dividers of the window and of the session page, base64.
inline QString WindowPanes() {
    return QStringLiteral("Panes");
}
inline QString SessionPanes() {
    return QStringLiteral("SessionPanes");
}

// One section per instrument, remembering its last session parameters.
// "VX", the model code as "_%.4d_", then the serial: model 4, serial "12345" gives
// "VX_0004_12345"; a negative code keeps its sign ("VX_-0004_...").
inline QString InstrumentSection(int modelCode, const QString& serial) {
    return QString::asprintf("VX_%.4d_", modelCode) + serial;
}
inline QString InstrumentType() {
    return QStringLiteral("Type");
}
inline constexpr int kInstrumentTypeAbsent = -1;
inline QString InstName() {
    return QStringLiteral("InstName");
}
inline QString Location() {
    return QStringLiteral("Location");
}
inline QString Header() {
    return QStringLiteral("Header");
}
inline QString Footer() {
    return QStringLiteral("Footer");
}
// The alarm limits of the instrument's sessions (°C for temperatures; empty: none), and
// whether its pages show the mean kinetic temperature.
inline QString AlarmLow() {
    return QStringLiteral("AlarmLow");
}
inline QString AlarmHigh() {
    return QStringLiteral("AlarmHigh");
}
inline QString ShowMkt() {
    return QStringLiteral("ShowMkt");
}
} // namespace SettingsKeys
