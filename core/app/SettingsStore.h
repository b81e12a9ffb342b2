#pragma once

#include <QString>

// The user's settings by section and value name (the per-user registry of the program).
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    virtual int GetInt(const QString& section, const QString& key, int fallback) const = 0;
    virtual QString GetString(const QString& section, const QString& key,
                              const QString& fallback) const = 0;
    virtual void SetInt(const QString& section, const QString& key, int value) = 0;
    virtual void SetString(const QString& section, const QString& key, const QString& value) = 0;
};
