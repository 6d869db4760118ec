#include "circulation.h"

#include "beatboundary.h"
#include "checkedmath.h"
#include "rounding.h"
#include "runtimeerror.h"
#include "sliders.h"
#include "val.h"
#include "windowinterface.h"

#include <cmath>

// One tick is an explicit Euler step of dt with its steps in a fixed order,
// and the order is behaviour: the aortic pressure used for the ejection, the
// outflow and the plot is the one computed before this tick's ejection; the
// beat test sees the time already advanced; the ejection-time limit is tested
// after a boundary may have moved beatStart. Every formula is evaluated in
// double from the stored singles and rounded once, where it is stored.

namespace talbrix {
namespace {

using checked::divide;
using checked::toSingle;

// Below this flow (ml/s) the ejection is over for the rest of the beat.
constexpr float minimumEjectionFlow = 10;
// Longest ejection phase of a beat, in seconds after the boundary.
constexpr double maximumEjectionTime = 0.4;
// The ventricle's unstressed volume, ml.
constexpr double unstressedVolume = 10;

void updateAorticPressure(CirculationState &s, WindowInterface &window)
{
    s.aorticCompliance = toSingle(aorticComplianceFromSlider(window));
    window.publish(Readout::Text7, Number::single(s.aorticCompliance), TextForm::str());
    s.aop = toSingle(divide(s.aortaVolume, s.aorticCompliance));
    s.aopSum = toSingle(static_cast<double>(s.aopSum) + s.aop);
}

void updateVentricularPressure(CirculationState &s, WindowInterface &window)
{
    s.lvPressure = toSingle(contractilityFromSlider(window) * (s.lvVolume - unstressedVolume));
    s.peakFlow = toSingle(peakFlowFromSlider(window));
    window.publish(Readout::Text9, Number::single(s.peakFlow), TextForm::str());
}

// Linear pressure-flow relation: full peakFlow against zero aortic pressure,
// no flow once the aortic pressure reaches the ventricular one.
void updateEjectionFlow(CirculationState &s, WindowInterface &window)
{
    if (window.fibrillationSelected())
        s.ejecting = false;
    s.ejectionFlow = 0;
    if (s.ejecting && s.lvPressure > s.aop)
        s.ejectionFlow = toSingle(s.peakFlow - divide(static_cast<double>(s.peakFlow) * s.aop, s.lvPressure));
    // Tested on the stored single, in every tick, ejecting or not.
    if (s.ejectionFlow < minimumEjectionFlow) {
        s.ejecting = false;
        s.ejectionFlow = 0;
    }
}

void integrateVolumes(CirculationState &s, WindowInterface &window)
{
    const double dt = s.dt;
    s.lvVolume = toSingle(s.lvVolume - dt * s.ejectionFlow);
    s.resistance = toSingle(resistanceFromSlider(window));
    window.publish(Readout::Text6, Number::single(s.resistance), TextForm::format("###.##"));
    // Outflow runs through the resistance towards the venous pressure and
    // reverses when the aortic pressure falls below it.
    s.aortaVolume = toSingle((dt * s.ejectionFlow + s.aortaVolume)
        - divide(static_cast<double>(s.aop) - s.venousPressure, s.resistance) * dt);
    s.ejectedVolume = toSingle(dt * s.ejectionFlow + s.ejectedVolume);
    s.simTime = toSingle(dt + s.simTime);
}

// Cardiac output from the rate as Text8 shows it right now, typed text
// included. Text that does not make a finite product (not a number, or a
// number or product beyond double range) gives 0 rather than ending the
// program: a student typing into a box must never crash the simulator.
double cardiacOutput(float strokeVolume, WindowInterface &window)
{
    double rate = 0;
    try {
        rate = val(window.heartRateText());
    } catch (const RuntimeError &) {
        return 0;
    }
    const double product = strokeVolume * rate;
    if (!std::isfinite(product))
        return 0;
    return intPart(product);
}

void publishOutput(CirculationState &s, WindowInterface &window)
{
    window.publish(Readout::Text3, Number::single(s.strokeVolume), TextForm::format("###.#"));
    window.publish(Readout::Text5, Number::dbl(cardiacOutput(s.strokeVolume, window)), TextForm::format("#####.##"));
}

// Aortic pressure at 10 plot units per mmHg (0 at y = 2200), venous
// pressure at 120 per mmHg (0 at y = 2160), time at 200 units per second.
std::int16_t plotPoints(CirculationState &s, WindowInterface &window)
{
    s.plotX = cint(s.simTime * 200.0);
    s.plotY = cint(2200.0 - s.aop * 10.0);
    const std::int16_t aorticY = s.plotY;
    window.plotPoint(s.plotX, s.plotY);
    s.plotY = cint(2160.0 - s.venousPressure * 120.0);
    window.setDrawColour(colourBlue);
    window.plotPoint(s.plotX, s.plotY);
    window.setDrawColour(colourBlack);
    return aorticY;
}

} // namespace

void loadCirculation(CirculationState &s, WindowInterface &window)
{
    s = CirculationState {};
    s.aortaVolume = 20;
    s.resistance = 2;
    s.aorticCompliance = 0.5f;
    s.peakFlow = 400;
    s.aopSum = 60; // enters the first beat's mean
    s.venousPressure = 8;
    s.dt = 0.01f; // 0.0099999998 s
    s.aop = toSingle(20.0 / 0.5);
    s.lvVolume = 110;
    s.ejectedVolume = 0;
    s.heartRate = 80;
    window.publish(Readout::Text1, Number::single(s.aop), TextForm::str());
    window.publish(Readout::Text3, Number::single(s.ejectedVolume), TextForm::str());
    window.publish(Readout::Text5, Number::single(s.ejectionFlow), TextForm::str());
}

TickOutcome runTick(CirculationState &s, WindowInterface &window)
{
    TickOutcome outcome;
    s.beatPeriod = toSingle(divide(60.0, s.heartRate));
    updateAorticPressure(s, window);
    updateVentricularPressure(s, window);
    updateEjectionFlow(s, window);
    integrateVolumes(s, window);
    publishOutput(s, window);
    if (toSingle(static_cast<double>(s.beatPeriod) + s.beatStart) < s.simTime) {
        outcome.beat = true;
        outcome.cleared = runBeatBoundary(s, window);
    }
    if (toSingle(s.beatStart + maximumEjectionTime) < s.simTime)
        s.ejecting = false;
    outcome.aorticY = plotPoints(s, window);
    return outcome;
}

} // namespace talbrix
