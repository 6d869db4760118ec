#pragma once

#include <QProxyStyle>

namespace talbrix {

// Fixes the few style hints the window's behaviour depends on, whatever style
// the desktop would otherwise pick: a left click in a slider's channel pages
// the thumb (by the page step of 5) towards the pointer instead of jumping to
// it, and no mouse button makes the thumb jump. It also draws every slider's
// tick marks in one colour (see drawComplexControl), and grows the circle of
// an option button with the zoom of the window it is on.
class PinnedStyle : public QProxyStyle {
public:
    explicit PinnedStyle(QStyle *baseStyle);

    int styleHint(StyleHint hint, const QStyleOption *option = nullptr, const QWidget *widget = nullptr,
        QStyleHintReturn *returnData = nullptr) const override;
    int pixelMetric(
        PixelMetric metric, const QStyleOption *option = nullptr, const QWidget *widget = nullptr) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex *option, QPainter *painter,
        const QWidget *widget = nullptr) const override;
};

} // namespace talbrix
