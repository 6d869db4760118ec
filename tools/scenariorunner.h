#pragma once

#include <cstdio>
#include <string_view>

namespace talbrix {

// Exit statuses of the scenario runner.
inline constexpr int scenarioOk = 0;
inline constexpr int scenarioBadLine = 2; // also a scenario that cannot be opened or read
inline constexpr int scenarioRuntimeError = 3;
inline constexpr int scenarioWriteError = 4; // the trace could not be written whole

// Runs a scenario against a freshly loaded in-memory window, writing the CSV
// trace to `out` and any error to `err`: `line L: reason`, `tick T: error`,
// `cannot read SOURCE: reason` (SOURCE names the scenario, for example
// "'run.scn'" or "standard input") or `write error: reason`. Commands act
// between ticks, in order; rows already written stay when a later line
// fails. A write error ends the run at once. Returns one of the exit
// statuses above.
int runScenario(std::FILE *scenario, std::string_view source, std::FILE *out, std::FILE *err);

} // namespace talbrix
