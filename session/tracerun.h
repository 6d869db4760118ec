#pragma once

#include <string>

namespace talbrix {

class BeatTableWriter;
class CsvOutput;
class LineSource;
class TraceWriter;

// How writing a scenario's whole trace ended.
struct TraceRun {
    enum class Outcome {
        Done,
        BadLine, // message: "line L: reason"
        ReadError, // message: why the input could not be read ("Is a directory")
        RuntimeError, // message: "tick T: error"
        WriteError, // message: "write error: reason"; the trace stopped there
    };
    Outcome outcome = Outcome::Done;
    std::string message;
};

// Replays a scenario from load, writing the CSV trace of every tick: the
// header, the load row and one row per tick. Rows already written stay when
// a later line fails; the trace is flushed before this returns.
TraceRun writeTrace(LineSource &scenario, TraceWriter &trace);

// Replays a scenario from load, writing its beat log as a table as the run
// goes: the header, then a row for each beat boundary, the row the beat log
// of the same run in a window holds. Ends as writeTrace() does.
TraceRun writeBeatTable(LineSource &scenario, BeatTableWriter &table);

// Replays a scenario from load and writes, at its end, the comparison of the
// reference then held with the run (the header alone when none is held):
// what "Save Comparison as Table..." writes for the same run. A bad line or
// a failed tick writes nothing but says why.
TraceRun writeComparisonTable(LineSource &scenario, CsvOutput &table);

} // namespace talbrix
