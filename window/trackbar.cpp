#include "trackbar.h"

#include <QKeyEvent>

namespace talbrix {

TrackBar::TrackBar(QWidget *parent)
    : QSlider(Qt::Horizontal, parent)
{
    setRange(0, 10);
    setSingleStep(1);
    setPageStep(5);
    setTickPosition(QSlider::TicksBelow);
    setTickInterval(1);
    setFocusPolicy(Qt::StrongFocus);
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

} // namespace talbrix
