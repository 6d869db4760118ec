#include "ml.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    // Lets the desktop match the running window to its menu entry and icon.
    QApplication::setDesktopFileName(QStringLiteral("io.github.talbrix.Talbrix"));
    talbrix::Ml window;
    window.show();
    window.openFromCommandLine(QApplication::arguments());
    return application.exec();
}
