#include "sliders.h"

#include "checkedmath.h"
#include "windowinterface.h"

namespace talbrix {

using checked::add;
using checked::multiply;
using checked::subtract;

double resistanceFromSlider(WindowInterface &window)
{
    return checked::divide(add(window.readSlider(1), 1), 3.0);
}

double aorticComplianceFromSlider(WindowInterface &window)
{
    return checked::power(checked::divide(add(window.readSlider(2), 6), 10.0), 2.0);
}

std::int32_t heartRateFromSlider(WindowInterface &window)
{
    return add(multiply(16, window.readSlider(3)), 16);
}

double contractilityFromSlider(WindowInterface &window)
{
    return checked::divide(add(multiply(15, window.readSlider(4)), 320), 130.0);
}

std::int32_t peakFlowFromSlider(WindowInterface &window)
{
    return add(multiply(50, window.readSlider(4)), 200);
}

std::int32_t venousOffsetFromSliders(WindowInterface &window)
{
    const std::int32_t bloodVolumePosition = window.readSlider(5);
    const std::int32_t venousCompliancePosition = window.readSlider(6);
    return subtract(subtract(bloodVolumePosition, venousCompliancePosition), 2);
}

std::int32_t bloodVolumeFromSlider(WindowInterface &window)
{
    return add(multiply(300, window.readSlider(5)), 3500);
}

std::int32_t venousComplianceFromSlider(WindowInterface &window)
{
    return add(multiply(8, window.readSlider(6)), 10);
}

} // namespace talbrix
