#pragma once

#include "circulation.h"
#include "circulationstate.h"
#include "beatlog.h"
#include "reference.h"
#include "runrecorder.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace talbrix {

class RunWindow;

// A run of the model as a user makes it: the state, and (when recording) the
// record of what the controls held at every tick, from which the run can be
// saved as a scenario. Whatever drives the run, the real window, the page or a
// replay, ticks it here, so every edition records alike.
class RecordedRun {
public:
    using TickFunction = TickOutcome (*)(CirculationState &, WindowInterface &);

    // A run that is not recorded keeps no beat rows either, only tells the
    // beat log's listener: the runner may run for days.
    explicit RecordedRun(bool recording = true)
        : m_beats(recording)
        , m_recording(recording)
    {
    }

    // The load step: the model's starting state and the readouts it writes.
    void load(WindowInterface &window) { loadCirculation(m_state, window); }

    // One tick, recorded as the controls hold it now. A run-time error
    // propagates; the failed tick stays in the record, as the user ran it.
    TickOutcome tick(RunWindow &window);

    CirculationState &state() { return m_state; }
    const CirculationState &state() const { return m_state; }
    std::uint64_t ticks() const { return m_ticks; }
    // The points of the sweep since its last restart, a tick's two at a time.
    const std::vector<SweepPoint> &sweep() const { return m_sweep; }
    // Keeps the run as it stands, as `window` shows it, as the reference
    // (recorded, so that a replay holds the same one), or lets it go.
    void holdReference(const RunWindow &window);
    void clearReference(const RunWindow &window);
    const std::optional<Reference> &reference() const { return m_reference; }
    // The reference beside the run now; nothing while none is held.
    std::optional<Comparison> comparison(const RunWindow &window) const;

    // A row for every beat boundary the run has crossed.
    const BeatLog &beatLog() const { return m_beats; }
    BeatLog &beatLog() { return m_beats; }
    // The run so far as scenario text, ending with the controls as `window`
    // holds them now.
    std::string scenario(const RunWindow &window) const;

    // Tests put a failing tick here; everyone else runs the model's own.
    void setTickFunction(TickFunction function) { m_tick = function; }

private:
    CirculationState m_state;
    RunRecorder m_recorder;
    TickFunction m_tick = &talbrix::runTick;
    std::uint64_t m_ticks = 0;
    BeatLog m_beats;
    std::vector<SweepPoint> m_sweep;
    std::optional<Reference> m_reference;
    std::array<double, readoutCount> m_values {};
    bool m_recording;
};

} // namespace talbrix
