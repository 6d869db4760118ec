#pragma once

#include "circulation.h"
#include "circulationstate.h"
#include "memorywindow.h"
#include "runrecorder.h"
#include "scenario.h"

#include <cstdint>
#include <istream>
#include <string>

namespace talbrix {

class TraceWriter;

// A whole scenario read once before it is replayed: the first bad line, or
// the number of ticks it asks for (for a progress bar; saturates at the
// largest count).
struct ScenarioCheck {
    std::string error; // "line L: reason" as the runner reports it, or a read error; empty when valid
    std::uint64_t ticks = 0;
};
ScenarioCheck checkScenario(std::istream &scenario);

// Replays a scenario from load against an in-memory window, a slice of ticks
// at a time, so that a caller can show progress between slices and abandon a
// long run. It acts as the runner does: commands between ticks, in order, and
// with a trace writer, the same header and rows the runner prints. With a
// recorder, the replayed run is recorded as if a user had made it.
class ScenarioReplay {
public:
    enum class Status { Running, Finished, BadLine, RuntimeError };
    using TickFunction = TickOutcome (*)(CirculationState &, WindowInterface &);

    // `scenario`, `trace` and `recorder` must outlive the replay; the last two
    // may be null.
    ScenarioReplay(std::istream &scenario, TraceWriter *trace, RunRecorder *recorder);

    // Runs commands until `tickBudget` more ticks have run, the scenario ends
    // or a line or tick fails. After a failure error() says why, in the
    // runner's words ("line L: reason", "tick T: error"), or that the stream
    // failed.
    Status advance(std::uint64_t tickBudget);

    std::uint64_t ticks() const { return m_ticks; }
    const std::string &error() const { return m_error; }
    const CirculationState &state() const { return m_state; }
    const MemoryWindow &window() const { return m_window; }
    ControlSettings settings() const;

    // Tests put a failing tick here; everyone else replays the model's own.
    void setTickFunction(TickFunction tick) { m_tick = tick; }

private:
    bool readCommand();
    void execute(const ScenarioCommand &command);
    bool runTick();

    std::istream &m_scenario;
    TraceWriter *m_trace;
    RunRecorder *m_recorder;
    TickFunction m_tick = &talbrix::runTick;
    CirculationState m_state;
    MemoryWindow m_window;
    ScenarioReader m_reader;
    std::string m_line;
    std::uint64_t m_ticksLeft = 0; // of the current `ticks N` command
    std::uint64_t m_ticks = 0;
    std::string m_error;
    Status m_status = Status::Running;
};

} // namespace talbrix
