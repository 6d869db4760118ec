#pragma once

#include "ml.h"

#include <QLineEdit>
#include <QSlider>
#include <QString>
#include <QTest>

#include <array>

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

} // namespace mltesting
