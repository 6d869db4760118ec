#pragma once

#include <cstdint>

namespace talbrix {

// Every variable of the circulation model. Quantities are single precision:
// each formula that writes one is evaluated in double and rounded when stored,
// and that rounding is part of the model's behaviour. Fields not set by the
// load step start at zero.
struct CirculationState {
    float lvVolume = 0; // ml, ventricular volume
    float aop = 0; // mmHg, aortic pressure = aortaVolume / aorticCompliance
    float peakFlow = 0; // ml/s, ejection flow against zero aortic pressure
    float dt = 0; // s, time step per tick (single 0.01)
    float lvPressure = 0; // mmHg, isovolumic ventricular pressure
    float aortaVolume = 0; // ml above the aorta's unstressed volume
    float ejectionFlow = 0; // ml/s, ventricle to aorta in this tick
    float simTime = 0; // s, simulated time and the trace's x position
    float beatStart = 0; // s, simTime at the last beat boundary
    float ejectedVolume = 0; // ml ejected so far in this beat
    float resistance = 0; // mmHg*s/ml, peripheral resistance
    float aorticCompliance = 0; // ml/mmHg
    bool ejecting = false; // the ventricle may still eject in this beat
    float beatPeriod = 0; // s, 60 / heartRate
    float strokeVolume = 0; // ml, ejectedVolume of the last completed beat
    std::int16_t plotX = 0; // plot units (twips), x of the last plotted point
    std::int16_t plotY = 0; // plot units (twips), y of the last (venous) point
    float heartRate = 0; // beats/min
    float venousPressure = 0; // mmHg
    float aopSum = 0; // mmHg, sum of aop over the beat; its mean at the boundary
    float fillFraction = 0; // fraction of the filling volume reached
};

} // namespace talbrix
