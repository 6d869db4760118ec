// Not a test: the measuring half of scripts/measure-window.sh. Opens the real
// window on the current display, presses Start as a user would, lets it run
// for the given number of seconds and prints one line of key=value figures:
// ticks, wall time, the real-time factor (ticks per 10 ms of wall time), the
// process's CPU use while running, the gaps between firings and the peak
// resident memory. A second argument, a zoom in percent (100, 200, 300),
// zooms the window once Start has been pressed, as a teacher would mid-run.

#include "ml.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

double cpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

long peakResidentKilobytes()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
    const int zoomPercent = argc > 2 ? std::atoi(argv[2]) : 100;

    QElapsedTimer sinceLaunch;
    sinceLaunch.start();
    talbrix::Ml window;
    window.setBeep([] {});
    window.show();

    auto *timer = window.findChild<QTimer *>(QStringLiteral("Timer1"));
    auto *start = window.findChild<QPushButton *>(QStringLiteral("Command1"));
    QElapsedTimer wall;
    std::vector<qint64> firings; // ns since Start
    firings.reserve(static_cast<std::size_t>(seconds) * 110);
    QObject::connect(timer, &QTimer::timeout, [&] { firings.push_back(wall.nsecsElapsed()); });

    double cpuAtStart = 0;
    qint64 shownMs = -1;
    QTimer::singleShot(0, [&] {
        shownMs = sinceLaunch.elapsed();
        // Let the first paint settle, then press Start.
        QTimer::singleShot(500, Qt::PreciseTimer, [&] {
            cpuAtStart = cpuSeconds();
            wall.start();
            start->click();
            window.setZoom(zoomPercent / 100);
            // exit(), not quit(): quit() closes the window first, and a
            // window with a run not saved asks whether to save it, a question
            // nobody is there to answer.
            QTimer::singleShot(seconds * 1000, Qt::PreciseTimer, [] { QCoreApplication::exit(0); });
        });
    });
    application.exec();

    const double wallSeconds = static_cast<double>(wall.nsecsElapsed()) / 1e9;
    const double cpu = cpuSeconds() - cpuAtStart;
    std::vector<double> gaps; // ms
    for (std::size_t i = 1; i < firings.size(); ++i)
        gaps.push_back(static_cast<double>(firings[i] - firings[i - 1]) / 1e6);
    std::sort(gaps.begin(), gaps.end());
    const double p99 = gaps.empty() ? 0 : gaps[gaps.size() * 99 / 100];
    const double maxGap = gaps.empty() ? 0 : gaps.back();
    std::printf("ticks=%zu wall_s=%.3f realtime_factor=%.4f cpu_percent=%.2f "
                "gap_p99_ms=%.2f gap_max_ms=%.2f window_created_ms=%lld peak_rss_kb=%ld\n",
        firings.size(), wallSeconds, static_cast<double>(firings.size()) / (wallSeconds * 100.0),
        100.0 * cpu / wallSeconds, p99, maxGap, static_cast<long long>(shownMs), peakResidentKilobytes());
    return 0;
}
