#pragma once

#include <QSettings>
#include <QString>

namespace talbrix {

// What the user chose in the window for the next start, in the [window]
// group of ~/.config/talbrix/talbrix.conf on Linux (the platform's place
// elsewhere).
QSettings windowSettings();

// The language chosen in the menu (a shipped language's tag), or empty.
QString rememberedLanguage();
void rememberLanguage(const QString &language);

} // namespace talbrix
