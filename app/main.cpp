#include "languagechoice.h"
#include "ml.h"
#include "windowsettings.h"

#include <QApplication>
#include <QLocale>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    // Lets the desktop match the running window to its menu entry and icon.
    QApplication::setDesktopFileName(QStringLiteral("io.github.talbrix.Talbrix"));
    const QStringList arguments = talbrix::useLanguageFrom(
        QApplication::arguments(), talbrix::rememberedLanguage(), QLocale::system().uiLanguages());
    talbrix::Ml window;
    window.show();
    window.openFromCommandLine(arguments);
    return application.exec();
}
