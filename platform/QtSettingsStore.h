#pragma once

#include "core/app/SettingsStore.h"

#include <QSettings>

// The program's own settings: QSettings("Marvane", "Vexlo"), one group per section.
class QtSettingsStore final : public SettingsStore {
public:
    QtSettingsStore();
    int GetInt(const QString& section, const QString& key, int fallback) const override;
    QString GetString(const QString& section, const QString& key,
                      const QString& fallback) const override;
    void SetInt(const QString& section, const QString& key, int value) override;
    void SetString(const QString& section, const QString& key, const QString& value) override;

private:
    mutable QSettings settings_;
};
