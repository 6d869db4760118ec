#pragma once

#include "memorywindow.h"
#include "ml.h"
#include "plotpixels.h"

#include <QImage>
#include <QLineEdit>
#include <QSlider>
#include <QString>
#include <QTest>
#include <QWidget>

#include <array>
#include <map>
#include <utility>
#include <vector>

// Small helpers shared by the window tests: controls are found by their
// design names, as a user or a screen reader would identify them.
namespace mltesting {

template <typename Control>
Control *control(talbrix::Ml &window, const QString &name)
{
    auto *found = window.findChild<Control *>(name);
    if (!found)
        qFatal("no control named %s", qPrintable(name));
    return found;
}

inline QLineEdit *text(talbrix::Ml &window, int number)
{
    return control<QLineEdit>(window, QStringLiteral("Text%1").arg(number));
}

inline QSlider *slider(talbrix::Ml &window, int number)
{
    return control<QSlider>(window, QStringLiteral("Slider%1").arg(number));
}

inline std::array<QString, 13> texts(talbrix::Ml &window)
{
    std::array<QString, 13> all;
    for (int number = 1; number <= 13; ++number)
        all[static_cast<std::size_t>(number - 1)] = text(window, number)->text();
    return all;
}

inline void runTicks(talbrix::Ml &window, int count)
{
    for (int tick = 0; tick < count; ++tick)
        window.Timer1_Timer();
}

// A window whose Start beeps into a counter instead of the speaker, and
// whose run-time errors are recorded instead of shown in a message box.
struct QuietWindow {
    talbrix::Ml window;
    int beeps = 0;
    QStringList errors;

    QuietWindow()
    {
        window.setBeep([this] { ++beeps; });
        window.setErrorReporter([this](const QString &name) { errors << name; });
    }
};

// Picture1's drawing area, inside its two-pixel border: 645 x 157 pixels.
inline QRgb plotPixel(const QImage &plot, int column, int row)
{
    return plot.pixel(column + 2, row + 2);
}

inline QImage plotImage(talbrix::Ml &window)
{
    return control<QWidget>(window, QStringLiteral("Picture1"))->grab().toImage();
}

// Every pixel of the drawing area shows either the last point plotted on it
// (a point at twips (x, y) on pixel (x / 15, y / 15), in its colour 0xBBGGRR)
// or exactly what a window that never plotted shows there (grid or white).
inline void verifyPlot(const QImage &shown, const QImage &blank, const std::vector<talbrix::PlottedPoint> &points)
{
    std::map<std::pair<int, int>, QRgb> expected;
    for (const talbrix::PlottedPoint &p : points)
        if (const auto pixel = talbrix::form::plotPixel(p.x, p.y)) {
            const talbrix::form::Rgb rgb = talbrix::form::rgbOf(p.colour);
            expected[{ pixel->column, pixel->row }] = qRgb(rgb.red, rgb.green, rgb.blue);
        }
    int differing = 0;
    for (int row = 0; row < 157; ++row)
        for (int column = 0; column < 645; ++column) {
            const auto point = expected.find({ column, row });
            const QRgb want = point != expected.end() ? point->second : plotPixel(blank, column, row);
            if (plotPixel(shown, column, row) != want && differing++ < 5)
                qWarning("pixel %d,%d is %08x, expected %08x", column, row, plotPixel(shown, column, row), want);
        }
    QCOMPARE(differing, 0);
}

} // namespace mltesting
