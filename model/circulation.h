#pragma once

#include "circulationstate.h"

#include <cstdint>

namespace talbrix {

class WindowInterface;

// What one tick did, beyond the state it left: for the scenario runner's
// trace and for tests.
struct TickOutcome {
    bool beat = false; // the beat boundary ran inside this tick
    bool cleared = false; // the boundary restarted the sweep and cleared the plot
    std::int16_t aorticY = 0; // y of this tick's aortic (first) point
};

// The load step's share of the model: the starting values of the state and
// the three readouts it rewrites (Text1, Text3, Text5). The window switches
// its timer off around it.
void loadCirculation(CirculationState &state, WindowInterface &window);

// One timer firing: advances the model by dt, runs the beat boundary when the
// beat's period has elapsed, and plots one aortic and one venous point.
// Throws RuntimeError when a checked step fails; the rest of the tick is then
// abandoned.
TickOutcome runTick(CirculationState &state, WindowInterface &window);

} // namespace talbrix
