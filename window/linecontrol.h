#pragma once

#include "formtable.h"

#include <QLine>
#include <QObject>

class QPainter;
class QPalette;
class QRect;

namespace talbrix {

// One straight line of the layout. Lines are not widgets: their container
// (the window, or Picture1 for the grid) paints them on its own surface, so
// every child control covers them. Each is still a named object of its
// container, so the layout can be inspected by name like any other control.
class LineControl : public QObject {
    Q_OBJECT

public:
    // Named colours are palette roles, resolved each time the line is painted
    // so a change of colour scheme shows at once; the others are fixed.
    using Colour = form::LineColour;

    LineControl(const form::Line &design, QObject *parent);

    QLine twips() const { return m_twips; }
    int width() const { return m_width; }
    bool invertsBeneath() const { return m_invertsBeneath; }

    // The pixels the line covers at 100 %, from its container's origin.
    QRect pixels() const;

    // Paints the line at a zoom with its container's pixel origin at origin,
    // clipped to clip (both in the painter's logical pixels).
    void paint(QPainter &painter, const QPalette &palette, QPoint origin, const QRect &clip, int zoom = 1) const;

private:
    QColor colour(const QPalette &palette) const;

    QLine m_twips;
    Colour m_colour;
    int m_width;
    bool m_invertsBeneath;
};

} // namespace talbrix
