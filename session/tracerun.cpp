#include "tracerun.h"

#include "scenarioreplay.h"
#include "tracewriter.h"

#include <limits>

namespace talbrix {

TraceRun writeTrace(LineSource &scenario, TraceWriter &trace)
{
    using Outcome = TraceRun::Outcome;
    try {
        ScenarioReplay replay(scenario, &trace, false);
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

} // namespace talbrix
