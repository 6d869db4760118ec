#pragma once

#include <QRect>

#include <algorithm>

class QWidget;

namespace talbrix {

// The form's zoom for a projector: a whole factor from 1 (100 %, the form as
// designed) to 3 (300 %). Whole factors only, because a logical pixel of the
// form then covers a whole square of pixels on a screen of whole device pixel
// ratio: a trace point stays one crisp block, every line keeps one width
// along its length and lands on the same pixels as at 100 %, doubled or
// tripled. At 150 % a one-pixel line would be one or two pixels wide by
// chance of its position.
inline constexpr int minimumZoom = 1;
inline constexpr int maximumZoom = 3;

constexpr int clampedZoom(int zoom)
{
    return std::clamp(zoom, minimumZoom, maximumZoom);
}

// A rectangle of the form's 100 % pixels at a zoom.
constexpr QRect zoomed(const QRect &pixels, int zoom)
{
    return QRect(pixels.x() * zoom, pixels.y() * zoom, pixels.width() * zoom, pixels.height() * zoom);
}

// The zoom of the window a widget is on, 1 for any other window (a menu, a
// dialog, the panels beside the form): the style asks it for every control
// it measures.
int zoomOf(const QWidget *widget);
// Marks a window as drawn at a zoom, for zoomOf.
void markZoom(QWidget &window, int zoom);

} // namespace talbrix
