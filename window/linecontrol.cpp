#include "linecontrol.h"

#include "twips.h"

#include <QColor>
#include <QPainter>
#include <QPalette>
#include <QPen>
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

void LineControl::paint(QPainter &painter, const QPalette &palette, QPoint origin, const QRect &clip) const
{
    const QPoint from = origin + tw(m_twips.p1());
    const QPoint to = origin + tw(m_twips.p2());
    const QColor penColour = colour(palette);

    if (m_width == 1) {
        // A one-pixel line covers both of its end points; fillRect keeps it
        // exactly on the pixel grid at any display scale.
        const QPoint topLeft(std::min(from.x(), to.x()), std::min(from.y(), to.y()));
        const QPoint bottomRight(std::max(from.x(), to.x()), std::max(from.y(), to.y()));
        const QRect pixels = QRect(topLeft, bottomRight) & clip;
        if (!pixels.isEmpty())
            painter.fillRect(pixels, penColour);
        return;
    }

    // Thick lines are the short vertical marks: a flat cap keeps them to
    // exactly their end points, centred on x.
    painter.save();
    painter.setClipRect(clip, Qt::IntersectClip);
    painter.setRenderHint(QPainter::Antialiasing, false);
    if (m_invertsBeneath)
        painter.setCompositionMode(QPainter::RasterOp_SourceOrNotDestination);
    painter.setPen(QPen(penColour, m_width, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(from, to);
    painter.restore();
}

} // namespace talbrix
