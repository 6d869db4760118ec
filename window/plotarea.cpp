#include "plotarea.h"

#include "formtable.h"
#include "linecontrol.h"
#include "plotpixels.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPalette>
#include <QScreen>

#include <utility>

namespace talbrix {

namespace {

using form::drawingHeight;
using form::drawingWidth;

// When a screen reports no usable refresh rate.
constexpr qreal fallbackRefreshHertz = 60;

QColor colourFromValue(std::int32_t value)
{
    const form::Rgb rgb = form::rgbOf(value);
    return QColor(rgb.red, rgb.green, rgb.blue);
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

    m_showLater.setSingleShot(true);
    connect(&m_showLater, &QTimer::timeout, this, &PlotArea::showNewPoints);
}

void PlotArea::createGrid()
{
    for (const form::Line &design : form::gridLines)
        m_grid.push_back(new LineControl(design, this));
}

void PlotArea::plotPoint(std::int16_t x, std::int16_t y)
{
    const auto pixel = form::plotPixel(x, y);
    if (!pixel)
        return;
    m_points.setPixelColor(pixel->column, pixel->row, m_drawColour);
    m_newPoints |= QRect(contentsRect().topLeft() + QPoint(pixel->column, pixel->row), QSize(1, 1));
    if (!m_sinceShown.isValid() || m_sinceShown.nsecsElapsed() >= m_frameNanoseconds) {
        showNewPoints();
    } else if (!m_showLater.isActive()) {
        // Two refreshes: while running, the next tick past one refresh shows
        // the points first, with no wake-up of its own.
        m_showLater.start(static_cast<int>(2 * m_frameNanoseconds / 1000000) + 1);
    }
}

void PlotArea::showNewPoints()
{
    m_showLater.stop();
    // Painted at once, within the tick that set the points, rather than in a
    // later pass of the event loop that would have to be woken for it.
    if (!m_newPoints.isEmpty())
        repaint(m_newPoints);
    m_newPoints = QRect();
    const qreal hertz = screen() ? screen()->refreshRate() : 0;
    m_frameNanoseconds = static_cast<qint64>(1e9 / (hertz >= 1 ? hertz : fallbackRefreshHertz));
    m_sinceShown.start();
}

void PlotArea::setDrawColour(std::int32_t colour)
{
    m_drawColour = colourFromValue(colour);
}

void PlotArea::clearPoints()
{
    m_points.fill(Qt::transparent);
    m_newPoints = contentsRect();
    showNewPoints();
}

void PlotArea::setReference(const std::vector<SweepPoint> &sweep)
{
    m_reference = QImage(drawingWidth, drawingHeight, QImage::Format_ARGB32_Premultiplied);
    m_reference.fill(Qt::transparent);
    const QColor aortic = QColor::fromRgb(referenceAorticRgb), venous = QColor::fromRgb(referenceVenousRgb);
    for (const SweepPoint &point : sweep) {
        for (const auto &[y, colour] : { std::pair { point.aorticY, aortic }, std::pair { point.venousY, venous } }) {
            if (const auto pixel = form::plotPixel(point.x, y))
                m_reference.setPixelColor(pixel->column, pixel->row, colour);
        }
    }
    m_holdsReference = true;
    update(contentsRect());
}

void PlotArea::clearReference()
{
    m_holdsReference = false;
    m_reference = QImage();
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
    if (m_holdsReference)
        painter.drawImage(dirty, m_reference, dirty.translated(-area.topLeft()));
    painter.drawImage(dirty, m_points, dirty.translated(-area.topLeft()));
}

} // namespace talbrix
