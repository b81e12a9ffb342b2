#include "core/session/InstrumentSettings.h"

#include "core/app/SettingsStore.h"
#include "core/session/CRecSession.h"

QString InstrumentSettingsSection(int modelCode, const QString& serial) {
    return QStringLiteral("VX_%1_").arg(modelCode, 4, 10, QChar(u'0')) + serial;
}

void StoreInstrumentTexts(SettingsStore& settings, const CRecSession& session) {
    const QString section = InstrumentSettingsSection(session.ModelCode(), session.SerialNumber());
    settings.SetInt(section, QStringLiteral("Type"), session.ModelCode());
    settings.SetString(section, QStringLiteral("InstName"), session.InstrumentName());
    settings.SetString(section, QStringLiteral("Location"), session.Location());
    settings.SetString(section, QStringLiteral("Header"), session.ReportHeader());
    settings.SetString(section, QStringLiteral("Footer"), session.ReportFooter());
}
