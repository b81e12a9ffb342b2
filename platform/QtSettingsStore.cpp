#include "platform/QtSettingsStore.h"

namespace {
QString PathOf(const QString& section, const QString& key) {
    return section + u'/' + key;
}
} // namespace

QtSettingsStore::QtSettingsStore()
    : settings_(QStringLiteral("Marvane"), QStringLiteral("Vexlo")) {}

int QtSettingsStore::GetInt(const QString& section, const QString& key, int fallback) const {
    bool ok = false;
    const int value = settings_.value(PathOf(section, key)).toInt(&ok);
    return ok ? value : fallback;
}

QString QtSettingsStore::GetString(const QString& section, const QString& key,
                                   const QString& fallback) const {
    const QVariant value = settings_.value(PathOf(section, key));
    return value.isValid() ? value.toString() : fallback;
}

void QtSettingsStore::SetInt(const QString& section, const QString& key, int value) {
    settings_.setValue(PathOf(section, key), value);
}

void QtSettingsStore::SetString(const QString& section, const QString& key, const QString& value) {
    settings_.setValue(PathOf(section, key), value);
}
