#pragma once

#include <cstdio>
#include <istream>

namespace talbrix {

// Exit statuses of the scenario runner.
inline constexpr int scenarioOk = 0;
inline constexpr int scenarioBadLine = 2;
inline constexpr int scenarioRuntimeError = 3;

// Runs a scenario against a freshly loaded in-memory window, writing the CSV
// trace to `out` and any error (`line L: reason` or `tick T: error`) to
// `err`. Commands act between ticks, in order; rows already written stay when
// a later line fails. Returns one of the exit statuses above.
int runScenario(std::istream &scenario, std::FILE *out, std::FILE *err);

} // namespace talbrix
