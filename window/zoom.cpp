#include "zoom.h"

#include <QVariant>
#include <QWidget>

namespace talbrix {

namespace {

// A dynamic property of the top-level window, so that the style, which sees
// only the widget it draws, can find the zoom without knowing the window.
constexpr char zoomProperty[] = "talbrixZoom";

} // namespace

int zoomOf(const QWidget *widget)
{
    if (!widget)
        return minimumZoom;
    const QVariant zoom = widget->window()->property(zoomProperty);
    return zoom.isValid() ? clampedZoom(zoom.toInt()) : minimumZoom;
}

void markZoom(QWidget &window, int zoom)
{
    window.setProperty(zoomProperty, zoom);
}

} // namespace talbrix
