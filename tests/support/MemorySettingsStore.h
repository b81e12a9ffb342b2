#pragma once

#include "core/app/SettingsStore.h"

#include <QHash>
#include <QPair>
#include <QString>
#include <QVariant>

// Settings kept in memory, so that tests never read or write the user's own.
class MemorySettingsStore final : public SettingsStore {
public:
    int GetInt(const QString& section, const QString& key, int fallback) const override {
        const auto it = values_.constFind({section, key});
        if (it == values_.cend())
            return fallback;
        bool ok = false;
        const int value = it->toInt(&ok);
        return ok ? value : fallback;
    }
    QString GetString(const QString& section, const QString& key,
                      const QString& fallback) const override {
        const auto it = values_.constFind({section, key});
        return it == values_.cend() ? fallback : it->toString();
    }
    void SetInt(const QString& section, const QString& key, int value) override {
        values_.insert({section, key}, value);
    }
    void SetString(const QString& section, const QString& key, const QString& value) override {
        values_.insert({section, key}, value);
    }

    bool Contains(const QString& section, const QString& key) const {
        return values_.contains({section, key});
    }
    // The stored value itself, so a test can tell an int from a string.
    QVariant Raw(const QString& section, const QString& key) const {
        return values_.value({section, key});
    }
    qsizetype Count() const { return values_.size(); }

private:
    QHash<QPair<QString, QString>, QVariant> values_;
};
