#include "core/common/InterfaceLocale.h"

#include <QtGlobal>

namespace {

// "C", "POSIX", "C.UTF-8", "POSIX@euro"...: the locale of no country.
bool IsPlainLocale(const QString& name) {
    const QString language = name.section(u'.', 0, 0).section(u'@', 0, 0);
    return name.isEmpty() || language == QLatin1StringView("C") ||
           language == QLatin1StringView("POSIX");
}

// What a category of the C library would follow: LC_ALL, else its own variable, else LANG.
QString Effective(const LocaleEnvironment& environment, const QString& category) {
    if (!environment.all.isEmpty())
        return environment.all;
    return category.isEmpty() ? environment.lang : category;
}

} // namespace

LocaleEnvironment LocaleEnvironment::OfProcess() {
    return {qEnvironmentVariable("LC_ALL"), qEnvironmentVariable("LC_NUMERIC"),
            qEnvironmentVariable("LC_TIME"), qEnvironmentVariable("LANG")};
}

bool LocaleSaysNothing(const LocaleEnvironment& environment) {
    return IsPlainLocale(Effective(environment, environment.numeric)) &&
           IsPlainLocale(Effective(environment, environment.time));
}

QLocale InterfaceLocale(const LocaleEnvironment& environment) {
    if (LocaleSaysNothing(environment))
        return QLocale(QLocale::French, QLocale::France);
    return QLocale::system();
}

void ApplyInterfaceLocale(const LocaleEnvironment& environment) {
    QLocale::setDefault(InterfaceLocale(environment));
}
