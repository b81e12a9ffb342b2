#include "core/app/CustomisationReset.h"

#include "core/app/SettingsKeys.h"

bool ApplyCustomisationReset(SettingsStore& settings, const QString& interfaceLanguage) {
    using namespace SettingsKeys;
    const QString lastLanguage =
        settings.GetString(SettingsSection(), MenuLang(), MenuLangDefault());
    const bool wasReset =
        settings.GetInt(SettingsSection(), MenuResetVersion(), kMenuResetVersionDefault) != 0;
    if (wasReset && lastLanguage.compare(interfaceLanguage, Qt::CaseInsensitive) == 0)
        return false;
    settings.SetInt(SettingsSection(), MenuResetVersion(), 1);
    settings.SetString(SettingsSection(), MenuLang(), interfaceLanguage);
    return true;
}
