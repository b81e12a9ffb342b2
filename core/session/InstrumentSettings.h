#pragma once

#include <QString>

class CRecSession;
class SettingsStore;

// The settings section of one instrument: "VX_0004_12345" for model 4, serial 12345.
QString InstrumentSettingsSection(int modelCode, const QString& serial);
// Remembers the session's instrument texts so that its instrument page and later downloads
// show them.
void StoreInstrumentTexts(SettingsStore& settings, const CRecSession& session);
