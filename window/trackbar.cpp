#include "trackbar.h"

#include <QKeyEvent>
#include <QWheelEvent>

#include <cstdlib>

namespace talbrix {

namespace {

// One notch of an ordinary mouse wheel, in eighths of a degree.
constexpr int notch = 120;

} // namespace

TrackBar::TrackBar(QWidget *parent)
    : QSlider(Qt::Horizontal, parent)
{
    setRange(0, 10);
    setSingleStep(1);
    setPageStep(5);
    setTickPosition(QSlider::TicksBelow);
    setTickInterval(1);
    setFocusPolicy(Qt::StrongFocus);
    // Opaque, so that the load-position marks the window draws beneath a
    // slider's edge are covered by it, as every control covers them.
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);
}

void TrackBar::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Up:
        triggerAction(SliderSingleStepSub);
        break;
    case Qt::Key_Down:
        triggerAction(SliderSingleStepAdd);
        break;
    case Qt::Key_PageUp:
        triggerAction(SliderPageStepSub);
        break;
    case Qt::Key_PageDown:
        triggerAction(SliderPageStepAdd);
        break;
    default:
        QSlider::keyPressEvent(event);
        return;
    }
    event->accept();
}

// Qt would move 3 positions of 10 per notch (the desktop's lines per notch),
// enough for a student scrolling past to throw the model far off. Touchpads
// send fractions of a notch; they add up to whole positions, and a change of
// direction starts afresh.
void TrackBar::wheelEvent(QWheelEvent *event)
{
    const QPoint angle = event->angleDelta();
    int delta = angle.y() != 0 ? angle.y() : angle.x();
    if (event->inverted())
        delta = -delta;
    if ((delta > 0 && m_wheelRemainder < 0) || (delta < 0 && m_wheelRemainder > 0))
        m_wheelRemainder = 0;
    m_wheelRemainder += delta;
    const int notches = m_wheelRemainder / notch;
    m_wheelRemainder -= notches * notch;
    for (int step = 0; step < std::abs(notches); ++step)
        triggerAction(notches > 0 ? SliderSingleStepSub : SliderSingleStepAdd);
    event->accept();
}

} // namespace talbrix
