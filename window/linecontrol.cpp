#include "linecontrol.h"

#include "twips.h"
#include "zoom.h"

#include <QColor>
#include <QPainter>
#include <QPalette>
#include <QRect>

#include <algorithm>

namespace talbrix {

LineControl::LineControl(const form::Line &design, QObject *parent)
    : QObject(parent)
    , m_twips(design.x1, design.y1, design.x2, design.y2)
    , m_colour(design.colour)
    , m_width(design.width)
    , m_invertsBeneath(design.invertsBeneath)
{
    setObjectName(QLatin1String(design.name));
}

QColor LineControl::colour(const QPalette &palette) const
{
    switch (m_colour) {
    case Colour::WindowText:
        return palette.color(QPalette::WindowText);
    case Colour::Shadow:
        return palette.color(QPalette::Dark);
    case Colour::Highlight:
        return palette.color(QPalette::Highlight);
    case Colour::Red:
        return QColor(255, 0, 0);
    case Colour::DarkBlue:
        return QColor(0, 0, 192);
    }
    return QColor(0, 0, 0);
}

// Every line is a rectangle of whole pixels, so that at any zoom it covers
// exactly the pixels it covers at 100 %, each grown to a square.
QRect LineControl::pixels() const
{
    const QPoint from = tw(m_twips.p1());
    const QPoint to = tw(m_twips.p2());
    const QPoint topLeft(std::min(from.x(), to.x()), std::min(from.y(), to.y()));
    const QPoint bottomRight(std::max(from.x(), to.x()), std::max(from.y(), to.y()));
    if (m_width == 1) {
        // A one-pixel line covers both of its end points.
        return QRect(topLeft, bottomRight);
    }
    // Thick lines are the short vertical marks, drawn as a flat-capped pen
    // would: from the upper end point to just above the lower one, centred on
    // x (x - 1 .. x + 1 at width 3, x - 2 .. x + 1 at width 4).
    Q_ASSERT(from.x() == to.x());
    return QRect(topLeft.x() - m_width / 2, topLeft.y(), m_width, bottomRight.y() - topLeft.y());
}

void LineControl::paint(QPainter &painter, const QPalette &palette, QPoint origin, const QRect &clip, int zoom) const
{
    const QRect shown = zoomed(pixels(), zoom).translated(origin) & clip;
    if (shown.isEmpty())
        return;
    if (!m_invertsBeneath) {
        painter.fillRect(shown, colour(palette));
        return;
    }
    // Pen OR NOT destination: a black mark shows darker over any ground.
    const QPainter::CompositionMode mode = painter.compositionMode();
    painter.setCompositionMode(QPainter::RasterOp_SourceOrNotDestination);
    painter.fillRect(shown, colour(palette));
    painter.setCompositionMode(mode);
}

} // namespace talbrix
