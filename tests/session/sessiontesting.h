#pragma once

#include "linesource.h"
#include "tracerun.h"
#include "tracewriter.h"

#include <string>
#include <string_view>

namespace sessiontesting {

// The trace talbrix-trace prints for a scenario, and how the run ended.
struct Traced {
    std::string trace;
    talbrix::TraceRun result;
};

inline Traced traceOf(std::string_view scenario)
{
    Traced traced;
    talbrix::TextLines lines(scenario);
    talbrix::TraceWriter writer([&](std::string_view block) { traced.trace += block; });
    traced.result = talbrix::writeTrace(lines, writer);
    return traced;
}

} // namespace sessiontesting
