#include "plotarea.h"

#include "linecontrol.h"
#include "twips.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPalette>

#include <array>

namespace talbrix {

namespace {

// The drawing area inside the two-pixel sunken border.
constexpr int drawingWidth = 645; // pixels (9675 twips)
constexpr int drawingHeight = 157; // pixels (2355 twips)

using Colour = LineControl::Colour;

// The grid, top to bottom, in twips of the drawing area. The five red lines
// fall on 16, 12, 8, 4 and 0 mmHg of venous pressure (y = 2160 - 120 v) and on
// 196, 148, 100, 52 and 4 mmHg of aortic pressure (y = 2200 - 10 p); the rest
// divide each band. Ends beyond the drawing area are clipped away.
constexpr std::array<LineControl::Design, 23> gridLines { {
    { "Line12", 0, 240, 9720, 240, Colour::Red, 1, false },
    { "Line33", -45, 330, 9675, 330, Colour::Shadow, 1, false },
    { "Line32", -45, 435, 9675, 435, Colour::Shadow, 1, false },
    { "Line31", 0, 540, 9720, 540, Colour::Shadow, 1, false },
    { "Line36", 9690, 630, 0, 630, Colour::Shadow, 1, false },
    { "Line35", 9720, 675, 0, 675, Colour::Highlight, 1, false },
    { "Line30", 0, 720, 9720, 720, Colour::Red, 1, false },
    { "Line29", -15, 720, 9705, 720, Colour::Red, 1, false },
    { "Line28", 0, 825, 9720, 825, Colour::Shadow, 1, false },
    { "Line27", 0, 915, 9720, 915, Colour::Shadow, 1, false },
    { "Line26", 0, 1020, 9720, 1020, Colour::Shadow, 1, false },
    { "Line25", 0, 1110, 9720, 1110, Colour::Shadow, 1, false },
    { "Line2", 0, 1200, 9720, 1200, Colour::Red, 1, false },
    { "Line24", 0, 1305, 9720, 1305, Colour::Shadow, 1, false },
    { "Line23", 0, 1395, 9720, 1395, Colour::Highlight, 1, false },
    { "Line21", 0, 1485, 9720, 1485, Colour::Shadow, 1, false },
    { "Line15", 0, 1590, 9720, 1590, Colour::Shadow, 1, false },
    { "Line17", -15, 1680, 9705, 1680, Colour::Red, 1, false },
    { "Line18", -45, 1770, 9675, 1770, Colour::Shadow, 1, false },
    { "Line19", -15, 1860, 9705, 1860, Colour::Shadow, 1, false },
    { "Line20", 15, 1965, 9735, 1965, Colour::Shadow, 1, false },
    { "Line22", 0, 2055, 9765, 2055, Colour::Shadow, 1, false },
    { "Line11", 0, 2160, 9720, 2160, Colour::Red, 1, false },
} };

// 0xBBGGRR: red in the low byte, blue in the high byte.
QColor colourFromValue(std::int32_t value)
{
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

} // namespace

PlotArea::PlotArea(QWidget *parent)
    : QFrame(parent)
    , m_points(drawingWidth, drawingHeight, QImage::Format_ARGB32_Premultiplied)
{
    setObjectName(QStringLiteral("Picture1"));
    setFrameStyle(QFrame::WinPanel | QFrame::Sunken);

    // The plot's background is white whatever the colour scheme; its drawing
    // colour at load is the scheme's window-background colour.
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setBackgroundRole(QPalette::Window); // not the window's button face
    setAutoFillBackground(true);
    m_drawColour = palette().color(QPalette::Base);

    m_points.fill(Qt::transparent);
    createGrid();
}

void PlotArea::createGrid()
{
    for (const LineControl::Design &design : gridLines)
        m_grid.push_back(new LineControl(design, this));
}

void PlotArea::plotPoint(std::int16_t x, std::int16_t y)
{
    if (x < 0 || y < 0)
        return;
    const int column = x / twipsPerPixel;
    const int row = y / twipsPerPixel;
    if (column >= drawingWidth || row >= drawingHeight)
        return;
    m_points.setPixelColor(column, row, m_drawColour);
    update(QRect(contentsRect().topLeft() + QPoint(column, row), QSize(1, 1)));
}

void PlotArea::setDrawColour(std::int32_t colour)
{
    m_drawColour = colourFromValue(colour);
}

void PlotArea::clearPoints()
{
    m_points.fill(Qt::transparent);
    update(contentsRect());
}

void PlotArea::paintEvent(QPaintEvent *event)
{
    const QRect area = contentsRect();
    // Nearly every paint is a tick's two new points, far from the border.
    if (!area.contains(event->rect()))
        QFrame::paintEvent(event);

    const QRect dirty = event->rect() & area;
    if (dirty.isEmpty())
        return;

    QPainter painter(this);
    for (const LineControl *line : m_grid)
        line->paint(painter, palette(), area.topLeft(), dirty);
    painter.drawImage(dirty, m_points, dirty.translated(-area.topLeft()));
}

} // namespace talbrix
