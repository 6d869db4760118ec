#include "tracerun.h"

#include "beatlog.h"
#include "reference.h"
#include "scenarioreplay.h"
#include "tracewriter.h"

#include <limits>

namespace talbrix {

namespace {

// Runs a replay to its end; a failed write of its output ends it at once.
TraceRun finish(ScenarioReplay &replay)
{
    using Outcome = TraceRun::Outcome;
    try {
        ScenarioReplay::Status status;
        while ((status = replay.advance(std::numeric_limits<std::uint64_t>::max()))
            == ScenarioReplay::Status::Running) { }
        switch (status) {
        case ScenarioReplay::Status::BadLine:
            return { Outcome::BadLine, replay.error() };
        case ScenarioReplay::Status::ReadError:
            return { Outcome::ReadError, replay.error() };
        case ScenarioReplay::Status::RuntimeError:
            return { Outcome::RuntimeError, replay.error() };
        case ScenarioReplay::Status::Running:
        case ScenarioReplay::Status::Finished:
            break;
        }
        return {};
    } catch (const TraceWriteError &error) {
        return { Outcome::WriteError, error.what() };
    }
}

} // namespace

TraceRun writeTrace(LineSource &scenario, TraceWriter &trace)
{
    try {
        ScenarioReplay replay(scenario, &trace, false);
        return finish(replay);
    } catch (const TraceWriteError &error) {
        return { TraceRun::Outcome::WriteError, error.what() };
    }
}

TraceRun writeBeatTable(LineSource &scenario, BeatTableWriter &table)
{
    ScenarioReplay replay(scenario, nullptr, false);
    replay.run().beatLog().setListener([&table](const BeatRow &row) { table.writeRow(row); });
    table.writeHeader();
    TraceRun result = finish(replay);
    if (result.outcome == TraceRun::Outcome::WriteError)
        return result;
    try {
        table.flush(); // the rows before a bad line or a failed tick stay
    } catch (const TraceWriteError &error) {
        return { TraceRun::Outcome::WriteError, error.what() };
    }
    return result;
}

TraceRun writeComparisonTable(LineSource &scenario, CsvOutput &table)
{
    ScenarioReplay replay(scenario, nullptr, false);
    TraceRun result = finish(replay);
    if (result.outcome != TraceRun::Outcome::Done)
        return result;
    try {
        const auto &run = replay.run();
        table.line(run.reference() ? comparisonTable(*run.comparison(replay.window()), *run.reference(),
                                         replay.window().controlSettings())
                                   : comparisonHeader);
        table.flush();
    } catch (const TraceWriteError &error) {
        return { TraceRun::Outcome::WriteError, error.what() };
    }
    return result;
}

} // namespace talbrix
