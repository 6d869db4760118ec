#include "ml.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    talbrix::Ml window;
    window.show();
    return application.exec();
}
