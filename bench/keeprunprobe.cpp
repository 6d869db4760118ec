// Not a test: the measuring half of scripts/measure-keeprun.sh. Drives the
// real window headless and prints key=value figures for keeping a run:
// - record_bytes: the scenario of a 10-minute session of busy slider work (a
//   slider step every 0.1 s, fibrillation switched every 5 s, a heart rate
//   typed every 30 s);
// - open_seconds: Open Scenario of a 1-million-tick scenario (checking the
//   file, replaying it and putting the result into the window);
// - table_seconds, table_bytes: Save Run as Table of a 1-hour run.

#include "ml.h"
#include "runkeeper.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QTemporaryDir>

#include <cstdio>
#include <random>

namespace {

// One tick of 10 ms each; `ticks` of them with a user as busy as described.
void busyUser(talbrix::Ml &window, int ticks, std::mt19937 &random)
{
    for (int tick = 1; tick <= ticks; ++tick) {
        if (tick % 10 == 0) {
            auto *slider = window.findChild<QSlider *>(QStringLiteral("Slider%1").arg(random() % 6 + 1));
            slider->setValue(slider->value() + (random() % 2 ? 1 : -1));
        }
        if (tick % 500 == 0)
            window.findChild<QRadioButton *>(tick % 1000 ? QStringLiteral("Option1") : QStringLiteral("Option2"))
                ->click();
        if (tick % 3000 == 0)
            window.findChild<QLineEdit *>(QStringLiteral("Text8"))->setText(QString::number(60 + random() % 60));
        window.Timer1_Timer();
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QTemporaryDir folder;
    std::mt19937 random(7);
    {
        talbrix::Ml window;
        busyUser(window, 60000, random);
        std::printf("record_bytes=%zu ticks=60000\n", window.runKeeper().scenario().size());
    }
    {
        const QString path = folder.filePath(QStringLiteral("million.talbrix"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write("slider 1 8\nticks 1000000\n") < 0)
            return 1;
        file.close();
        talbrix::Ml window;
        QElapsedTimer timer;
        timer.start();
        const bool opened = window.runKeeper().openScenario(path);
        std::printf("open_seconds=%.3f opened=%d\n", static_cast<double>(timer.nsecsElapsed()) / 1e9, opened);
    }
    {
        talbrix::Ml window;
        busyUser(window, 360000, random);
        const QString path = folder.filePath(QStringLiteral("hour.csv"));
        QElapsedTimer timer;
        timer.start();
        const bool saved = window.runKeeper().saveTable(path);
        std::printf("table_seconds=%.3f table_bytes=%lld saved=%d\n", static_cast<double>(timer.nsecsElapsed()) / 1e9,
            QFileInfo(path).size(), saved);
    }
    return 0;
}
