#pragma once

#include "plotpixels.h"

#include <QPoint>
#include <QRect>

namespace talbrix {

// The window is laid out in twips. At 96 dpi one pixel is 15 twips, and every
// coordinate of the layout is a multiple of 15, so the conversion to Qt's
// device-independent pixels is an exact division; Qt's high-DPI scaling then
// takes care of any other display scale.
constexpr int tw(int twips)
{
    Q_ASSERT(twips % form::twipsPerPixel == 0);
    return form::pixels(twips);
}

constexpr QRect tw(int left, int top, int width, int height)
{
    return QRect(tw(left), tw(top), tw(width), tw(height));
}

constexpr QRect tw(const form::Rect &rect)
{
    return tw(rect.left, rect.top, rect.width, rect.height);
}

constexpr QPoint tw(QPoint twips)
{
    return QPoint(tw(twips.x()), tw(twips.y()));
}

} // namespace talbrix
