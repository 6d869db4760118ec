#include "pinnedstyle.h"

#include "zoom.h"

#include <QPainter>
#include <QStyleOptionSlider>

namespace talbrix {

PinnedStyle::PinnedStyle(QStyle *baseStyle)
    : QProxyStyle(baseStyle)
{
}

int PinnedStyle::styleHint(
    StyleHint hint, const QStyleOption *option, const QWidget *widget, QStyleHintReturn *returnData) const
{
    switch (hint) {
    case SH_Slider_AbsoluteSetButtons:
        return Qt::NoButton;
    case SH_Slider_PageSetButtons:
        return Qt::LeftButton;
    default:
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
}

// An option's circle and a slider's tick marks are drawn to these measures;
// grown with the zoom, they keep their proportions to the control's grown
// rectangle. The slider's thumb and channel stay as they are: Fusion sizes
// them without asking for the widget, and the tick marks' spacing follows the
// thumb's length, so growing that alone would move them off the positions the
// thumb stops at. At 100 % nothing changes.
int PinnedStyle::pixelMetric(PixelMetric metric, const QStyleOption *option, const QWidget *widget) const
{
    const int base = QProxyStyle::pixelMetric(metric, option, widget);
    switch (metric) {
    case PM_SliderTickmarkOffset:
    case PM_ExclusiveIndicatorWidth:
    case PM_ExclusiveIndicatorHeight:
        return base * zoomOf(widget);
    default:
        return base;
    }
}

// Qt 6.4's Fusion draws a slider's tick marks in a colour that the same paint
// may have changed on its way: whenever the highlighted part of the channel is
// not yet in the style's pixmap cache (the first slider of each size and state
// to be painted), the tick marks come out in the highlight's dark blue-grey
// instead of the grey outline, and stay so until that slider is repainted. It
// also draws them in the focus colour while the slider has keyboard focus.
// Painting the channel, the tick marks and the thumb in three separate calls,
// in Fusion's own order, keeps that colour change out of the tick marks, and
// leaving the focus state out of the tick marks' call gives all six sliders the
// same grey marks in every state; focus still shows on the channel and thumb.
void PinnedStyle::drawComplexControl(
    ComplexControl control, const QStyleOptionComplex *option, QPainter *painter, const QWidget *widget) const
{
    const auto *slider = qstyleoption_cast<const QStyleOptionSlider *>(option);
    if (control != CC_Slider || !slider || !(slider->subControls & SC_SliderTickmarks)) {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        return;
    }
    QStyleOptionSlider part = *slider;
    for (const SubControl subControl : { SC_SliderGroove, SC_SliderTickmarks, SC_SliderHandle }) {
        part.subControls = slider->subControls & subControl;
        if (!part.subControls)
            continue;
        part.state = subControl == SC_SliderTickmarks ? slider->state & ~State_HasFocus : slider->state;
        painter->save();
        QProxyStyle::drawComplexControl(control, &part, painter, widget);
        painter->restore();
    }
}

} // namespace talbrix
