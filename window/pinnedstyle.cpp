#include "pinnedstyle.h"

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

} // namespace talbrix
