#include "beatboundary.h"

#include "checkedmath.h"
#include "circulationstate.h"
#include "sliders.h"
#include "val.h"
#include "windowinterface.h"

#include <string>

// The steps run in a fixed order that the readouts depend on: the
// end-systolic volume is shown before the refill, the ejection fraction uses
// the stroke volume recorded one boundary earlier, and the mean pressure is
// shown before aopSum is cleared. Do not reorder them.

namespace talbrix {
namespace {

using checked::divide;
using checked::toSingle;

// The mean is stored as the value of its own 7-digit Str text, read back with
// the period as decimal point: the displayed and the stored mean agree.
float roundTripThroughText(float value)
{
    return toSingle(val(str(Number::single(value))));
}

void closeMeanPressure(CirculationState &s)
{
    // The divisor is the nominal number of ticks in the beat (75.0000017 at
    // 80 beats/min), not the number of pressures actually summed.
    const double ticksPerBeat = divide(s.beatPeriod, s.dt);
    s.aopSum = roundTripThroughText(toSingle(divide(s.aopSum, ticksPerBeat)));
}

void updateVenousPressure(CirculationState &s, WindowInterface &window)
{
    // 1 mmHg less venous pressure for every 25 mmHg of mean arterial pressure.
    const double offset = venousOffsetFromSliders(window);
    s.venousPressure = toSingle((300.0 - s.aopSum) / 25.0 + offset);
    if (s.venousPressure < 0)
        s.venousPressure = 0;
}

void updateFillFraction(CirculationState &s)
{
    // Filling starts 0.3 s into the beat and has a half-time of 0.12 s.
    const float fillTime = toSingle(s.beatPeriod - 0.3);
    s.fillFraction = toSingle(1.0 - divide(1.0, checked::power(2.0, fillTime / 0.12)));
}

void refillVentricle(CirculationState &s)
{
    // 4.36 mmHg and 10 ml/mmHg set the full filling volume; 180 ml is the cap.
    const float endDiastolic = toSingle((s.venousPressure + 4.36) * 10.0 * s.fillFraction);
    s.lvVolume = endDiastolic > 180 ? 180.0f : endDiastolic;
}

void startNextBeat(CirculationState &s)
{
    s.beatStart = s.simTime;
    s.strokeVolume = s.ejectedVolume;
    s.ejectedVolume = 0;
    s.ejecting = true;
}

// Once the sweep has passed x = 9600, time starts again at 1 s, so that later
// sweeps begin at x = 200.
bool restartSweepIfPastEdge(CirculationState &s, WindowInterface &window)
{
    if (s.plotX <= 9600)
        return false;
    s.simTime = 1;
    s.beatStart = 1;
    window.clearPlot();
    return true;
}

} // namespace

bool runBeatBoundary(CirculationState &s, WindowInterface &window)
{
    closeMeanPressure(s);
    updateVenousPressure(s, window);
    window.publish(Readout::Text2, Number::integer(bloodVolumeFromSlider(window)), TextForm::str());
    window.publish(Readout::Text4, Number::integer(venousComplianceFromSlider(window)), TextForm::str());
    updateFillFraction(s);
    window.publish(Readout::Text10, Number::single(s.lvVolume), TextForm::format("###.#")); // end-systolic
    refillVentricle(s);
    // The ejection fraction pairs the previous boundary's stroke volume with
    // the new end-diastolic volume.
    window.publish(
        Readout::Text13, Number::single(toSingle(divide(s.strokeVolume, s.lvVolume))), TextForm::format("###.##"));
    startNextBeat(s);
    s.heartRate = toSingle(heartRateFromSlider(window));
    window.publish(Readout::Text8, Number::single(s.heartRate), TextForm::format("###"));
    window.publish(Readout::Text11, Number::single(s.lvVolume), TextForm::format("###.#")); // end-diastolic
    window.publish(Readout::Text12, Number::single(s.venousPressure), TextForm::format("###.##"));
    window.publish(Readout::Text1, Number::single(s.aopSum), TextForm::format("###")); // the beat's mean
    s.aopSum = 0;
    return restartSweepIfPastEdge(s, window);
}

} // namespace talbrix
