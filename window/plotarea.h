#pragma once

#include <QColor>
#include <QFrame>
#include <QImage>

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
class PlotArea : public QFrame {
    Q_OBJECT

public:
    explicit PlotArea(QWidget *parent);

    void plotPoint(std::int16_t x, std::int16_t y); // twips
    void setDrawColour(std::int32_t colour); // 0xBBGGRR
    void clearPoints();

    QColor drawColour() const { return m_drawColour; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void createGrid();

    QImage m_points;
    QColor m_drawColour;
    std::vector<LineControl *> m_grid;
};

} // namespace talbrix
