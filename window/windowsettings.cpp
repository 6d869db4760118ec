#include "windowsettings.h"

namespace talbrix {

namespace {

constexpr char settingsOrganisation[] = "talbrix";
constexpr char settingsApplication[] = "talbrix";
constexpr char languageKey[] = "window/language";

} // namespace

QSettings windowSettings()
{
    return QSettings(QLatin1String(settingsOrganisation), QLatin1String(settingsApplication));
}

QString rememberedLanguage()
{
    return windowSettings().value(QLatin1String(languageKey)).toString();
}

void rememberLanguage(const QString &language)
{
    windowSettings().setValue(QLatin1String(languageKey), language);
}

} // namespace talbrix
