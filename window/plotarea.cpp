#include "plotarea.h"

#include "formtable.h"
#include "linecontrol.h"
#include "plotpixels.h"
#include "zoom.h"

#include <QEvent>
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
    m_newPoints |= QRect(contentsRect().topLeft() + QPoint(pixel->column, pixel->row) * m_zoom, QSize(m_zoom, m_zoom));
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

void PlotArea::setZoom(int zoom)
{
    m_zoom = clampedZoom(zoom);
    // QFrame keeps its contents inside margins as wide as its border; grown,
    // they put the drawing area at 2 x zoom. The border itself QFrame would
    // still draw two pixels wide, at the edge of the margins: at a zoom it is
    // drawn here instead.
    const int margin = form::picture1.border * m_zoom;
    setContentsMargins(margin, margin, margin, margin);
    m_border = QImage();
    m_newPoints = QRect();
    update();
}

QRect PlotArea::logicalPixels(const QRect &widgetPixels) const
{
    const QRect inArea = widgetPixels.translated(-contentsRect().topLeft());
    return QRect(QPoint(inArea.left() / m_zoom, inArea.top() / m_zoom),
        QPoint(inArea.right() / m_zoom, inArea.bottom() / m_zoom));
}

void PlotArea::paintEvent(QPaintEvent *event)
{
    const QRect area = contentsRect();
    // Nearly every paint is a tick's two new points, far from the border.
    if (!area.contains(event->rect())) {
        if (m_zoom == 1) {
            QFrame::paintEvent(event);
        } else {
            QPainter painter(this);
            paintZoomedBorder(painter);
        }
    }

    const QRect dirty = event->rect() & area;
    if (dirty.isEmpty())
        return;

    QPainter painter(this);
    for (const LineControl *line : m_grid)
        line->paint(painter, palette(), area.topLeft(), dirty, m_zoom);
    // Whole logical pixels around the dirty ones; the paint is clipped to
    // what is dirty.
    const QRect source = logicalPixels(dirty);
    const QRect target = zoomed(source, m_zoom).translated(area.topLeft());
    if (m_holdsReference)
        painter.drawImage(target, m_reference, source);
    painter.drawImage(target, m_points, source);
}

// The border as QFrame draws it at 100 %, from a twin of the same style and
// palette, grown without smoothing; drawn again only after a zoom or a change
// of colour scheme.
void PlotArea::paintZoomedBorder(QPainter &painter)
{
    if (m_border.isNull()) {
        QFrame twin;
        twin.setFrameStyle(frameStyle());
        twin.setPalette(palette());
        twin.resize(size() / m_zoom);
        m_border = QImage(twin.size(), QImage::Format_ARGB32_Premultiplied);
        m_border.fill(Qt::transparent);
        twin.render(&m_border, QPoint(), QRegion(), QWidget::RenderFlags());
    }
    painter.save();
    painter.setClipRegion(QRegion(rect()) - QRegion(contentsRect()));
    painter.drawImage(rect(), m_border);
    painter.restore();
}

void PlotArea::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
        m_border = QImage();
    QFrame::changeEvent(event);
}

} // namespace talbrix
