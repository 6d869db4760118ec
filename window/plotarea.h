#pragma once

#include <QColor>
#include <QElapsedTimer>
#include <QFrame>
#include <QImage>
#include <QTimer>

#include "reference.h"

#include <cstdint>
#include <vector>

namespace talbrix {

class LineControl;

// Picture1: the sunken plot area on which the pressure traces are drawn.
//
// Coordinates are twips from the top-left corner of the drawing area inside
// the border. A point at twip (x, y) sets the one logical pixel (x / 15,
// y / 15), rounded down; points left of or above the area, or beyond its
// 645 x 157 pixels, are dropped, never clipped to an edge or wrapped.
//
// Points live in a persistent image of the drawing area's logical size, so
// the trace survives the window being covered, minimised or resized. The
// grid is not part of that image: it is repainted from its lines each time,
// beneath the points, which is why clearing the points never touches it. At
// higher display scales the image is scaled without smoothing, so a point
// stays one crisp logical pixel.
//
// A point goes into the image at once, but reaches the screen at the
// display's pace: the new points are handed to the repaint together, at most
// once per refresh of the screen, instead of after every tick. At 100 ticks a
// second on a 60 Hz screen that halves the repaints, the larger part of the
// running window's CPU. Points set since the last hand-over follow within two
// refreshes even when no further point comes (after Pause).
//
// A held reference is a second image of the same size, painted between the
// grid and the points; with none held nothing of it is painted at all.
//
// At a zoom the widget grows by the whole factor and everything in it is
// painted from the same logical data: the images scaled without smoothing
// (each point a square of zoom x zoom pixels), the grid lines and the sunken
// border as the pixels they cover at 100 %, each grown to a square. Zooming
// touches neither image, so no point is lost.
class PlotArea : public QFrame {
    Q_OBJECT

public:
    explicit PlotArea(QWidget *parent);

    void plotPoint(std::int16_t x, std::int16_t y); // twips
    void setDrawColour(std::int32_t colour); // 0xBBGGRR
    void clearPoints();
    // A reference sweep drawn beneath the live points, above the grid, until
    // it is cleared; it survives clears of the live points.
    void setReference(const std::vector<SweepPoint> &sweep);
    void clearReference();
    bool holdsReference() const { return m_holdsReference; }
    // Draws at a whole zoom (1 to 3); the caller sets the geometry to match.
    void setZoom(int zoom);

    QColor drawColour() const { return m_drawColour; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void createGrid();
    void showNewPoints();
    void paintZoomedBorder(QPainter &painter);
    // The pixels of the drawing area (in widget pixels) that show a square of
    // logical pixels, and that square's logical pixels.
    QRect logicalPixels(const QRect &widgetPixels) const;

    QImage m_points;
    QImage m_reference;
    QImage m_border; // the sunken border at 100 %, painted grown at a zoom
    int m_zoom = 1;
    bool m_holdsReference = false;
    QRect m_newPoints; // set since last shown, in widget pixels
    QElapsedTimer m_sinceShown;
    qint64 m_frameNanoseconds = 0; // the screen's refresh period
    QTimer m_showLater;
    QColor m_drawColour;
    std::vector<LineControl *> m_grid;
};

} // namespace talbrix
