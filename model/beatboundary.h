#pragma once

namespace talbrix {

struct CirculationState;
class WindowInterface;

// Closes the beat that has just ended and starts the next one: mean aortic
// pressure, venous pressure, instant refill of the ventricle, the new heart
// rate, the per-beat readouts, and the sweep restart once the trace has run
// past the right edge. Returns true when it restarted the sweep (and cleared
// the plot). Called by the tick when the beat's period has elapsed.
bool runBeatBoundary(CirculationState &state, WindowInterface &window);

} // namespace talbrix
