#pragma once

#include "linesource.h"
#include "memorywindow.h"
#include "recordedrun.h"
#include "scenario.h"

#include <cstdint>
#include <string>

namespace talbrix {

class TraceWriter;

// Sets the in-memory window's controls as a scenario line says (or holds or
// clears the run's reference), as a replay does between ticks; a tick count
// is not a control and is left to the caller.
void applyControl(const ScenarioCommand &command, MemoryWindow &window, RecordedRun &run);

// Replays a scenario from load against an in-memory window, a slice of work
// at a time, so that a caller can show progress between slices and abandon a
// long run. Commands act between ticks, in order; with a trace writer it
// writes the header, the load row and one row per tick; when recording, the
// replayed run is recorded as if a user had made it, ready to go on from.
class ScenarioReplay {
public:
    enum class Status { Running, Finished, BadLine, ReadError, RuntimeError };

    // `lines` and `trace` must outlive the replay; `trace` may be null. A
    // failed write of the trace throws TraceWriteError out of any call.
    ScenarioReplay(LineSource &lines, TraceWriter *trace, bool recording);

    // Reads lines and runs ticks until `budget` more of them (a line read or
    // a tick run counts one) are done, the scenario ends or a line, a read or
    // a tick fails. After a failure error() says why: "line L: reason",
    // "tick T: error", or the reason reading failed ("Is a directory").
    Status advance(std::uint64_t budget);

    std::uint64_t ticks() const { return m_run.ticks(); }
    const std::string &error() const { return m_error; }
    const MemoryWindow &window() const { return m_window; }
    const RecordedRun &run() const { return m_run; }
    RecordedRun &run() { return m_run; }

private:
    bool readCommand();
    void execute(const ScenarioCommand &command);
    bool runTick();

    LineSource &m_lines;
    TraceWriter *m_trace;
    MemoryWindow m_window;
    RecordedRun m_run;
    ScenarioReader m_reader;
    std::uint64_t m_ticksLeft = 0; // of the current `ticks N` command
    std::string m_error;
    Status m_status = Status::Running;
};

// Reads a whole scenario before it is replayed, a slice of lines at a time:
// the first bad line, or the number of ticks it asks for (for a progress bar;
// saturates at the largest count).
class ScenarioCheck {
public:
    explicit ScenarioCheck(LineSource &lines)
        : m_lines(lines)
    {
    }

    // Reads up to `budget` lines; false once the check is over.
    bool advance(std::uint64_t budget);
    bool valid() const { return m_error.empty(); }
    const std::string &error() const { return m_error; } // as ScenarioReplay words it
    std::uint64_t ticks() const { return m_ticks; }

private:
    LineSource &m_lines;
    ScenarioReader m_reader;
    std::string m_error;
    std::uint64_t m_ticks = 0;
    bool m_done = false;
};

} // namespace talbrix
