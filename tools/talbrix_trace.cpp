#include "scenario.h"
#include "scenariorunner.h"

#include <cerrno>
#include <cstdio>
#include <string>
#include <system_error>

namespace {

constexpr const char *usage = "usage: talbrix-trace [SCENARIO_FILE]\n"
                              "Runs the scenario (standard input when no file is named) and prints the CSV trace.\n"
                              "Exit status: 0 done; 2 usage, unreadable scenario or bad line; 3 run-time error in a\n"
                              "tick; 4 the trace could not be written whole.\n";

} // namespace

// talbrix-trace [SCENARIO_FILE]: runs a scenario (standard input when no file
// is named) and prints the CSV trace of every tick.
int main(int argc, char **argv)
{
    if (argc > 2) {
        std::fputs(usage, stderr);
        return talbrix::scenarioBadLine;
    }
    if (argc == 2) {
        const std::string name = talbrix::quoted(argv[1], std::string::npos);
        std::FILE *file = std::fopen(argv[1], "rb");
        if (!file) {
            const std::string reason = std::generic_category().message(errno);
            std::fprintf(stderr, "talbrix-trace: cannot open %s: %s\n", name.c_str(), reason.c_str());
            return talbrix::scenarioBadLine;
        }
        const int status = talbrix::runScenario(file, name, stdout, stderr);
        std::fclose(file);
        return status;
    }
    return talbrix::runScenario(stdin, "standard input", stdout, stderr);
}
